// Running vnstudio-cli as a script does, for the tests of the command line: a scratch folder
// per test with its own settings, the exit status, and standard output and error apart.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace vn::testing {

struct CliRun {
  int status = -1;  // the exit status; -1 when the program did not exit by itself
  std::string out, err;
};

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs a shell command line; `out` is its standard output.
inline CliRun RunShell(const std::string& command) {
  CliRun r;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  const int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

// A test with a scratch folder of its own, removed afterwards, and vnstudio-cli to run there.
// The program's settings live in the folder's config/, never in the user's.
class CliTest : public ::testing::Test {
 protected:
  explicit CliTest(std::string name) : name_(std::move(name)) {}

  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / (name_ + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_ / "config");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

  // vnstudio-cli with `args` (read by the shell), `input` on its standard input.
  CliRun Exec(const std::string& args, const std::string& input = "") {
    const std::filesystem::path in = Write("stdin.txt", input);
    const std::filesystem::path err = dir_ / "stderr.txt";
    CliRun r = RunShell("XDG_CONFIG_HOME=" + (dir_ / "config").string() + " " + VN_CLI_PATH + " " + args + " 2>" +
                        err.string() + " <" + in.string());
    r.err = ReadAll(err);
    return r;
  }

  std::filesystem::path dir_;

 private:
  std::string name_;
};

}  // namespace vn::testing
