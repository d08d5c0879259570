// Variable operands and the assignment with its operator ordering.
#include <gtest/gtest.h>

#include "compile_helpers.h"

namespace vn::compiler {
namespace {

using testing::Bytes;
using testing::Compile;
using testing::ProgramBytes;

// Declarations used by the cases: on KF, A(10) at 160, I at 170, W at 171, B at 173;
// on WF, A at 0, AR(5) at 1, W at 6, L at 8, S at 12, IA(3) at 16.
const std::vector<std::string> kVnDecl = {"DIM A(10) AS BYTE, I AS BYTE, W AS INTEGER, B AS BYTE"};
const std::vector<std::string> kVnmDecl = {
    "DIM A AS BYTE, AR(5) AS BYTE, W AS INTEGER, L AS LONG, S AS SINGLE, IA(3) AS INTEGER"};

Bytes Assign(const char* device, const std::string& statement, std::string* error = nullptr) {
  std::vector<std::string> lines = std::string(device) == "KF" ? kVnDecl : kVnmDecl;
  lines.push_back(statement);
  auto c = Compile(device, lines);
  if (error != nullptr) *error = c->Outcome.message.en;
  if (c->Outcome.result != 0) return {-1};
  return ProgramBytes(*c);
}

TEST(Expressions, Operands) {
  struct Case {
    const char* device;
    const char* statement;
    Bytes bytes;
  } cases[] = {
      // Array elements: a constant index is folded on the VN series.
      {"KF", "I = A(3)", {145, 21, 170, 21, 163, 0}},
      {"KF", "I = A(I)", {145, 21, 170, 28, 160, 170, 0}},
      {"KF", "A(I) = 5", {145, 28, 160, 170, 18, 5, 0}},
      {"KF", "I = A(0)", {145, 21, 170, 21, 160, 0}},
      {"WF", "A = AR(A)", {145, 21, 0, 0, 8, 1, 0, 21, 0, 0, 0}},
      {"WF", "A = IA(300)", {145, 21, 0, 0, 9, 16, 0, 19, 44, 1, 0}},
      // Byte and bit specifiers.
      {"KF", "I = B.3", {145, 21, 170, 27, 173, 8, 0}},
      {"KF", "I = W.11", {145, 21, 170, 27, 172, 8, 0}},
      {"KF", "I = W.H", {145, 21, 170, 21, 172, 0}},
      {"KF", "I = A(2).7", {145, 21, 170, 27, 162, 128, 0}},
      {"KF", "B.0 = 1", {145, 27, 173, 1, 17, 0}},
      {"WF", "A = L:HH", {145, 21, 0, 0, 21, 11, 0, 0}},
      {"WF", "A = L:31", {145, 21, 0, 0, 27, 11, 0, 128, 0}},
      {"WF", "A = IA(2):9", {145, 21, 0, 0, 27, 17, 0, 2, 0}},
      // Plain copies of every operand kind.
      {"WF", "S = 1.5", {145, 15, 12, 0, 14, 0, 0, 192, 63, 0}},
      {"WF", "L = -1", {145, 26, 8, 0, 25, 255, 255, 255, 255, 0}},
      {"KF", "W = 1000", {145, 22, 171, 19, 232, 3, 0}},
  };
  for (const auto& k : cases) {
    std::string error;
    EXPECT_EQ(Assign(k.device, k.statement, &error), k.bytes) << k.statement << ": " << error;
  }
}

TEST(Expressions, OperatorOrder) {
  struct Case {
    const char* statement;
    Bytes bytes;
  } cases[] = {
      {"I = B", {145, 21, 170, 21, 173, 0}},
      // B + C * D: the product first, then the sum with the product on its right.
      {"I = B + I * W", {145, 21, 170, 21, 170, 35, 22, 171, 21, 173, 33, 23, 23, 0}},
      // B * C + D: the product, then the result plus D.
      {"I = B * I + W", {145, 21, 170, 21, 173, 35, 21, 170, 23, 33, 22, 171, 23, 0}},
      // (B + C) * D: the parenthesised sum first.
      {"I = (B + I) * W", {145, 21, 170, 21, 173, 33, 21, 170, 23, 35, 22, 171, 23, 0}},
      // Equal priorities run left to right.
      {"I = B - 1 - 2", {145, 21, 170, 21, 173, 34, 17, 23, 34, 18, 2, 23, 0}},
      {"I = B MOD 3 AND 1", {145, 21, 170, 21, 173, 38, 18, 3, 23, 39, 17, 23, 0}},
      {"I = B << 2 >> 1 XOR 3 OR 1", {145, 21, 170, 21, 173, 44, 18, 2, 23, 45, 17, 23, 42, 18, 3, 23, 40, 17, 23, 0}},
      {"I = B / -2", {145, 21, 170, 21, 173, 36, 25, 254, 255, 255, 255, 23, 0}},
      // The two-blank rule: a colon after two blanks separates statements.
      {"I = B  : I = 1", {145, 21, 170, 21, 173, 0, 145, 21, 170, 17, 0}},
      {"I = 1 : I = 2", {145, 21, 170, 17, 0, 145, 21, 170, 18, 2, 0}},
      // Extra or missing parentheses are not errors.
      {"I = ((B)", {145, 21, 170, 21, 173, 0}},
  };
  for (const auto& k : cases) {
    std::string error;
    EXPECT_EQ(Assign("KF", k.statement, &error), k.bytes) << k.statement << ": " << error;
  }
}

TEST(Expressions, TooComplex) {
  const std::string too_complex = "Statement Too Complex ! Make Simple !";
  std::string error;
  // The product is next to the sum, but the difference is not next to the sum.
  EXPECT_EQ(Assign("KF", "I = B + I * W - A(1)", &error), Bytes({-1}));
  EXPECT_EQ(error, too_complex);

  std::string thirty = "I = B";
  for (int i = 0; i < 30; ++i) thirty += " + 1";
  EXPECT_NE(Assign("KF", thirty, &error), Bytes({-1})) << error;
  std::string thirty_one = thirty + " + 1";
  EXPECT_EQ(Assign("KF", thirty_one, &error), Bytes({-1}));
  EXPECT_EQ(error, too_complex);
  // Far beyond the operand stack: still the same error, never a write past the stack.
  std::string hundred = "I = B";
  for (int i = 0; i < 100; ++i) hundred += " + 1";
  EXPECT_EQ(Assign("KF", hundred, &error), Bytes({-1}));
  EXPECT_EQ(error, too_complex);

  auto c = Compile("KF", {kVnDecl[0], thirty_one});
  EXPECT_EQ(c->Outcome.message.ko, "해석하기에 너무 복잡한 연산식입니다. 단순한 식 여러개로 분리해서 작성하십시요");
}

TEST(Expressions, Errors) {
  struct Case {
    const char* device;
    const char* statement;
    std::string en, ko;
  } cases[] = {
      {"KF", "I = A(10)", "Out of Array !", "배열의 한계를 초과하였습니다."},
      {"KF", "I = A 3", "Syntax Error in Array syntax", "문법에러: 배열표현에서 괄호를 찾을 수 없습니다."},
      {"KF", "I = A(3", "Syntax Error in Array syntax", "문법에러: 배열표현에서 괄호를 찾을 수 없습니다."},
      {"KF", "I = A(Q)", "Syntax Error in Array syntax", "문법에러: 배열에서의 인수표현이 잘못되었습니다."},
      {"KF", "I = A(300)", "Syntax Error in Array index", "배열의 인수로 사용할 수 없는 변수형입니다."},
      {"KF", "I = A(W)", "Syntax Error in Array index", "배열의 인수로 사용할 수 없는 변수형입니다."},
      {"KF", "I = A(A(I))", "Syntax Error in Array index", "배열의 인수로 사용할 수 없는 변수형입니다."},
      // A negative index would lose the array reference: refused.
      {"KF", "I = A(-1)", "Syntax Error in Array index", "배열의 인수로 사용할 수 없는 변수형입니다."},
      {"KF", "I = B.32", "Invalid BIT setting !", "문법에러 : 비트지정자를 사용할 수 없는 영역입니다."},
      {"KF", "I = B.X", "Invalid BIT setting !", "문법에러 : 비트지정자를 사용할 수 없는 영역입니다."},
      // One blank before the colon: read as a bit specifier.
      {"KF", "I = B : I = 1", "Invalid BIT setting !", "문법에러 : 비트지정자를 사용할 수 없는 영역입니다."},
      {"KF", "I = A(I).1", "Syntax Error in Bit type", "문법에러 : 비트지정자를 사용할 수 없는 변수입니다."},
      {"WF", "A = S:1", "Syntax Error in Bit type", "문법에러 : 비트지정자를 사용할 수 없는 변수입니다."},
      {"KF", "I 5", "Syntax Error ! Not Found \"=\"", "문법에러 : =기호를 찾을 수 없습니다."},
      {"KF", "I = B C", "Missing operand !", "Missing operand !"},
      {"KF", "I = Q", "Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."},
  };
  for (const auto& k : cases) {
    std::vector<std::string> lines = std::string(k.device) == "KF" ? kVnDecl : kVnmDecl;
    lines.push_back(k.statement);
    auto c = Compile(k.device, lines);
    EXPECT_EQ(c->Outcome.line, 2) << k.statement;
    EXPECT_EQ(c->Outcome.message.en, k.en) << k.statement;
    EXPECT_EQ(c->Outcome.message.ko, k.ko) << k.statement;
  }
}

TEST(Expressions, ScalarFollowedByParenthesesIsNoArray) {
  // The parentheses are passed over; the index is then an operand without an operator.
  auto c = Compile("KF", {"DIM I AS BYTE", "I = I(1)"});
  EXPECT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.message.en, "Missing operand !");
}

}  // namespace
}  // namespace vn::compiler
