// Code page conversions.
#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace vn::platform {
namespace {

TEST(CodePage, Utf8Validation) {
  struct Case {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"plain ASCII", true},
      {"\xEA\xB0\x80", true},          // 가
      {"\xF0\x9F\x98\x80", true},      // an emoji
      {"\xB0\xA1", false},             // 가 in code page 949
      {"\xC0\xAF", false},             // overlong '/'
      {"\xED\xA0\x80", false},         // a surrogate
      {"\xEA\xB0", false},             // cut short
      {"\xF4\x90\x80\x80", false},     // beyond U+10FFFF
  };
  for (const auto& k : cases) EXPECT_EQ(IsValidUtf8(k.bytes), k.valid) << k.bytes;
}

TEST(CodePage, KoreanBothWaysAndJohab) {
  CodePage cp;
  // 가 and 힝, the first and the last syllable of the KS X 1001 set.
  EXPECT_EQ(cp.Utf8ToCp949("A\xEA\xB0\x80\xED\x9E\x9D"), std::string("A\xB0\xA1\xC8\xFE"));
  EXPECT_EQ(cp.Cp949ToUtf8("A\xB0\xA1\xC8\xFE"), "A\xEA\xB0\x80\xED\x9E\x9D");
  // 힣 lies in the extended part of code page 949.
  EXPECT_EQ(cp.Utf8ToCp949("\xED\x9E\xA3"), std::string("\xC6\x52"));
  EXPECT_EQ(cp.Utf8ToCp949("\xF0\x9F\x98\x80"), std::nullopt);
  // A byte that is no code page 949 character does not lose the rest of the text.
  EXPECT_EQ(cp.Cp949ToUtf8("A\xFF" "B"), "A\xEF\xBF\xBD" "B");
  // Johab packs initial, medial and final sound into 5 bits each behind a set top bit.
  EXPECT_EQ(cp.Cp949CharToJohab(0xB0A1), 0x8861);  // 가: 1 00010 00011 00001
  EXPECT_EQ(cp.Cp949CharToJohab(0xC8FE), 0xD3B7);  // 힝: 1 10100 11101 10111
  // A character of the extended code page 949 set still has a Johab form.
  EXPECT_EQ(cp.Cp949CharToJohab(0x8141), 0x8863);  // 갂
}

}  // namespace
}  // namespace vn::platform
