// The message table's rows as a whole: every code has a row of its own with both languages, a
// title and a box style; both languages show the same data; the rows that repeat an entry of
// the program-wide table agree with it. The exact texts are checked where each message is
// produced (identification, download, flash, object files, port setup, debugger).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/message_table.h"
#include "core/messages.h"

namespace vn::core {
namespace {

MessageCode CodeAt(std::size_t k) { return static_cast<MessageCode>(k); }

// Data that cannot occur in any text by accident.
Message Marked(MessageCode code) { return {code, {0xA1B2C3, 0xD4E5F6, 0x778899}, "@subject@"}; }

// Which of Marked's data items a rendered text shows.
std::set<std::string> DataShown(const std::string& text) {
  std::set<std::string> shown;
  for (const char* item : {"A1B2C3", "D4E5F6", "778899", "10597059", "13952502", "7833753", "@subject@"})
    if (text.find(item) != std::string::npos) shown.insert(item);
  return shown;
}

TEST(MessageTable, EveryCodeHasItsOwnCompleteRow) {
  for (std::size_t k = 0; k < kMessageCodeCount; ++k) {
    SCOPED_TRACE(k);
    const MessageRow& row = RowOf(CodeAt(k));
    EXPECT_EQ(row.code, CodeAt(k));
    ASSERT_NE(row.en, nullptr);
    ASSERT_NE(row.ko, nullptr);
    ASSERT_NE(row.title, nullptr);
    EXPECT_NE(std::string(row.en), "");
    EXPECT_NE(std::string(row.ko), "");
    EXPECT_NE(std::string(row.title), "");
    EXPECT_TRUE(row.style == kStylePlain || row.style == kStyleCritical || row.style == kStyleInformation ||
                row.style == kStyleYesNoCancelWarning)
        << row.style;
  }
}

TEST(MessageTable, BothLanguagesShowTheSameDataAndNoPlaceholderIsLeft) {
  for (std::size_t k = 0; k < kMessageCodeCount; ++k) {
    SCOPED_TRACE(k);
    const Message m = Marked(CodeAt(k));
    const std::string en = MessageTextOf(m, Language::kEnglish);
    const std::string ko = MessageTextOf(m, Language::kKorean);
    EXPECT_EQ(DataShown(en), DataShown(ko)) << en << " / " << ko;
    EXPECT_EQ(en.find('{'), std::string::npos) << en;
    EXPECT_EQ(ko.find('{'), std::string::npos) << ko;
  }
}

TEST(MessageTable, RowsFromTheProgramTableRepeatItsEntry) {
  int rows_with_entry = 0;
  for (std::size_t k = 0; k < kMessageCodeCount; ++k) {
    const MessageRow& row = RowOf(CodeAt(k));
    if (row.startup_entry == 0) continue;
    SCOPED_TRACE(k);
    ++rows_with_entry;
    ASSERT_GT(row.startup_entry, 0);
    ASSERT_LT(static_cast<std::size_t>(row.startup_entry), std::size(kMsgTable));
    EXPECT_EQ(std::string(row.en), kMsgTable[row.startup_entry].en);
    EXPECT_EQ(std::string(row.ko), kMsgTable[row.startup_entry].ko);
  }
  // Module not found, and the no-compile message from the menus and from the debugger's timer.
  EXPECT_EQ(rows_with_entry, 3);
}

TEST(MessageTable, DataIsFilledInHexadecimalDecimalAndAsGiven) {
  EXPECT_EQ(MessageTextOf({MessageCode::kEchoMismatch, {0x7D01, 0xF2, 0x0A}}, Language::kEnglish),
            "Verify ERROR at Address : 7D01   PC:F2  VARNOLIC:A");
  EXPECT_EQ(MessageTextOf({MessageCode::kValueOutOfRange, {-2147483648LL, 2147483647LL, 0}, "L"}, Language::kKorean),
            "값의 범위를 벗어났습니다. L : -2147483648 .. 2147483647");
  // A subject holding braces is shown as it is, not read as a placeholder.
  EXPECT_EQ(MessageTextOf({MessageCode::kOpenError, {1, 2, 3}, "/tmp/{0}{s}.$$$: gone"}, Language::kEnglish),
            "Open Error:/tmp/{0}{s}.$$$: gone");
  const RenderedMessage port = Render({MessageCode::kPortRefused, {0xCF7, 0, 0}}, Language::kEnglish);
  EXPECT_EQ(port, (RenderedMessage{"Printer port address &HCF7 refused: no ppdev device (/dev/parportN) serves it, "
                                   "and direct port access is only allowed at &H378, &H278 and &H3BC",
                                   "VARNOLIC Studio", 16}));
}

TEST(MessageTable, ACodeOutsideTheTableReadsNoRowPastItsEnd) {
  const MessageRow& row = RowOf(static_cast<MessageCode>(kMessageCodeCount + 40));
  EXPECT_EQ(row.code, MessageCode::kModuleNotFound);
}

TEST(MessageTable, LanguageOfTheKoreanSwitch) {
  EXPECT_EQ(LanguageOf(true), Language::kKorean);
  EXPECT_EQ(LanguageOf(false), Language::kEnglish);
}

}  // namespace
}  // namespace vn::core
