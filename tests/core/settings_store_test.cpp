// The settings stores: private-profile reading and writing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/settings_store.h"
#include "settings_file_test.h"

namespace vn::core {
namespace {

namespace fs = std::filesystem;

class SettingsStore : public SettingsFileTest {};

TEST_F(SettingsStore, IntegersAsThePrivateProfileReadsThem) {
  Write(
      "[A]\nblank= 888\nneg=-1\nplus=+7\ntext=abc\nempty=\nlead=12abc\ntabbed=\t 5 \nhuge=99999999999\n"
      "quoted=\"42\"\n[B]\nblank=1\n");
  IniFile ini(file());
  struct Case {
    const char* section;
    const char* key;
    long want;
  };
  const Case cases[] = {
      {"A", "blank", 888},  {"A", "neg", -1},      {"A", "plus", 7},         {"A", "text", 0},
      {"A", "empty", 55},   {"A", "lead", 12},     {"A", "tabbed", 5},       {"A", "huge", 2147483647},
      {"A", "quoted", 42},  {"a", "BLANK", 888},   {"A", "missing", 55},     {"C", "blank", 55},
      {"B", "blank", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ini.GetInt(c.section, c.key, 55), c.want) << c.section << "/" << c.key;
  EXPECT_EQ(IniFile(dir_ / "none.ini").GetInt("A", "blank", 888), 888);
}

TEST_F(SettingsStore, TextsComeThroughAHundredCharacterBuffer) {
  const std::string long_path = "/" + std::string(120, 'p');
  // 98 ASCII characters and then a two-byte character that does not fit whole.
  const std::string utf8 = std::string(98, 'a') + "\xEA\xB0\x80";
  Write("[LastOpen]\nFile1=" + long_path + "\nFile2=  spaced out  \nFile3='single'\nFile4=" + utf8 + "\n");
  IniFile ini(file());
  EXPECT_EQ(ini.GetString("LastOpen", "File1", "none"), long_path.substr(0, 99));
  EXPECT_EQ(ini.GetString("LastOpen", "File1", "none", 300), long_path);
  EXPECT_EQ(ini.GetString("LastOpen", "File2", "none"), "spaced out");
  EXPECT_EQ(ini.GetString("LastOpen", "File3", "none"), "single");
  EXPECT_EQ(ini.GetString("LastOpen", "File4", "none"), std::string(98, 'a'));
  EXPECT_EQ(ini.GetString("LastOpen", "File9", "none"), "none");
}

TEST_F(SettingsStore, WritesKeepEveryOtherLineAsItWas) {
  Write("; settings\r\n[PrintPort]\r\nIoadr= 888\r\n\r\n[LastOpen]\r\nfile1 = /a.bas\r\nFile2=none\r\n");
  IniFile ini(file());
  ASSERT_TRUE(ini.WriteString("LASTOPEN", "File1", "/b.bas"));
  ASSERT_TRUE(ini.WriteString("PrintPort", "CableMode", " 1"));
  ASSERT_TRUE(ini.WriteString("Setup", "Tip", " 0"));
  EXPECT_EQ(Read(),
            "; settings\r\n[PrintPort]\r\nIoadr= 888\r\nCableMode= 1\r\n\r\n[LastOpen]\r\nFile1=/b.bas\r\n"
            "File2=none\r\n\r\n[Setup]\r\nTip= 0\r\n");
  EXPECT_EQ(ini.GetString("lastopen", "file1", ""), "/b.bas");
}

TEST_F(SettingsStore, WritesThatCannotBeStoredAreRefused) {
  Write("[S]\nk=v\n");
  IniFile ini(file());
  EXPECT_FALSE(ini.WriteString("", "k", "v"));
  EXPECT_FALSE(ini.WriteString("S", "", "v"));
  EXPECT_FALSE(ini.WriteString("a]b", "k", "v"));
  EXPECT_FALSE(ini.WriteString("S", "k=2", "v"));
  EXPECT_FALSE(ini.WriteString("S\nT", "k", "v"));
  EXPECT_EQ(Read(), "[S]\nk=v\n");
  // A line break in a value would make a second key of its rest.
  ASSERT_TRUE(ini.WriteString("S", "k", "one\nevil=1"));
  EXPECT_EQ(ini.GetString("S", "k", ""), "one evil=1");
  EXPECT_FALSE(ini.Find("S", "evil").has_value());
}

TEST_F(SettingsStore, FirstWriteCreatesTheDirectoryAndFollowsALink) {
  IniFile fresh(dir_ / "sub" / "dir" / "VNSTUDIO.INI");
  ASSERT_TRUE(fresh.WriteString("PrintPort", "Ioadr", " 888"));
  EXPECT_EQ(fresh.GetInt("PrintPort", "Ioadr", 0), 888);

  Write("[S]\nk=1\n");
  fs::create_symlink(file(), dir_ / "link.ini");
  IniFile linked(dir_ / "link.ini");
  ASSERT_TRUE(linked.WriteString("S", "k", "2"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
  EXPECT_EQ(Read(), "[S]\nk=2\n");
}

TEST_F(SettingsStore, RegistryValuesFallBackToTheNumberText) {
  RegistryStore reg(dir_ / "registry.ini");
  EXPECT_EQ(reg.ReadString("VNstudio\\window\\", "left", 1200), "1200");
  EXPECT_EQ(reg.ReadString("VNstudio\\window\\", "top", -5), "-5");
  ASSERT_TRUE(reg.WriteString("VNstudio\\window\\", "left", "300"));
  EXPECT_EQ(reg.ReadString("VNstudio\\window\\", "left", 1200), "300");
  EXPECT_EQ(reg.ReadString("VNstudio\\colors\\", "left", 7), "7");
}

TEST(SettingsDirectory, FollowsXdgConfigHome) {
  const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved_xdg = old_xdg ? old_xdg : "";
  const char* old_home = std::getenv("HOME");
  const std::string saved_home = old_home ? old_home : "";
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
