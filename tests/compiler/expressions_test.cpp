// Operands, the assignment with its operator ordering, the built-in functions, and nesting.
#include <gtest/gtest.h>
#include <functional>
#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {
// The declarations before each statement: on KF, A(10) at 160, I at 170, W at 171, B at 173;
// on WF, A at 0, AR(5) at 1, W at 6, L at 8, S at 12, IA(3) at 16.
std::string Declared(const char* device, const std::string& statement) {
  return (device[0] == 'K' ? "DIM A(10) AS BYTE, I AS BYTE, W AS INTEGER, B AS BYTE|"
                           : "DIM A AS BYTE, AR(5) AS BYTE, W AS INTEGER, L AS LONG, S AS SINGLE, IA(3) AS INTEGER|") +
         statement;
}

const ByteRow kRows[] = {
    {"KF", "I = A(3)", {145, 21, 170, 21, 163, 0}},  // Array elements: a constant index is folded on the VN series.
    {"KF", "I = A(0)", {145, 21, 170, 21, 160, 0}}, {"KF", "I = A(I)", {145, 21, 170, 28, 160, 170, 0}},
    {"KF", "A(I) = 5", {145, 28, 160, 170, 18, 5, 0}}, {"WF", "A = AR(A)", {145, 21, 0, 0, 8, 1, 0, 21, 0, 0, 0}},
    {"WF", "A = IA(300)", {145, 21, 0, 0, 9, 16, 0, 19, 44, 1, 0}}, {"KF", "I = B.3", {145, 21, 170, 27, 173, 8, 0}},  // Byte and bit specifiers.
    {"KF", "I = W.11", {145, 21, 170, 27, 172, 8, 0}}, {"KF", "I = W.H", {145, 21, 170, 21, 172, 0}},
    {"KF", "I = A(2).7", {145, 21, 170, 27, 162, 128, 0}}, {"KF", "B.0 = 1", {145, 27, 173, 1, 17, 0}},
    {"WF", "A = L:HH", {145, 21, 0, 0, 21, 11, 0, 0}}, {"WF", "A = L:31", {145, 21, 0, 0, 27, 11, 0, 128, 0}},
    {"WF", "A = IA(2):9", {145, 21, 0, 0, 27, 17, 0, 2, 0}},
    {"WF", "S = 1.5", {145, 15, 12, 0, 14, 0, 0, 192, 63, 0}},  // Plain copies of every operand kind.
    {"WF", "L = -1", {145, 26, 8, 0, 25, 255, 255, 255, 255, 0}}, {"KF", "W = 1000", {145, 22, 171, 19, 232, 3, 0}},
    // B + C * D: the product first, then the sum with the product on its right.
    {"KF", "I = B + I * W", {145, 21, 170, 21, 170, 35, 22, 171, 21, 173, 33, 23, 23, 0}},
    {"KF", "I = B * I + W", {145, 21, 170, 21, 173, 35, 21, 170, 23, 33, 22, 171, 23, 0}},  // the product, then the result plus D
    {"KF", "I = (B + I) * W", {145, 21, 170, 21, 173, 33, 21, 170, 23, 35, 22, 171, 23, 0}},  // the parenthesised sum first
    {"KF", "I = B - 1 - 2", {145, 21, 170, 21, 173, 34, 17, 23, 34, 18, 2, 23, 0}},  // equal priorities run left to right
    {"KF", "I = B MOD 3 AND 1", {145, 21, 170, 21, 173, 38, 18, 3, 23, 39, 17, 23, 0}},
    {"KF", "I = B << 2 >> 1 XOR 3 OR 1", {145, 21, 170, 21, 173, 44, 18, 2, 23, 45, 17, 23, 42, 18, 3, 23, 40, 17, 23, 0}},
    {"KF", "I = B / -2", {145, 21, 170, 21, 173, 36, 25, 254, 255, 255, 255, 23, 0}},
    {"KF", "I = B  : I = 1", {145, 21, 170, 21, 173, 0, 145, 21, 170, 17, 0}},  // After two blanks a colon separates statements.
    {"KF", "I = ((B)", {145, 21, 170, 21, 173, 0}},  // Extra or missing parentheses are not errors.
};
const Text kArrayIndex{"Syntax Error in Array index", "배열의 인수로 사용할 수 없는 변수형입니다."};
const Text kBitSetting{"Invalid BIT setting !", "문법에러 : 비트지정자를 사용할 수 없는 영역입니다."};
const Text kBitType{"Syntax Error in Bit type"};
const ErrorRow kErrors[] = {
    {"KF", "I = A(10)", {"Out of Array !", "배열의 한계를 초과하였습니다."}}, {"KF", "I = A(3", {"Syntax Error in Array syntax", "문법에러: 배열표현에서 괄호를 찾을 수 없습니다."}},
    {"KF", "I = A(Q)", {"Syntax Error in Array syntax", "문법에러: 배열에서의 인수표현이 잘못되었습니다."}}, {"KF", "I = A(300)", kArrayIndex},
    {"KF", "I = A(A(I))", kArrayIndex}, {"KF", "I = A(-1)", kArrayIndex},  // A negative index would lose the array reference: refused.
    {"KF", "I = B.32", kBitSetting}, {"KF", "I = B : I = 1", kBitSetting},  // One blank before the colon: read as a bit specifier.
    {"KF", "I = A(I).1", kBitType}, {"WF", "A = S:1", kBitType}, {"KF", "I 5", {"Syntax Error ! Not Found \"=\""}},
    {"KF", "I = B C", English("Missing operand !")}, {"KF", "I = Q", kInvalidConstant},
    {"KF", "I = B + I * W - A(1)", kTooComplex},  // the difference is not next to the sum
    {"KF", "I = B" + Repeat(" + 1", 31), kTooComplex},
    {"KF", "I = B" + Repeat(" + 1", 100), kTooComplex},  // far past the operand stack, never written past
    {"KF", "I = I(1)", English("Missing operand !")},  // The parentheses are passed over; the index is then an operand without an operator.
};
TEST(Expressions, ExactBytesAndMessages) {
  for (const auto& r : kRows) ExpectRow(ByteRow{r.device, Declared(r.device, r.source), r.bytes});
  for (const auto& r : kErrors) ExpectRow(ErrorRow{r.device, Declared(r.device, r.source), r.text});
  Ok("KF", Declared("KF", "I = B" + Repeat(" + 1", 30)));
}

// The functions' declarations: KF: A at 160, I at 161, W at 162.  WF: F(300) as a filler, then
// B at 300, S (SINGLE) at 301, ST (STRING * 10) at 305, L (LONG) at 317, W (INTEGER) at 321.
std::string Call(const char* device, const std::string& call) {
  return (device[0] == 'K' ? "DIM A AS BYTE, I AS BYTE, W AS INTEGER|A = "
                           : "DIM F(300) AS BYTE, B AS BYTE, S AS SINGLE, ST AS STRING * 10|DIM L AS LONG, W AS INTEGER|B = ") +
         call;
}

const Text kVnFunction{"Can not use this function at VN-XX device", "VN시리즈에서는 이 함수를 사용할 수 없습니다."};
const Text kFnParen{"Syntax Error ! Not Found '(' or ')'", kNoParen};
const ErrorRow kCallErrors[] = {
    {"KF", "SIN(1.5)", kVnFunction}, {"KF", "TIME(1)", kDeviceVn},
    {"WF", "KEYDELAY(KEYIN(1), 1, 2, 3)", {"Can not use this function at VNM-XX device"}},
    {"KF", "LEN", kVnFunction},  // The device is refused before the parenthesis is looked at.
    {"KF", "RND(1)", kFnParen}, {"KF", "IN(70)", kPortRange}, {"KF", "IN(W)", kByteOnly},
    {"KF", "KEYIN(1, A)", {"Syntax Error on Dechattering Value !"}}, {"KF", "KEYIN(1, 101)", {"Syntax Error on Dechattering Value ! (Only 1 ~ 100)"}},
    {"KF", "EEREAD(1, 2)", {"Syntax Error ! Example I=EEREAD(&100,2)", kNoParen}},
    {"KF", "TABLE(W, 1)", {"Type mismatch Must use BYTE type Variable"}},
    {"KF", "COUNT(2)", {"Syntax Error on Parameter !", "문법에러 : COUNT의 인수는 0또는 1만 사용가능합니다."}},
    {"KF", "SHIFTIN(1, 2, 4)", {"Syntax Error on Mode value (Only 0~3)!"}},
    {"KF", "SHIFTIN(1, 2, 3, 33)", {"Syntax Error on BIT value (Only 0~32)!"}}, {"KF", "EPADIN(A, 1)", {"Syntax Error on PortBlock Number ! "}},
    {"KF", "KEYDELAY(KEYIN(1), A, 1, 1)", {"Syntax Error on Parameter !", "문법에러 : 키입력상태값이 잘못되었습니다. 0 또는 1을 사용해야 합니다."}},
    {"KF", "CAPTURE(1, 2)", {"Syntax Error on Target Value ! "}},
    {"WF", "LEFT(B, 1)", {"Type mismatch !", "문법에러 : 문자열 변수를 사용해야 합니다."}}, {"WF", "LEFT(ST, 0)", {"Invalid Parameter ! "}},
    {"WF", "HEX(B, 9)", {"HEX command Width rength is 1 ~ 8 "}}, {"WF", "DEC(B, 0)", {"DEC command Width rength is 1 ~ 10 "}},
    {"WF", "HEX(B, 4, 2)", {"Invalid operand !  Zero print switch must be 0 or 1 !"}}, {"WF", "SIN(B)", {"Type mismatch ! Use SINGLE type"}},
    {"WF", "CSNG(S)", {"Type mismatch ! Use BYTE, INTEGER or LONG type"}}, {"WF", "FLOAT(S, 0)", English("No Defined Variable or Wrong Constant !")},
};
// The call's bytes, between the assignment's target and its closing 0.
const ByteRow kCalls[] = {
    {"KF", "KEYIN(3)", {193, 18, 3, 20}}, {"KF", "KEYIN(3, 100)", {193, 18, 3, 100}}, {"KF", "EEREAD(W)", {196, 22, 162}},
    {"WF", "EEREAD(W)", {196, 22, 65, 1, 17}}, {"WF", "EEREAD(&H100, 2)", {196, 19, 0, 1, 18, 2}}, {"KF", "RND()", {198}},
    {"KF", "TABLE(I, 10, 300)", {199, 2, 21, 161, 10, 0, 44, 1}}, {"WF", "TABLE(W, -1)", {199, 1, 22, 65, 1, 255, 255}},
    {"KF", "SHIFTIN(1, 2, 3)", {203, 17, 18, 2, 3, 8}}, {"KF", "SHIFTIN(1, 2, 0, 32)", {203, 17, 18, 2, 0, 32}}, {"KF", "EPADIN(1, 2)", {205, 1, 2}},
    {"KF", "KEYDELAY(KEYIN(3), 1, 10, 20)", {205, 193, 18, 3, 20, 1, 10, 20}}, {"KF", "CAPTURE(6, 1)", {206, 18, 6, 1}},
    {"WF", "TIME(B)", {207, 21, 44, 1}}, {"KF", "BCD(A)", {208, 21, 160}}, {"WF", "LEFT(ST, 3)", {209, 20, 49, 1, 18, 3}},
    {"WF", "RIGHT(ST, B)", {210, 20, 49, 1, 21, 44, 1}}, {"WF", "MID(ST, 2, 3)", {211, 20, 49, 1, 18, 2, 18, 3}},
    {"WF", "HEX(B)", {212, 21, 44, 1, 4, 1}}, {"KF", "HEX(A, 2, 0)", {25, 21, 160, 2, 0}}, {"KF", "DEC(A)", {26, 21, 160, 5, 1}},
    {"WF", "DEC(B, 10)", {213, 21, 44, 1, 10, 1}}, {"WF", "CHR(65)", {216, 18, 65}}, {"WF", "CINT(1.5)", {224, 14, 0, 0, 192, 63}},
    {"WF", "CSNG(L)", {225, 26, 61, 1}}, {"WF", "SQR(B)", {232, 21, 44, 1}}, {"WF", "FLOAT(S)", {233, 15, 45, 1, 18, 9, 18, 6}},
    {"WF", "FLOAT(S, 12, 3)", {233, 15, 45, 1, 18, 12, 18, 3}}, {"WF", "POW(S, 2)", {235, 15, 45, 1, 18, 2}}, {"WF", "BLEN()", {236}},
};
TEST(Functions, ExactBytesAndMessages) {
  std::vector<ByteRow> rows(std::begin(kCalls), std::end(kCalls));
  // Functions of one SINGLE (S at 301) or one STRING (ST at 305): the opcode, then the variable.
  using Op = std::pair<std::string, int>;
  for (auto [name, op] : {Op{"SIN", 226}, {"COS", 227}, {"ABS", 228}, {"EXP", 229}, {"LOG", 230}, {"LOG10", 231}, {"CINT", 224}, {"CLNG", 224}})
    rows.push_back({"WF", name + "(S)", {op, 15, 45, 1}});
  for (auto [name, op] : {Op{"ASC", 215}, {"LEN", 221}, {"VAL", 222}, {"VALHEX", 223}, {"VALSNG", 234}})
    rows.push_back({"WF", name + "(ST)", {op, 20, 49, 1}});
  // One operand (a port, a channel), or one constant byte.
  for (auto [name, op] : {Op{"IN", 192}, {"ADIN", 194}, {"BYTEIN", 195}, {"OUTSTAT", 197}, {"ADKEYIN", 204}})
    rows.push_back({"KF", name + "(2)", {op, 18, 2}});
  for (auto [name, op] : {Op{"COUNT", 200}, {"PADIN", 201}, {"PEEK", 202}}) rows.push_back({"KF", name + "(1)", {op, 1}});
  for (const auto& r : rows) {
    auto c = Compile(r.device, Lines(Call(r.device, r.source)));
    ASSERT_EQ(c->Outcome.result, 0) << r.source << ": " << c->Outcome.message.en;
    const Bytes all = ProgramBytes(*c);
    const long skip = r.device[0] == 'K' ? 3 : 7 + 4;  // the STRING's initialisation on WF, then 145 and the target
    EXPECT_EQ(Bytes(all.begin() + skip, all.end() - 1), r.bytes) << r.device << " " << r.source;
  }
  ExpectRow(ByteRow{"KF", Call("KF", "IN(1) + 1 * ADIN(2)"), {145, 21, 160, 17, 35, 194, 18, 2, 192, 17, 33, 23, 23, 0}});
  std::string table = "TABLE(I";
  for (int i = 0; i < 127; ++i) table += ", " + std::to_string(i);
  auto c = Ok("KF", Call("KF", table + ")"));
  EXPECT_EQ(std::pair(c->CodeAddr - 3 - 24, static_cast<int>(c->Code.Get(28))), std::pair(3 + 4 + 2 * 127 + 1L, 127));
  ExpectRow(ErrorRow{"KF", Call("KF", table + ", 1)"), {"Too Many Value ! (Up to 127)"}});
  for (const auto& r : kCallErrors) ExpectRow(ErrorRow{r.device, Call(r.device, r.source), r.text});
  // A variable named like a function cannot be read: the name is taken as the call.
  ExpectRow(ErrorRow{"KF", "DIM RND AS BYTE, A AS BYTE|A = RND", kFnParen});
}

// Operands nested inside operands, and parentheses: up to the bound they compile (or fail) as they always have;
// past it the line is "Statement Too Complex", however deep the nesting.
constexpr int kBound = Compiler::kMaxNesting;
Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes RepeatBytes(const Bytes& b, int n) {
  Bytes out;
  for (int i = 0; i < n; ++i) out.insert(out.end(), b.begin(), b.end());
  return out;
}

// One way of nesting: declarations, the statement at a depth, and its bytes at the bound (null: its message).
struct Shape {
  const char* name;
  const char* device;
  std::string declarations;
  std::function<std::string(int depth)> statement;
  std::function<Bytes(int depth)> bytes;  // null: the shape fails at the bound with `en`/`ko`
  std::string en = {}, ko = {};
};

// KF: A(10) at 160, I at 170, B at 171. WF: AR(5) at 0, X at 5, L at 6 (LONG).
// The constant array C (1, 2, 3) comes first: 136 and its slot at 24..26, its data at 27..29.
const std::string kVnDecl = "CONST BYTE C = (1, 2, 3)|DIM A(10) AS BYTE, I AS BYTE, B AS BYTE";
const std::string kVnmDecl = "CONST BYTE C = (1, 2, 3)|DIM AR(5) AS BYTE, X AS BYTE, L AS LONG";
const Bytes kConstArray = {136, 30, 0, 1, 2, 3};

std::vector<Shape> Shapes() {
  return {
      {"array index (VNM)", "WF", kVnmDecl, [](int n) { return "X = " + Repeat("AR(", n) + "1" + Repeat(")", n); },
       [](int n) { return Join({kConstArray, {145, 21, 5, 0}, RepeatBytes({8, 0, 0}, n), {17, 0}}); }},
      // An element with a variable index is no index on the VN series: refused by the third array from the inside, reported by the one around it.
      {"array index (VN)", "KF", kVnDecl, [](int n) { return "I = " + Repeat("A(", n) + "0" + Repeat(")", n); }, nullptr,
       "Syntax Error in Array syntax", "문법에러: 배열에서의 인수표현이 잘못되었습니다."},
      {"constant array index", "KF", kVnDecl, [](int n) { return "I = " + Repeat("C(", n) + "0" + Repeat(")", n); },
       [](int n) { return Join({kConstArray, {145, 21, 170}, RepeatBytes({29, 27, 0}, n), {16, 0}}); }},
      // KEYDELAY takes a function call as its key: n - 1 KEYDELAYs around one KEYIN.
      {"function call", "KF", kVnDecl, [](int n) { return "I = " + Repeat("KEYDELAY(", n - 1) + "KEYIN(1)" + Repeat(", 1, 2, 3)", n - 1); },
       [](int n) { return Join({kConstArray, {145, 21, 170}, RepeatBytes({205}, n - 1), {193, 17, 20}, RepeatBytes({1, 2, 3}, n - 1), {0}}); }},
      {"parentheses", "KF", kVnDecl, [](int n) { return "I = " + Repeat("(", n) + "B" + Repeat(")", n) + " + 1"; },
       [](int) { return Join({kConstArray, {145, 21, 170, 21, 171, 33, 17, 23, 0}}); }},
      // A bit specifier is read as a constant, so a constant array element there is refused.
      {"bit specifier", "KF", kVnDecl, [](int n) { return "I = B." + Repeat("C(", n) + "0" + Repeat(")", n); }, nullptr,
       "Invalid BIT setting !", "문법에러 : 비트지정자를 사용할 수 없는 영역입니다."},
      // A function around arrays and constant arrays taking turns, all inside parentheses.
      {"mixed", "WF", kVnmDecl,
       [](int n) {
         std::string s = "X = " + Repeat("(", kBound) + "BCD(";
         for (int i = 1; i < n; ++i) s += i % 2 != 0 ? "AR(" : "C(";
         return s + "1" + Repeat(")", n) + Repeat(")", kBound) + " * 2";
       },
       [](int n) {
         Bytes b = Join({kConstArray, {145, 21, 5, 0, 208}});
         for (int i = 1; i < n; ++i) b = Join({b, i % 2 != 0 ? Bytes{8, 0, 0} : Bytes{29, 27, 0}});
         return Join({b, {17, 35, 18, 2, 23, 0}});
       }},
  };
}

TEST(Nesting, UpToTheBoundAsBeforePastItTooComplexInEveryStatement) {
  for (const auto& s : Shapes()) {
    for (int depth : {4, kBound, kBound + 1, kBound + 2, 100000}) {  // past the bound: as deep as no stack holds
      SCOPED_TRACE(std::string(s.name) + " " + std::to_string(depth));
      auto c = Compile(s.device, Lines(s.declarations + "|" + s.statement(depth)));
      if (depth <= kBound && s.bytes) {
        ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
        EXPECT_EQ(ProgramBytes(*c), s.bytes(depth));
        continue;
      }
      const Text text = depth <= kBound ? Text{s.en.c_str(), s.ko.c_str()} : kTooComplex;
      EXPECT_EQ(std::tuple(c->Outcome.result, c->Outcome.line, c->Outcome.message.en, c->Outcome.message.ko, c->NestDepth),
                std::tuple(1, 3, std::string(text.en), std::string(text.ko), 0));
    }
  }
  // Every statement that takes operands reads them through the same parsers, and their own messages for
  // a bad operand do not replace the depth's.
  const std::string vn = Repeat("A(", 100000) + "0" + Repeat(")", 100000);
  const std::string cst = Repeat("C(", 100000) + "0" + Repeat(")", 100000);
  const std::string vnm = Repeat("AR(", 100000) + "1" + Repeat(")", 100000);
  const std::pair<const char*, std::string> cases[] = {
      {"KF", "IF " + vn + " = 1 THEN I = 1"}, {"KF", "IF I = " + cst + " THEN"}, {"KF", "FOR I = " + vn + " TO 5"},
      {"KF", "FOR I = 1 TO " + cst}, {"KF", "OUT " + vn + ", 1"}, {"KF", "LOCATE " + cst + ", 1"},
      {"KF", "DIM D(" + cst + ") AS BYTE"}, {"KF", "CONST BYTE D = (1, " + cst + ")"}, {"KF", "I = B + " + vn},
      {"KF", vn + " = 1"}, {"WF", "PRINT " + vnm}, {"WF", "SEROUT 1, 9600, 0, 0, [" + vnm + "]"},
      {"WF", "X = BCD(" + vnm + ")"}, {"WF", "X = TABLE(" + vnm + ", 1, 2)"}};
  for (const auto& [device, statement] : cases) ExpectRow(ErrorRow{device, (device[0] == 'K' ? kVnDecl : kVnmDecl) + "|" + statement, kTooComplex});
  // In a condition parentheses only group for the reader and are passed over one by one: not counted.
  auto c = Compile("KF", Lines(kVnDecl + "|IF " + Repeat("(", 100000) + "I = 1" + Repeat(")", 100000) + " THEN I = 2"));
  EXPECT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
}
}  // namespace
}  // namespace vn::compiler::testing
