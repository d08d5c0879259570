// Settings store cases the fuzz target (fuzz/settings_fuzz.cpp) found, with the exact files.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/settings_store.h"
#include "settings_file_test.h"

namespace vn::core {
namespace {

class SettingsStoreRegression : public SettingsFileTest {};

// A file whose first line ends in LF and whose other lines end in CR LF (the fuzzer's first
// finding): a write used to give every line the first line's end, changing lines it did not
// write.
TEST_F(SettingsStoreRegression, LinesAfterAnLfFirstLineKeepTheirCrLf) {
  Write("[PrintPort]\nIoadr= 888\r\nCableMode= 1\r\n");
  IniFile ini(file());
  ASSERT_TRUE(ini.WriteString("PrintPort", "Ioadr", " 632"));
  EXPECT_EQ(Read(), "[PrintPort]\nIoadr= 632\r\nCableMode= 1\r\n");
}

TEST_F(SettingsStoreRegression, AnLfLineInACrLfFileStaysLf) {
  Write("[A]\r\nk=1\r\nz=2\n");
  IniFile ini(file());
  ASSERT_TRUE(ini.WriteString("A", "n", "3"));
  // The added line takes the file's own line end (its first line's).
  EXPECT_EQ(Read(), "[A]\r\nk=1\r\nz=2\nn=3\r\n");
}

// A last line without a line end that ends in CR: kept as it was when another line is written.
TEST_F(SettingsStoreRegression, AnUnendedLastLineKeepsItsCarriageReturn) {
  Write("[A]\r\nk=1\r\n[B]\r\nz=2\r");
  IniFile ini(file());
  ASSERT_TRUE(ini.WriteString("A", "k", "7"));
  EXPECT_EQ(Read(), "[A]\r\nk=7\r\n[B]\r\nz=2\r");
  EXPECT_EQ(ini.GetString("B", "z", ""), "2");
}

// When a line is added after it, it is ended with CR LF rather than getting a second CR.
TEST_F(SettingsStoreRegression, AnUnendedLastLineWithCarriageReturnIsEndedOnce) {
  Write("[A]\nz=2\r");
  IniFile ini(file());
  ASSERT_TRUE(ini.WriteString("B", "k", "v"));
  EXPECT_EQ(Read(), "[A]\nz=2\r\n\n[B]\nk=v\n");
}

// Names with blanks around them (the fuzzer's second finding): WriteString stored them trimmed
// and reported success, but reading under the same names found nothing.
TEST_F(SettingsStoreRegression, NamesWithBlanksAroundThemReadBackWhatWasWritten) {
  IniFile ini(file());
  ASSERT_TRUE(ini.WriteString(" AccessSpeed ", "\tCommSpeed ", " 1"));
  EXPECT_EQ(Read(), "[AccessSpeed]\nCommSpeed= 1\n");
  EXPECT_EQ(ini.Find(" AccessSpeed ", "\tCommSpeed "), std::optional<std::string>("1"));
  EXPECT_EQ(ini.GetInt(" AccessSpeed", "CommSpeed\t", 5), 1);
  EXPECT_EQ(ini.GetString("AccessSpeed ", " CommSpeed", "none"), "1");

  RegistryStore registry(dir_ / "registry.ini");
  ASSERT_TRUE(registry.WriteString("VNstudio\\window\\", " 1", "left"));
  EXPECT_EQ(registry.ReadString("VNstudio\\window\\", " 1", 7), "left");
}

}  // namespace
}  // namespace vn::core
