// The settings file as something else than a settings file (a folder, /dev/zero, a huge file),
// a link planted where the old writer put its temporary file, and two processes writing at once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/settings_store.h"
#include "settings_file_test.h"

namespace vn::core {
namespace {

namespace fs = std::filesystem;

class SettingsFiles : public SettingsFileTest {};

TEST_F(SettingsFiles, AFileThatCannotBeReadGivesTheDefaultsAndIsNeverWrittenOver) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    FileProblem problem;
  };
  const Case cases[] = {
      {"a folder", [](const fs::path& p) { fs::create_directory(p); }, FileProblem::kDirectory},
      {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, FileProblem::kNotRegular},
      {"a FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, FileProblem::kNotRegular},
      {"2 MB of text",
       [](const fs::path& p) { std::ofstream(p, std::ios::binary) << "[PrintPort]\nIoadr=632\n" << std::string(2 << 20, ';'); },
       FileProblem::kTooLarge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(file());
    c.make(file());
    struct stat before {};
    ASSERT_EQ(::lstat(file().c_str(), &before), 0);
    IniFile ini(file());
    EXPECT_EQ(ini.ReadError().problem, c.problem);
    EXPECT_EQ(ini.ReadError().path, file().string());
    EXPECT_EQ(ini.GetInt("PrintPort", "Ioadr", 888), 888);
    EXPECT_EQ(ini.GetString("PrintPort", "Ioadr", "none"), "none");
    EXPECT_FALSE(ini.WriteString("PrintPort", "Ioadr", " 632"));
    struct stat after {};
    ASSERT_EQ(::lstat(file().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_size, before.st_size);
  }
  // Nothing beside it either.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SettingsFiles, AMissingOrReadableFileHasNoReadError) {
  IniFile ini(file());
  EXPECT_TRUE(ini.ReadError().ok());
  Write("[S]\nk=1\n");
  EXPECT_TRUE(ini.ReadError().ok());
}

TEST_F(SettingsFiles, ALinkPlantedAtTheOldTemporaryNameRedirectsNothing) {
  Write("[S]\nk=1\n");
  const fs::path victim = dir_ / "victim";
  std::ofstream(victim) << "precious";
  // The name the writer once used, for this process and the next few.
  for (int pid = ::getpid(); pid < ::getpid() + 4; ++pid) {
    fs::path planted = file();
    planted += ".tmp" + std::to_string(pid);
    fs::create_symlink(victim, planted);
  }
  IniFile ini(file());
  ASSERT_TRUE(ini.WriteString("S", "k", "2"));
  EXPECT_EQ(Read(), "[S]\nk=2\n");
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
}

TEST_F(SettingsFiles, TwoProcessesWritingAtOnceLoseNoKey) {
  // Each writes keys of its own into the same file, as two instances of the program saving
  // their settings at the same moment do; every key of both must be there afterwards.
  constexpr int kKeys = 30;
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    fs::remove(file());
    if (exists) Write("[Keep]\nx=1\n");
    std::vector<pid_t> children;
    for (int k = 0; k < 2; ++k) {
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        IniFile ini(file());
        for (int i = 0; i < kKeys; ++i)
          if (!ini.WriteString("P" + std::to_string(k), "key" + std::to_string(i), std::to_string(i))) ::_exit(1);
        ::_exit(0);
      }
      children.push_back(pid);
    }
    for (pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    IniFile ini(file());
    for (int k = 0; k < 2; ++k) {
      for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(ini.GetInt("P" + std::to_string(k), "key" + std::to_string(i), -1), i) << k << " " << i;
      }
    }
    if (exists) {
      EXPECT_EQ(ini.GetInt("Keep", "x", 0), 1);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  }
}

}  // namespace
}  // namespace vn::core
