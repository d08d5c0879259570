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
  char buf[4096];
  for (std::size_t n; pipe != nullptr && (n = fread(buf, 1, sizeof buf, pipe)) > 0;) r.out.append(buf, n);
  const int raw = pipe != nullptr ? pclose(pipe) : -1;
  r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

// A test with a scratch folder of its own, removed afterwards, and vnstudio-cli to run there.
// The program's settings live in the folder's config/, never in the user's.
class CliTest : public ::testing::Test {
 protected:
  explicit CliTest(std::string name) : name_(std::move(name)) {}
  void SetUp() override { std::filesystem::create_directories(dir_ / "config"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return dir_ / name;
  }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  // The start of a shell command line that runs vnstudio-cli with this folder's settings.
  std::string Cli() const { return "XDG_CONFIG_HOME=" + P("config") + " " + VN_CLI_PATH + " "; }
  // vnstudio-cli with `args` (read by the shell), `input` on its standard input.
  CliRun Exec(const std::string& args, const std::string& input = "") {
    CliRun r = RunShell(Cli() + args + " 2>" + P("stderr.txt") + " <" + Write("stdin.txt", input).string());
    r.err = ReadAll(dir_ / "stderr.txt");
    return r;
  }

  std::string name_;
  std::filesystem::path dir_ = std::filesystem::temp_directory_path() / (name_ + "_" + std::to_string(::getpid()));
};

}  // namespace vn::testing
