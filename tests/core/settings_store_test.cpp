// The settings stores: a file written by hand read as the private profile reads it, writes that
// read back what they wrote and keep every other line byte for byte, and files that are no
// settings file (a folder, a device, a huge file, a planted link), two processes writing at once.
#include "core/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace vn::core {
namespace {

namespace fs = std::filesystem;
using vn::testing::ReadAll;
using vn::testing::WriteAll;

class SettingsStore : public vn::testing::ScratchDir {
 protected:
  std::string file() const { return P("VNSTUDIO.INI"); }
};

TEST_F(SettingsStore, AFileWrittenByHandIsReadAsThePrivateProfileReadsIt) {
  const std::string long_path = "/" + std::string(120, 'p');
  WriteAll(file(), "[A]\nblank= 888\nneg=-1\nplus=+7\ntext=abc\nempty=\nlead=12abc\ntabbed=\t 5 \nhuge=99999999999\n"
                   "quoted=\"42\"\n[B]\nblank=1\n[LastOpen]\nFile1=" + long_path + "\nFile2=  spaced out  \n"
                   "File3='single'\nFile4=" + std::string(98, 'a') + "\xEA\xB0\x80\n[C2]\ncr=2\r");
  IniFile ini(file());
  const struct {
    const char *section, *key;
    long want;
  } ints[] = {{"A", "blank", 888}, {"A", "neg", -1},     {"A", "plus", 7},       {"A", "text", 0},
              {"A", "empty", 55},  {"A", "lead", 12},    {"A", "tabbed", 5},     {"A", "huge", 2147483647},
              {"A", "quoted", 42}, {"a", "BLANK", 888},  {"A", "missing", 55},   {"C", "blank", 55}, {"B", "blank", 1}};
  for (const auto& c : ints) EXPECT_EQ(ini.GetInt(c.section, c.key, 55), c.want) << c.section << "/" << c.key;
  EXPECT_EQ(IniFile(P("none.ini")).GetInt("A", "blank", 888), 888);
  // Texts come through a buffer of 100 characters; a character that does not fit whole is cut.
  EXPECT_EQ(ini.GetString("LastOpen", "File1", "none"), long_path.substr(0, 99));
  EXPECT_EQ(ini.GetString("LastOpen", "File1", "none", 300), long_path);
  EXPECT_EQ(ini.GetString("LastOpen", "File2", "none"), "spaced out");
  EXPECT_EQ(ini.GetString("LastOpen", "File3", "none"), "single");
  EXPECT_EQ(ini.GetString("LastOpen", "File4", "none"), std::string(98, 'a'));
  EXPECT_EQ(ini.GetString("LastOpen", "File9", "none"), "none");
  EXPECT_EQ(ini.GetString("C2", "cr", "none"), "2");  // an unended last line's CR is its end
}

TEST_F(SettingsStore, AWriteReadsBackAndKeepsEveryOtherLineAndItsLineEnd) {
  const struct {
    const char *before, *section, *key, *value, *after;
  } cases[] = {
      {"; settings\r\n[PrintPort]\r\nIoadr= 888\r\n\r\n[LastOpen]\r\nfile1 = /a.bas\r\nFile2=none\r\n", "LASTOPEN", "File1",
       "/b.bas", "; settings\r\n[PrintPort]\r\nIoadr= 888\r\n\r\n[LastOpen]\r\nFile1=/b.bas\r\nFile2=none\r\n"},
      {"[PrintPort]\r\nIoadr= 888\r\n", "PrintPort", "CableMode", " 1", "[PrintPort]\r\nIoadr= 888\r\nCableMode= 1\r\n"},
      {"[PrintPort]\r\n", "Setup", "Tip", " 0", "[PrintPort]\r\n\r\n[Setup]\r\nTip= 0\r\n"},
      // An LF first line and CR LF lines after it: each line keeps its own end; an added line
      // takes the first line's.
      {"[PrintPort]\nIoadr= 888\r\nCableMode= 1\r\n", "PrintPort", "Ioadr", " 632", "[PrintPort]\nIoadr= 632\r\nCableMode= 1\r\n"},
      {"[A]\r\nk=1\r\nz=2\n", "A", "n", "3", "[A]\r\nk=1\r\nz=2\nn=3\r\n"},
      // An unended last line ending in CR is kept, or ended once when a line follows it.
      {"[A]\r\nk=1\r\n[B]\r\nz=2\r", "A", "k", "7", "[A]\r\nk=7\r\n[B]\r\nz=2\r"},
      {"[A]\nz=2\r", "B", "k", "v", "[A]\nz=2\r\n\n[B]\nk=v\n"},
      // Names with blanks around them are stored trimmed and read back under the same names.
      {nullptr, " AccessSpeed ", "\tCommSpeed ", " 1", "[AccessSpeed]\nCommSpeed= 1\n"},
      // A line break in a value would make a second key of its rest.
      {"[S]\nk=v\n", "S", "k", "one\nevil=1", "[S]\nk=one evil=1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.after);
    fs::remove(file());
    if (c.before != nullptr) WriteAll(file(), c.before);
    IniFile ini(file());
    ASSERT_TRUE(ini.WriteString(c.section, c.key, c.value));
    EXPECT_EQ(ReadAll(file()), c.after);
    std::string read = c.value;  // as read back: leading blanks dropped, a line break a blank
    read.erase(0, read.find_first_not_of(' '));
    std::replace(read.begin(), read.end(), '\n', ' ');
    EXPECT_EQ(ini.Find(c.section, c.key), std::optional<std::string>(read));
    EXPECT_EQ(IniFile(file()).GetString(c.section, c.key, "none", 300), read);
  }
  EXPECT_FALSE(IniFile(file()).Find("S", "evil").has_value());
  IniFile named(P("named.ini"));
  ASSERT_TRUE(named.WriteString(" AccessSpeed ", "\tCommSpeed ", " 1"));
  EXPECT_EQ(named.GetInt(" AccessSpeed", "CommSpeed\t", 5), 1);
}

TEST_F(SettingsStore, WritesThatCannotBeStoredAreRefusedAndChangeNothing) {
  WriteAll(file(), "[S]\nk=v\n");
  IniFile ini(file());
  for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
           {"", "k"}, {"S", ""}, {"a]b", "k"}, {"S", "k=2"}, {"S\nT", "k"}})
    EXPECT_FALSE(ini.WriteString(section, key, "v")) << section << "/" << key;
  EXPECT_EQ(ReadAll(file()), "[S]\nk=v\n");
}

TEST_F(SettingsStore, FirstWriteCreatesTheFolderAndALinkIsFollowed) {
  IniFile fresh(dir_ / "sub" / "dir" / "VNSTUDIO.INI");
  ASSERT_TRUE(fresh.WriteString("PrintPort", "Ioadr", " 888"));
  EXPECT_EQ(IniFile(dir_ / "sub" / "dir" / "VNSTUDIO.INI").GetInt("PrintPort", "Ioadr", 0), 888);
  WriteAll(file(), "[S]\nk=1\n");
  fs::create_symlink(file(), dir_ / "link.ini");
  ASSERT_TRUE(IniFile(dir_ / "link.ini").WriteString("S", "k", "2"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
  EXPECT_EQ(ReadAll(file()), "[S]\nk=2\n");
  // A link planted at the name the writer once used for its temporary file redirects nothing.
  WriteAll(P("victim"), "precious");
  for (int pid = ::getpid(); pid < ::getpid() + 4; ++pid) fs::create_symlink(P("victim"), file() + ".tmp" + std::to_string(pid));
  ASSERT_TRUE(IniFile(file()).WriteString("S", "k", "3"));
  EXPECT_EQ(ReadAll(file()), "[S]\nk=3\n");
  EXPECT_EQ(ReadAll(P("victim")), "precious");
}

TEST_F(SettingsStore, RegistryValuesReadBackAndFallBackToTheNumberText) {
  RegistryStore reg(dir_ / "registry.ini");
  EXPECT_EQ(reg.ReadString("VNstudio\\window\\", "left", 1200), "1200");
  EXPECT_EQ(reg.ReadString("VNstudio\\window\\", "top", -5), "-5");
  ASSERT_TRUE(reg.WriteString("VNstudio\\window\\", "left", "300"));
  ASSERT_TRUE(reg.WriteString("VNstudio\\window\\", " 1", "edge"));
  EXPECT_EQ(RegistryStore(dir_ / "registry.ini").ReadString("VNstudio\\window\\", "left", 1200), "300");
  EXPECT_EQ(reg.ReadString("VNstudio\\window\\", " 1", 7), "edge");
  EXPECT_EQ(reg.ReadString("VNstudio\\colors\\", "left", 7), "7");
}

TEST_F(SettingsStore, AFileThatCannotBeReadGivesTheDefaultsAndIsNeverWrittenOver) {
  const struct {
    const char* name;
    std::function<void(const fs::path&)> make;
    FileProblem problem;
  } cases[] = {
      {"a folder", [](const fs::path& p) { fs::create_directory(p); }, FileProblem::kDirectory},
      {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, FileProblem::kNotRegular},
      {"a FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, FileProblem::kNotRegular},
      {"2 MB", [](const fs::path& p) { WriteAll(p, "[PrintPort]\nIoadr=632\n" + std::string(2 << 20, ';')); },
       FileProblem::kTooLarge},
  };
  EXPECT_TRUE(IniFile(file()).ReadError().ok());  // missing is no error
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(file());
    c.make(file());
    struct stat before {}, after {};
    ASSERT_EQ(::lstat(file().c_str(), &before), 0);
    IniFile ini(file());
    EXPECT_EQ(ini.ReadError().problem, c.problem);
    EXPECT_EQ(ini.ReadError().path, file());
    EXPECT_EQ(ini.GetInt("PrintPort", "Ioadr", 888), 888);
    EXPECT_EQ(ini.GetString("PrintPort", "Ioadr", "none"), "none");
    EXPECT_FALSE(ini.WriteString("PrintPort", "Ioadr", " 632"));
    ASSERT_EQ(::lstat(file().c_str(), &after), 0);
    EXPECT_TRUE(after.st_ino == before.st_ino && after.st_mode == before.st_mode && after.st_size == before.st_size);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);  // nothing beside it
  fs::remove_all(file());
  WriteAll(file(), "[S]\nk=1\n");
  EXPECT_TRUE(IniFile(file()).ReadError().ok());
}

TEST_F(SettingsStore, TwoProcessesWritingAtOnceLoseNoKey) {
  // Two instances of the program saving their settings at the same moment.
  constexpr int kKeys = 30;
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    fs::remove(file());
    if (exists) WriteAll(file(), "[Keep]\nx=1\n");
    pid_t children[2];
    for (int k = 0; k < 2; ++k) {
      if ((children[k] = ::fork()) != 0) continue;
      IniFile ini(file());
      for (int i = 0; i < kKeys; ++i)
        if (!ini.WriteString("P" + std::to_string(k), "key" + std::to_string(i), std::to_string(i))) ::_exit(1);
      ::_exit(0);
    }
    for (pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    IniFile ini(file());
    for (int i = 0; i < 2 * kKeys; ++i)
      EXPECT_EQ(ini.GetInt("P" + std::to_string(i % 2), "key" + std::to_string(i / 2), -1), i / 2) << i;
    EXPECT_EQ(ini.GetInt("Keep", "x", 0), exists ? 1 : 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  }
}

TEST(SettingsDirectory, FollowsXdgConfigHome) {
  const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
  const char* old_home = std::getenv("HOME");
  const std::string saved_xdg = old_xdg ? old_xdg : "", saved_home = old_home ? old_home : "";
  setenv("HOME", "/home/user", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(SettingsDirectory(), fs::path("/cfg/vnstudio"));
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the convention says
  EXPECT_EQ(SettingsDirectory(), fs::path("/home/user/.config/vnstudio"));
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsDirectory(), fs::path("/home/user/.config/vnstudio"));
  if (old_xdg) setenv("XDG_CONFIG_HOME", saved_xdg.c_str(), 1);
  if (old_home) setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
}  // namespace vn::core
