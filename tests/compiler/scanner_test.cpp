// Tokens and constants.
#include <gtest/gtest.h>
#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {
void Scan(Compiler& c, const std::string& line) {
  c.SrcLine = DecodeAnsi(line);
  c.ScanPos = 1;
  c.ScanEnd = static_cast<int>(c.SrcLine.size()) + 1;
}

std::vector<std::string> Tokens(Compiler& c, const std::string& line) {
  Scan(c, line);
  std::vector<std::string> out;
  for (c.NextToken(); !c.Token.empty(); c.NextToken()) out.push_back(EncodeAnsi(c.Token));
  return out;
}
TEST(Scanner, Tokens) {
  const std::tuple<const char*, const char*, std::vector<std::string>> cases[] = {  // device, line, tokens
      {"KF", "A<>B", {"A", "<>", "B"}}, {"KF", "A=>B", {"A", ">=", "B"}}, {"KF", "A><B", {"A", "<>", "B"}}, {"KF", "A=<B", {"A", "<=", "B"}},
      {"KF", "a << 2 >> b", {"A", "<<", "2", ">>", "B"}}, {"KF", "X.Y", {"X", ".", "Y"}}, {"WF", "X.Y", {"X.Y"}}, {"WF", "1.5+2", {"1.5", "+", "2"}},
      {"KF", "\tfoo  (bar),\"x\":'c'", {"FOO", "(", "BAR", ")", ",", "\"", "X", "\"", ":", "'", "C", "'"}},
      {"KF", "[a]{b}-/*^~;", {"[", "A", "]", "{", "B", "}", "-", "/", "*", "^", "~", ";"}}, {"KF", "A = <", {"A", "=", "<"}},
      {"KF", "\xBD\xC3\xC0\xDB:", {"\xBD\xC3\xC0\xDB", ":"}},
  };
  for (const auto& [device, line, tokens] : cases) EXPECT_EQ(Tokens(*MakeCompiler(device), line), tokens) << line;
}

Bytes Encoded(Compiler& c, const std::string& line) {
  Scan(c, line);
  c.NextToken();
  if (c.EncodeConstant(c.Token) != 0) return {-1};
  return Bytes(c.PendBuf.begin(), c.PendBuf.begin() + c.PendLen);
}

// A value has 32 bits: hexadecimal, octal and binary numbers are patterns up to 2^32 - 1 (leading zeros free),
// decimals go up to 2^31 - 1, with a minus sign every base down to -2^31; beyond is refused, never wrapped.
TEST(Scanner, ConstantEncodings) {
  const Bytes refused = {-1};
  const Bytes max_positive = {25, 0xFF, 0xFF, 0xFF, 0x7F};  // 2^31 - 1
  const Bytes min_negative = {25, 0x00, 0x00, 0x00, 0x80};  // -2^31, the pattern 2^31
  const Bytes all_ones = {25, 0xFF, 0xFF, 0xFF, 0xFF};      // the pattern 2^32 - 1, that is -1
  const std::string ones32(32, '1');
  const std::tuple<const char*, std::string, Bytes> cases[] = {  // device, text, encoding
      {"KF", "0", {16}}, {"KF", "1", {17}}, {"KF", "2", {18, 2}}, {"KF", "255", {18, 255}}, {"KF", "256", {19, 0, 1}},
      {"KF", "65535", {19, 255, 255}}, {"KF", "65536", {25, 0, 0, 1, 0}}, {"KF", "-1", {25, 255, 255, 255, 255}},
      {"KF", "- 300", {25, 0xD4, 0xFE, 0xFF, 0xFF}}, {"KF", "&O17", {18, 15}}, {"KF", "&B101", {18, 5}}, {"KF", "&B1X1", {18, 7}},
      {"KF", "012", {16}}, {"KF", "12AB", {18, 12}}, {"KF", "1E3", {19, 0xE8, 3}}, {"KF", "'A'", {18, 65}}, {"KF", "\"A\"", {18, 65}},
      {"WF", "1.5", {14, 0, 0, 192, 63}}, {"WF", "0.", {14, 0, 0, 0, 0}}, {"WF", "-1.5", {14, 0, 0, 192, 191}},
      {"WF", "0.1", {14, 0xCC, 0xCC, 0xCC, 0x3D}},  // 0.1 truncated: 0x3DCCCCCC, where rounding would give 0x3DCCCCCD.
      {"WF", "\"AB\"", {24, 65, 66, 0}}, {"WF", "\"\"", {24, 0}}, {"KF", "FOO", refused}, {"KF", "&H", refused},
      {"KF", "&B", refused},  // a binary prefix without digits: never an error without a text
      {"KF", "2147483647", max_positive}, {"KF", "&H7FFFFFFF", max_positive}, {"KF", "2147483648", refused}, {"KF", "&H80000000", min_negative},
      {"KF", "4294967295", refused}, {"KF", "&HFFFFFFFF", all_ones}, {"KF", "&hffffffff", all_ones}, {"KF", "&H100000000", refused},
      {"KF", "&B1" + std::string(32, '0'), refused}, {"KF", "-2147483648", min_negative}, {"KF", "-&H80000000", min_negative},
      {"KF", "-2147483649", refused}, {"KF", "-&H80000001", refused},
      // Negating a pattern with its top bit set negates the number as written, so it is out of range; it never wraps round to a small positive value.
      {"KF", "-&HFFFFFFFF", refused}, {"KF", "&H000000000000FF", {18, 255}},  // Leading zeros are free in every base; digits past 32 bits are not.
      {"KF", "&B" + std::string(40, '0') + ones32, all_ones}, {"KF", "&H" + std::string(100000, 'F'), refused},
      {"KF", "&B" + std::string(100000, '1'), refused},
      {"KF", "-&H1", {25, 0xFF, 0xFF, 0xFF, 0xFF}},  // A negative number under 2^31 in magnitude keeps the 32-bit form in every base.
  };
  for (const auto& [device, text, bytes] : cases) {
    auto c = MakeCompiler(device);
    EXPECT_EQ(Encoded(*c, text), bytes) << text.substr(0, 40);
    EXPECT_TRUE(bytes != refused || c->ErrMsgEn + c->ErrMsgKo == std::string(kInvalidConstant.en) + kInvalidConstant.ko) << c->ErrMsgEn;
  }
  auto c = MakeCompiler("KF");
  EXPECT_EQ(Encoded(*c, "'AB"), refused);
  EXPECT_EQ(c->ErrMsgEn + "|" + c->ErrMsgKo, "Invalid Chractor Constant value !|문법에러: 잘못된 인수표현입니다.");
  EXPECT_EQ(Compile("KF", {"DIM A AS BYTE", "A = &B"})->Outcome.message.en, kInvalidConstant.en);
}
TEST(Scanner, ThirtyTwoBitValuesInPrograms) {
  // Assignments, named constants and a LONG constant array hold the numbers' 32-bit values.
  ExpectRow(ByteRow{"WF", "CONST K = -2147483648|CONST H = &HFFFFFFFF|DIM L AS LONG|L = -2147483648|L = K|L = H|"
                          "CONST LONG Q = (&HFFFFFFFF, -2147483648, &H80000000)",
                    {145, 26, 0, 0, 25, 0, 0, 0, 128, 0,         // L = -2147483648
                     145, 26, 0, 0, 25, 0, 0, 0, 128, 0,         // L = K
                     145, 26, 0, 0, 25, 255, 255, 255, 255, 0,   // L = H
                     136, 69, 0,                                 // over the array's data
                     255, 255, 255, 255, 0, 0, 0, 128, 0, 0, 0, 128}});
  // Out of range, and on the line of its use for a named constant.
  for (const char* src : {"DIM L AS LONG|L = 2147483648", "DIM L AS LONG|L = -&H80000001", "CONST K = &H100000000|DIM L AS LONG|L = K",
                          "CONST K = -2147483648|DIM L AS LONG|L = -K", "CONST LONG Q = (1, -2147483649)"})
    ExpectRow(ErrorRow{"WF", src, kInvalidConstant});
}
TEST(Scanner, SingleTruncatesBitByBitAndNamedConstantsAreReadAtEachUse) {
  for (auto [x, bits] : {std::pair<double, std::uint32_t>{1.0, 0x3F800000}, {1.5, 0x3FC00000}, {-1.5, 0xBFC00000}, {0.1, 0x3DCCCCCC},
                         {3.14159, 0x40490FCF}, {1e-40, 0}, {0.0, 0}})
    EXPECT_EQ(EncodeSingle(x), bits) << x;
  EXPECT_EQ(EncodeSingle(1e39), std::nullopt);
  // Scalars substitute their text; a negative text and a negated name both work.
  auto c = Ok("KF", "CONST K = 300|CONST M = -5|CONST Q = \"A\"|DIM A AS INTEGER|A = K|A = M|A = -K|A = Q");
  EXPECT_EQ(ProgramBytes(*c),
            Bytes({145, 22, 160, 19, 44, 1, 0,                // A = K
                   145, 22, 160, 25, 251, 255, 255, 255, 0,  // A = M
                   145, 22, 160, 25, 0xD4, 0xFE, 255, 255, 0,  // A = -K
                   145, 22, 160, 18, 65, 0}));               // A = Q, the code of its character
  EXPECT_EQ(std::pair(c->Consts[1].ConstText, c->Consts[2].ConstText), std::pair(std::u16string(u"-5"), std::u16string(u"\"A\"")));
}
TEST(Scanner, ConstValueKeepsThePendingOperandAndThePortOperandCheck) {
  auto c = MakeCompiler("KF");
  c->PendLen = 2;
  c->PendBuf[1] = 160;
  Scan(*c, "");
  EXPECT_EQ(c->ConstValue(u"&H1234"), 0x1234);
  EXPECT_EQ(c->ConstValue(u"X"), -1);
  EXPECT_EQ(c->ConstValueOpt(u"X"), std::nullopt);
  EXPECT_EQ(c->ConstValue(u"65536"), 65536);
  EXPECT_EQ(std::pair(c->PendLen, int{c->PendBuf[1]}), std::pair(2, 160));
  const std::pair<Bytes, std::string> cases[] = {  // the operand, and the message ("" when it is accepted)
      {{}, "Invalid Parameter ! "}, {{18, 64}, ""}, {{18, 65}, "Out of I/O port number"}, {{19, 0, 1}, "Use only Byte type"},
      {{22, 160}, "Use only Byte type"}, {{21, 160}, ""}, {{25, 255, 255, 255, 255}, "Out of I/O port number"}, {{26, 160}, "Use only Byte type"},
      {{14, 0, 0, 192, 63}, "Use only Byte type"}, {{30, 27, 0, 16}, "Use only Byte type"}, {{29, 27, 0, 16}, ""}, {{28, 160, 170}, ""},
      {{27, 160, 1}, ""},
  };
  for (const auto& [operand, en] : cases) {
    c = MakeCompiler("KF");
    c->PendLen = static_cast<int>(operand.size());
    for (size_t i = 0; i < operand.size(); ++i) c->PendBuf[i] = static_cast<std::uint8_t>(operand[i]);
    EXPECT_EQ(c->CheckPortOperand(), en.empty() ? 0 : -1) << en;
    EXPECT_EQ(c->ErrMsgEn, en);
  }
}
}  // namespace
}  // namespace vn::compiler::testing
