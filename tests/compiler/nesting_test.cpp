// Operands nested inside operands, and parentheses: up to the bound they compile (or fail) as
// they always have; past it the line is "Statement Too Complex", however deep the nesting.
#include <gtest/gtest.h>

#include <functional>

#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {

constexpr int kBound = Compiler::kMaxNesting;

Bytes RepeatBytes(const Bytes& b, int n) {
  Bytes out;
  for (int i = 0; i < n; ++i) out.insert(out.end(), b.begin(), b.end());
  return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// One way of nesting: the lines before the statement, the statement with `depth` levels, and
// what a compile of it at the bound gives (the program's bytes, or the message it always gave).
struct Shape {
  const char* name;
  const char* device;
  std::vector<std::string> declarations;
  std::function<std::string(int depth)> statement;
  std::function<Bytes(int depth)> bytes;  // null: the shape fails at the bound with `en`/`ko`
  std::string en, ko;
};

// KF: A(10) at 160, I at 170, B at 171. WF: AR(5) at 0, X at 5, L at 6 (LONG).
// The constant array C (1, 2, 3) comes first: 136 and its slot at 24..26, its data at 27..29.
const std::vector<std::string> kVnDecl = {"CONST BYTE C = (1, 2, 3)", "DIM A(10) AS BYTE, I AS BYTE, B AS BYTE"};
const std::vector<std::string> kVnmDecl = {"CONST BYTE C = (1, 2, 3)", "DIM AR(5) AS BYTE, X AS BYTE, L AS LONG"};
const Bytes kConstArray = {136, 30, 0, 1, 2, 3};

std::vector<Shape> Shapes() {
  return {
      {"array index (VNM)", "WF", kVnmDecl,
       [](int n) { return "X = " + Repeat("AR(", n) + "1" + Repeat(")", n); },
       [](int n) { return Join({kConstArray, {145, 21, 5, 0}, RepeatBytes({8, 0, 0}, n), {17, 0}}); },
       "", ""},
      {"array index (VN)", "KF", kVnDecl,  // An element with a variable index is no index on the VN series: refused by the third array from the inside, reported by the one around it.
       [](int n) { return "I = " + Repeat("A(", n) + "0" + Repeat(")", n); }, nullptr,
       "Syntax Error in Array syntax", "문법에러: 배열에서의 인수표현이 잘못되었습니다."},
      {"constant array index", "KF", kVnDecl,
       [](int n) { return "I = " + Repeat("C(", n) + "0" + Repeat(")", n); },
       [](int n) { return Join({kConstArray, {145, 21, 170}, RepeatBytes({29, 27, 0}, n), {16, 0}}); },
       "", ""},
      {"function call", "KF", kVnDecl,  // KEYDELAY takes a function call as its key: n - 1 KEYDELAYs around one KEYIN.
       [](int n) { return "I = " + Repeat("KEYDELAY(", n - 1) + "KEYIN(1)" + Repeat(", 1, 2, 3)", n - 1); },
       [](int n) {
         return Join({kConstArray, {145, 21, 170}, RepeatBytes({205}, n - 1), {193, 17, 20},
                      RepeatBytes({1, 2, 3}, n - 1), {0}});
       },
       "", ""},
      {"parentheses", "KF", kVnDecl,
       [](int n) { return "I = " + Repeat("(", n) + "B" + Repeat(")", n) + " + 1"; },
       [](int) { return Join({kConstArray, {145, 21, 170, 21, 171, 33, 17, 23, 0}}); }, "", ""},
      {"bit specifier", "KF", kVnDecl,  // A bit specifier is read as a constant, so a constant array element there is refused.
       [](int n) { return "I = B." + Repeat("C(", n) + "0" + Repeat(")", n); }, nullptr,
       "Invalid BIT setting !", "문법에러 : 비트지정자를 사용할 수 없는 영역입니다."},
      {"mixed", "WF", kVnmDecl,  // A function around arrays and constant arrays taking turns, all inside parentheses.
       [](int n) {
         std::string s = "X = " + Repeat("(", kBound) + "BCD(";
         for (int i = 1; i < n; ++i) s += i % 2 != 0 ? "AR(" : "C(";
         return s + "1" + Repeat(")", n) + Repeat(")", kBound) + " * 2";
       },
       [](int n) {
         Bytes b = Join({kConstArray, {145, 21, 5, 0, 208}});
         for (int i = 1; i < n; ++i) b = Join({b, i % 2 != 0 ? Bytes{8, 0, 0} : Bytes{29, 27, 0}});
         return Join({b, {17, 35, 18, 2, 23, 0}});
       },
       "", ""},
  };
}

std::vector<std::string> Lines(const Shape& s, int depth) {
  std::vector<std::string> lines = s.declarations;
  lines.push_back(s.statement(depth));
  return lines;
}

TEST(Nesting, UpToTheBoundAsBeforePastItTooComplex) {
  for (const auto& s : Shapes()) {
    for (int depth : {4, kBound, kBound + 1, kBound + 2, 100000}) {  // past the bound: as deep as no stack holds
      SCOPED_TRACE(std::string(s.name) + " " + std::to_string(depth));
      auto c = Compile(s.device, Lines(s, depth));
      if (depth <= kBound && s.bytes) {
        ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
        EXPECT_EQ(ProgramBytes(*c), s.bytes(depth));
        continue;
      }
      const Text text = depth <= kBound ? Text{s.en.c_str(), s.ko.c_str()} : kTooComplex;
      EXPECT_EQ(c->Outcome.result, 1);
      EXPECT_EQ(c->Outcome.line, 3);
      EXPECT_EQ(c->Outcome.message.en, text.en);
      EXPECT_EQ(c->Outcome.message.ko, text.ko);
      EXPECT_EQ(c->NestDepth, 0);
    }
  }
}

TEST(Nesting, TheSameCompilerCompilesAfterwards) {
  // A line refused for its depth leaves nothing behind: the same compiler then compiles the
  // deepest nesting allowed, and a failed line later in the source is reported as usual.
  const Shape s = Shapes()[0];
  auto c = MakeCompiler(s.device);
  EXPECT_EQ(c->CompileSource(Source(Lines(s, 100000))), 1);
  EXPECT_EQ(c->CompileSource(Source(Lines(s, kBound))), 0) << c->Outcome.message.en;
  EXPECT_EQ(ProgramBytes(*c), s.bytes(kBound));
  std::vector<std::string> lines = Lines(s, kBound);
  lines.push_back(s.statement(kBound + 1));
  lines.push_back(s.statement(kBound));
  EXPECT_EQ(c->CompileSource(Source(lines)), 1);
  EXPECT_EQ(c->Outcome.line, 4);
  EXPECT_EQ(c->Outcome.message.en, kTooComplex.en);
}

TEST(Nesting, EveryStatementThatTakesOperands) {
  // The statements read their operands through the same parsers, and their own messages for
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
  for (const auto& [device, statement] : cases) {
    const auto& decl = device[0] == 'K' ? kVnDecl : kVnmDecl;
    ExpectRow(ErrorRow{device, decl[0] + "|" + decl[1] + "|" + statement, kTooComplex});
  }
}

TEST(Nesting, ConditionParenthesesAreNotCounted) {
  // In a condition parentheses only group for the reader and are passed over one by one.
  auto c = Compile("KF", {kVnDecl[0], kVnDecl[1], "IF " + Repeat("(", 100000) + "I = 1" + Repeat(")", 100000) + " THEN I = 2"});
  EXPECT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
}

}  // namespace
}  // namespace vn::compiler::testing
