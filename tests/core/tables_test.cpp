// The device and message tables as a whole, and the text helpers every layer reads sources with.
// The exact message texts are checked where each message is produced.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/devices.h"
#include "core/message_table.h"
#include "core/text.h"

namespace vn::core {
namespace {

// CONST DEVICE checks the menu item of `menu_item`: a code with an item of its own. Each menu
// item stands for one code, and a code without an item sets no menu series.
TEST(Devices, EveryCodeIsFoundAndTheMenuColumnsAgree) {
  std::set<std::string> objects;
  for (const DeviceInfo& d : kDevices) {
    EXPECT_EQ(FindDeviceCode(d.code), &d);
    const DeviceInfo* checked = FindDeviceCode(d.menu_item);
    ASSERT_NE(checked, nullptr) << d.code;
    EXPECT_TRUE(checked->has_menu_item() && checked->kind == d.kind) << d.code;
    if (d.has_menu_item()) {
      EXPECT_TRUE(objects.insert(d.menu_object).second) << d.menu_object;
      EXPECT_STREQ(d.menu_item, d.code);
    }
    EXPECT_EQ(std::string(d.menu_series).empty(), !d.has_menu_item()) << d.code;
  }
  for (const char* unknown : {"", "kf", "KX", "LX", "K", "KFF", "ZQ", "ZQ3", "mnuVNKF"})
    EXPECT_EQ(FindDeviceCode(unknown), nullptr) << unknown;
}

// Every code has its own row with both languages, a title for a box (none for a line inside a
// window), and both languages show the same data.
TEST(MessageTable, EveryCodeHasItsOwnCompleteRowAndBothLanguagesShowTheDataAlike) {
  std::set<MessageCode> startup_language;
  for (std::size_t k = 0; k < kMessageCodeCount; ++k) {
    SCOPED_TRACE(k);
    const auto code = static_cast<MessageCode>(k);
    const MessageRow& row = RowOf(code);
    EXPECT_EQ(row.code, code);
    ASSERT_TRUE(row.en != nullptr && row.ko != nullptr && row.title != nullptr);
    EXPECT_TRUE(*row.en != '\0' && *row.ko != '\0');
    EXPECT_EQ(std::string(row.title) == "", row.style == kStyleLine) << row.title;
    EXPECT_TRUE(row.style == kStylePlain || row.style == kStyleCritical || row.style == kStyleInformation ||
                row.style == kStyleYesNoCancelWarning || row.style == kStyleLine)
        << row.style;
    if (row.in_startup_language) startup_language.insert(code);
    // Data that cannot occur in any text by accident, shown alike (hex, decimal or as given).
    const Message m{code, {0xA1B2C3, 0xD4E5F6, 0x778899}, "@subject@"};
    const std::string en = MessageTextOf(m, Language::kEnglish), ko = MessageTextOf(m, Language::kKorean);
    for (const char* item : {"A1B2C3", "D4E5F6", "778899", "10597059", "13952502", "7833753", "@subject@"})
      EXPECT_EQ(en.find(item) == std::string::npos, ko.find(item) == std::string::npos) << item << ": " << en << " / " << ko;
    EXPECT_EQ((en + ko).find('{'), std::string::npos) << en << ko;
  }
  // Module not found, and the no-compile message from the menus and from the debugger's timer,
  // which say the same under their different titles.
  EXPECT_EQ(startup_language, (std::set<MessageCode>{MessageCode::kModuleNotFound, MessageCode::kNoCompileInfo,
                                                     MessageCode::kNoCompileInfoDebug}));
  EXPECT_EQ(std::string(RowOf(MessageCode::kNoCompileInfo).en) + RowOf(MessageCode::kNoCompileInfo).ko,
            std::string(RowOf(MessageCode::kNoCompileInfoDebug).en) + RowOf(MessageCode::kNoCompileInfoDebug).ko);
  // A code outside the table reads no row past its end.
  EXPECT_EQ(RowOf(static_cast<MessageCode>(kMessageCodeCount + 40)).code, MessageCode::kModuleNotFound);
  EXPECT_EQ(std::pair(LanguageOf(true), LanguageOf(false)), std::pair(Language::kKorean, Language::kEnglish));
  // A subject holding braces is shown as it is, not read as a placeholder.
  EXPECT_EQ(MessageTextOf({MessageCode::kOpenError, {1, 2, 3}, "/tmp/{0}{s}.$$$: gone"}, Language::kEnglish),
            "Open Error:/tmp/{0}{s}.$$$: gone");
}

// Val reads an exponent written with E, e, D or d, and stops at any other letter; a source is
// split into the lines of the bytes given, never of what lies behind them.
TEST(Text, ValReadsEveryExponentLetterAndSplitSourceNoBytePastTheEnd) {
  const std::pair<const char*, double> rows[] = {{" 1E2", 100}, {"1e2", 100}, {"-2.5D-1", -0.25}, {"4d+1", 40}, {"12X3", 12}, {"7E", 7}, {"E2", 0}};
  for (const auto& [text, want] : rows) EXPECT_DOUBLE_EQ(Val(Ansi(text)), want) << text;
  EXPECT_EQ(SplitSource(std::string_view("A\n\n", 2)).lines, std::vector<AnsiText>{u"A"});
  EXPECT_TRUE(SplitSource(std::string_view("\n", 0)).lines.empty());
  EXPECT_EQ(SplitSource("\xEF\xBB\xBFX\r\nY\rZ").lines, (std::vector<AnsiText>{u"X", u"Y", u"Z"}));
}

}  // namespace
}  // namespace vn::core
