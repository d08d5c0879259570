// The message table's rows as a whole: every code has a row of its own with both languages, a
// title and a box style (or none, for a line inside a window); both languages show the same
// data; which rows keep the language the program started in. The exact texts are checked where
// each message is produced (identification, download, flash, object files, port setup, debugger).
#include "core/message_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vn::core {
namespace {

TEST(MessageTable, EveryCodeHasItsOwnCompleteRowAndBothLanguagesShowTheSameData) {
  std::set<MessageCode> startup_language;
  for (std::size_t k = 0; k < kMessageCodeCount; ++k) {
    SCOPED_TRACE(k);
    const auto code = static_cast<MessageCode>(k);
    const MessageRow& row = RowOf(code);
    EXPECT_EQ(row.code, code);
    ASSERT_TRUE(row.en != nullptr && row.ko != nullptr && row.title != nullptr);
    EXPECT_NE(std::string(row.en), "");
    EXPECT_NE(std::string(row.ko), "");
    // Every box has a title; a line shown inside a window has none.
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
    EXPECT_EQ(en.find('{'), std::string::npos) << en;
    EXPECT_EQ(ko.find('{'), std::string::npos) << ko;
  }
  // Module not found, and the no-compile message from the menus and from the debugger's timer,
  // which say the same under their different titles.
  EXPECT_EQ(startup_language, (std::set<MessageCode>{MessageCode::kModuleNotFound, MessageCode::kNoCompileInfo,
                                                     MessageCode::kNoCompileInfoDebug}));
  EXPECT_EQ(std::string(RowOf(MessageCode::kNoCompileInfo).en), RowOf(MessageCode::kNoCompileInfoDebug).en);
  EXPECT_EQ(std::string(RowOf(MessageCode::kNoCompileInfo).ko), RowOf(MessageCode::kNoCompileInfoDebug).ko);
  // A code outside the table reads no row past its end.
  EXPECT_EQ(RowOf(static_cast<MessageCode>(kMessageCodeCount + 40)).code, MessageCode::kModuleNotFound);
  EXPECT_EQ(LanguageOf(true), Language::kKorean);
  EXPECT_EQ(LanguageOf(false), Language::kEnglish);
}

TEST(MessageTable, DataIsFilledInHexadecimalDecimalAndAsGiven) {
  EXPECT_EQ(MessageTextOf({MessageCode::kEchoMismatch, {0x7D01, 0xF2, 0x0A}}, Language::kEnglish),
            "Verify ERROR at Address : 7D01   PC:F2  VARNOLIC:A");
  EXPECT_EQ(MessageTextOf({MessageCode::kValueOutOfRange, {-2147483648LL, 2147483647LL, 0}, "L"}, Language::kKorean),
            "값의 범위를 벗어났습니다. L : -2147483648 .. 2147483647");
  // A subject holding braces is shown as it is, not read as a placeholder.
  EXPECT_EQ(MessageTextOf({MessageCode::kOpenError, {1, 2, 3}, "/tmp/{0}{s}.$$$: gone"}, Language::kEnglish),
            "Open Error:/tmp/{0}{s}.$$$: gone");
  EXPECT_EQ(Render({MessageCode::kPortRefused, {0xCF7, 0, 0}}, Language::kEnglish),
            (RenderedMessage{"Printer port address &HCF7 refused: no ppdev device (/dev/parportN) serves it, "
                             "and direct port access is only allowed at &H378, &H278 and &H3BC",
                             "VARNOLIC Studio", 16}));
  for (const Language language : {Language::kEnglish, Language::kKorean}) {
    EXPECT_EQ(MessageTextOf({MessageCode::kMainFirmware, {255, 0, 0}}, language), "Main F/W is 255");
    EXPECT_EQ(MessageTextOf({MessageCode::kMathFirmware, {7, 0, 0}}, language), "Math Chip F/W is 7");
    EXPECT_EQ(MessageTextOf({MessageCode::kFirmwareNotFound}, language), "Firmware Not Found !");
    EXPECT_EQ(Render({MessageCode::kFirmwareVersion, {41, 0, 0}}, language), (RenderedMessage{"F/W Version is 41", "", kStyleLine}));
  }
}

}  // namespace
}  // namespace vn::core
