// Code page conversions.
#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace vn::platform {
namespace {

TEST(CodePage, Utf8Validation) {
  // Plain text, 가, an emoji; 가 in code page 949, overlong '/', a surrogate, cut short, past U+10FFFF.
  const std::pair<std::string, bool> cases[] = {
      {"plain ASCII", true}, {"\xEA\xB0\x80", true}, {"\xF0\x9F\x98\x80", true}, {"\xB0\xA1", false},
      {"\xC0\xAF", false},   {"\xED\xA0\x80", false}, {"\xEA\xB0", false},       {"\xF4\x90\x80\x80", false}};
  for (const auto& [bytes, valid] : cases) EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
}

TEST(CodePage, KoreanBothWaysAndJohab) {
  CodePage cp;
  // 가 and 힝, the first and the last syllable of the KS X 1001 set; 힣 in the extended part.
  EXPECT_EQ(cp.Utf8ToCp949("A\xEA\xB0\x80\xED\x9E\x9D"), std::string("A\xB0\xA1\xC8\xFE"));
  EXPECT_EQ(cp.Cp949ToUtf8("A\xB0\xA1\xC8\xFE"), "A\xEA\xB0\x80\xED\x9E\x9D");
  EXPECT_EQ(cp.Utf8ToCp949("\xED\x9E\xA3"), std::string("\xC6\x52"));
  EXPECT_EQ(cp.Utf8ToCp949("\xF0\x9F\x98\x80"), std::nullopt);
  EXPECT_EQ(cp.Cp949ToUtf8("A\xFF" "B"), "A\xEF\xBF\xBD" "B");  // a bad byte does not lose the rest
  // Johab: 5 bits each of initial, medial and final sound behind a set top bit (가, 힝, extended 갂).
  EXPECT_EQ(std::vector({cp.Cp949CharToJohab(0xB0A1), cp.Cp949CharToJohab(0xC8FE), cp.Cp949CharToJohab(0x8141)}),
            (std::vector<std::optional<std::uint16_t>>{0x8861, 0xD3B7, 0x8863}));
}

}  // namespace
}  // namespace vn::platform
