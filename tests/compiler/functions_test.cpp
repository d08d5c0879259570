// Built-in functions: layouts, defaults, checks and device limits.
#include <gtest/gtest.h>

#include "compile_helpers.h"

namespace vn::compiler {
namespace {

using testing::Bytes;
using testing::Compile;
using testing::ProgramBytes;

// KF: A at 160, I at 161, W at 162.  WF: A at 0 .. 299 as a filler, then B at 300,
// S (SINGLE) at 301, ST (STRING * 10) at 305, L (LONG) at 317, W (INTEGER) at 321.
const std::vector<std::string> kVn = {"DIM A AS BYTE, I AS BYTE, W AS INTEGER"};
const std::vector<std::string> kVnm = {"DIM F(300) AS BYTE, B AS BYTE, S AS SINGLE, ST AS STRING * 10",
                                       "DIM L AS LONG, W AS INTEGER"};

struct Result {
  int ok;
  Bytes operand;  // the bytes between the assignment's target and its closing 0
  std::string en, ko;
};

Result Call(const char* device, const std::string& expression) {
  const bool vn = std::string(device) == "KF";
  std::vector<std::string> lines = vn ? kVn : kVnm;
  lines.push_back((vn ? "A = " : "B = ") + expression);
  auto c = Compile(device, lines);
  Result r{c->Outcome.result == 0, {}, c->Outcome.message.en, c->Outcome.message.ko};
  if (r.ok) {
    Bytes all = ProgramBytes(*c);
    const size_t skip = vn ? 3 : (7 + 4);  // the STRING initialisation on WF, then 145 and the target
    r.operand.assign(all.begin() + static_cast<long>(skip), all.end() - 1);
  }
  return r;
}

TEST(Functions, Layouts) {
  struct Case {
    const char* device;
    const char* call;
    Bytes bytes;
  } cases[] = {
      {"KF", "IN(5)", {192, 18, 5}},
      {"KF", "IN(A)", {192, 21, 160}},
      {"KF", "KEYIN(3)", {193, 18, 3, 20}},
      {"KF", "KEYIN(3, 100)", {193, 18, 3, 100}},
      {"KF", "ADIN(0)", {194, 16}},
      {"KF", "BYTEIN(1)", {195, 17}},
      {"KF", "EEREAD(W)", {196, 22, 162}},
      {"WF", "EEREAD(W)", {196, 22, 65, 1, 17}},
      {"WF", "EEREAD(&H100, 2)", {196, 19, 0, 1, 18, 2}},
      {"KF", "OUTSTAT(2)", {197, 18, 2}},
      {"KF", "RND()", {198}},
      {"KF", "TABLE(I, 10, 300)", {199, 2, 21, 161, 10, 0, 44, 1}},
      {"WF", "TABLE(W, -1)", {199, 1, 22, 65, 1, 255, 255}},
      {"KF", "COUNT(1)", {200, 1}},
      {"KF", "PADIN(3)", {201, 3}},
      {"KF", "PEEK(&H80)", {202, 128}},
      {"KF", "SHIFTIN(1, 2, 3)", {203, 17, 18, 2, 3, 8}},
      {"KF", "SHIFTIN(1, 2, 0, 32)", {203, 17, 18, 2, 0, 32}},
      {"KF", "ADKEYIN(4)", {204, 18, 4}},
      {"KF", "EPADIN(1, 2)", {205, 1, 2}},
      {"KF", "KEYDELAY(KEYIN(3), 1, 10, 20)", {205, 193, 18, 3, 20, 1, 10, 20}},
      {"KF", "CAPTURE(6, 1)", {206, 18, 6, 1}},
      {"WF", "TIME(B)", {207, 21, 44, 1}},
      {"KF", "BCD(A)", {208, 21, 160}},
      {"WF", "LEFT(ST, 3)", {209, 20, 49, 1, 18, 3}},
      {"WF", "RIGHT(ST, B)", {210, 20, 49, 1, 21, 44, 1}},
      {"WF", "MID(ST, 2, 3)", {211, 20, 49, 1, 18, 2, 18, 3}},
      {"WF", "HEX(B)", {212, 21, 44, 1, 4, 1}},
      {"KF", "HEX(A, 2, 0)", {25, 21, 160, 2, 0}},
      {"KF", "DEC(A)", {26, 21, 160, 5, 1}},
      {"WF", "DEC(B, 10)", {213, 21, 44, 1, 10, 1}},
      {"WF", "ASC(ST)", {215, 20, 49, 1}},
      {"WF", "CHR(65)", {216, 18, 65}},
      {"WF", "LEN(ST)", {221, 20, 49, 1}},
      {"WF", "VAL(ST)", {222, 20, 49, 1}},
      {"WF", "VALHEX(ST)", {223, 20, 49, 1}},
      {"WF", "CINT(1.5)", {224, 14, 0, 0, 192, 63}},
      {"WF", "CINT(S)", {224, 15, 45, 1}},
      {"WF", "CLNG(S)", {224, 15, 45, 1}},
      {"WF", "CSNG(L)", {225, 26, 61, 1}},
      {"WF", "SIN(S)", {226, 15, 45, 1}},
      {"WF", "COS(S)", {227, 15, 45, 1}},
      {"WF", "ABS(S)", {228, 15, 45, 1}},
      {"WF", "EXP(S)", {229, 15, 45, 1}},
      {"WF", "LOG(S)", {230, 15, 45, 1}},
      {"WF", "LOG10(S)", {231, 15, 45, 1}},
      {"WF", "SQR(B)", {232, 21, 44, 1}},
      {"WF", "FLOAT(S)", {233, 15, 45, 1, 18, 9, 18, 6}},
      {"WF", "FLOAT(S, B)", {233, 15, 45, 1, 21, 44, 1, 18, 6}},
      {"WF", "FLOAT(S, 12, 3)", {233, 15, 45, 1, 18, 12, 18, 3}},
      {"WF", "VALSNG(ST)", {234, 20, 49, 1}},
      {"WF", "POW(S, 2)", {235, 15, 45, 1, 18, 2}},
      {"WF", "BLEN()", {236}},
  };
  for (const auto& k : cases) {
    const Result r = Call(k.device, k.call);
    EXPECT_TRUE(r.ok) << k.device << " " << k.call << ": " << r.en;
    EXPECT_EQ(r.operand, k.bytes) << k.device << " " << k.call;
  }
}

TEST(Functions, CallsInsideExpressions) {
  auto c = Compile("KF", {kVn[0], "A = IN(1) + 1 * ADIN(2)"});
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(ProgramBytes(*c), Bytes({145, 21, 160, 17, 35, 194, 18, 2, 192, 17, 33, 23, 23, 0}));
}

TEST(Functions, Errors) {
  struct Case {
    const char* device;
    const char* call;
    std::string en, ko;
  } cases[] = {
      {"KF", "SIN(1.5)", "Can not use this function at VN-XX device", "VN시리즈에서는 이 함수를 사용할 수 없습니다."},
      {"KF", "TIME(1)", "Can not use this command at VN-XX device", "VN시리즈에서는 이 명령어를 사용할 수 없습니다."},
      {"WF", "KEYDELAY(KEYIN(1), 1, 2, 3)", "Can not use this function at VNM-XX device", "VNM시리즈에서는 이 함수를 사용할 수 없습니다."},
      // The device is refused before the parenthesis is looked at.
      {"KF", "LEN", "Can not use this function at VN-XX device", "VN시리즈에서는 이 함수를 사용할 수 없습니다."},
      {"KF", "IN 5", "Syntax Error ! Not Found '(' or ')'", "문법에러 : 괄호를 찾을 수 없습니다."},
      {"KF", "IN(5", "Syntax Error ! Not Found '(' or ')'", "문법에러 : 괄호를 찾을 수 없습니다."},
      {"KF", "RND(1)", "Syntax Error ! Not Found '(' or ')'", "문법에러 : 괄호를 찾을 수 없습니다."},
      {"KF", "IN(70)", "Out of I/O port number", "I/O포트의 사용범위가 아닙니다."},
      {"KF", "IN(W)", "Use only Byte type", "바이트형 인수만 사용가능합니다."},
      {"KF", "KEYIN(1 2)", "Syntax Error ! Not Found Comma !", "문법에러 : 쉼표를 찾을 수 없습니다."},
      {"KF", "KEYIN(1, A)", "Syntax Error on Dechattering Value !", "문법에러 : 체터링 제거시간이 잘못되었습니다."},
      {"KF", "KEYIN(1, 101)", "Syntax Error on Dechattering Value ! (Only 1 ~ 100)", "문법에러 : 체터링 제거시간은 1~100사이값을 사용해야 합니다."},
      {"KF", "EEREAD(1, 2)", "Syntax Error ! Example I=EEREAD(&100,2)", "문법에러 : 괄호를 찾을 수 없습니다."},
      {"WF", "EEREAD(1 2)", "Syntax Error ! Example I=EEREAD(&100,2)", "문법에러 : 쉼표를 찾을 수 없습니다."},
      {"KF", "TABLE(W, 1)", "Type mismatch Must use BYTE type Variable", "TABLE함수의 인수는 반드시 바이트형 변수를 사용해야 합니다."},
      {"KF", "COUNT(2)", "Syntax Error on Parameter !", "문법에러 : COUNT의 인수는 0또는 1만 사용가능합니다."},
      {"KF", "SHIFTIN(1, 2, A)", "Syntax Error on Mode value !", "문법에러 : 모드값이 잘못되었습니다."},
      {"KF", "SHIFTIN(1, 2, 4)", "Syntax Error on Mode value (Only 0~3)!", "문법에러 : 모드값은 0~3까지의 숫자만 사용가능합니다."},
      {"KF", "SHIFTIN(1, 2, 3, A)", "Syntax Error on BIT value !", "문법에러 : 비트값이 잘못되었습니다."},
      {"KF", "SHIFTIN(1, 2, 3, 33)", "Syntax Error on BIT value (Only 0~32)!", "문법에러 : 비트값은 0~32까지만 사용가능합니다."},
      {"KF", "EPADIN(A, 1)", "Syntax Error on PortBlock Number ! ", "문법에러 : 포트블록번호를 적어주어야 합니다."},
      {"KF", "KEYDELAY(KEYIN(1), A, 1, 1)", "Syntax Error on Parameter !", "문법에러 : 키입력상태값이 잘못되었습니다. 0 또는 1을 사용해야 합니다."},
      {"KF", "CAPTURE(1, A)", "Syntax Error on Target Value ! ", "문법에러 : 타겟값이 잘못되었습니다."},
      {"KF", "CAPTURE(1, 2)", "Syntax Error on Target Value ! ", "문법에러 : 타겟값은 0또는 1만 사용해야 합니다."},
      {"WF", "LEFT(B, 1)", "Type mismatch !", "문법에러 : 문자열 변수를 사용해야 합니다."},
      {"WF", "LEFT(ST, 0)", "Invalid Parameter ! ", "인수가 잘못되었습니다."},
      {"WF", "HEX(B, 9)", "HEX command Width rength is 1 ~ 8 ", "문법에러 : 자릿수는 1~8까지만 사용가능합니다."},
      {"WF", "DEC(B, 0)", "DEC command Width rength is 1 ~ 10 ", "문법에러 : 자릿수는 1~10까지만 사용가능합니다."},
      {"WF", "HEX(B, 4, 2)", "Invalid operand !  Zero print switch must be 0 or 1 !", "문법에러 : ZERO표시 여부는 0또는 1로 지정해야 합니다."},
      {"WF", "SIN(B)", "Type mismatch ! Use SINGLE type", "문법에러 : SINGLE형 상수또는 변수를 사용해야 합니다."},
      {"KF", "CINT(A)", "Type mismatch ! Use SINGLE type", "문법에러 : SINGLE형 상수또는 변수를 사용해야 합니다."},
      {"WF", "CSNG(S)", "Type mismatch ! Use BYTE, INTEGER or LONG type", "문법에러 : SINGLE형이 아닌 상수또는 변수를 사용해야 합니다."},
      {"WF", "FLOAT(S, 0)", "No Defined Variable or Wrong Constant !", "No Defined Variable or Wrong Constant !"},
      {"WF", "FLOAT(S, Q)", "No Defined Variable or Wrong Constant !", "No Defined Variable or Wrong Constant !"},
      {"WF", "POW(B, 2)", "Type mismatch ! Use SINGLE type", "문법에러 : SINGLE형 상수또는 변수를 사용해야 합니다."},
  };
  for (const auto& k : cases) {
    const Result r = Call(k.device, k.call);
    EXPECT_FALSE(r.ok) << k.call;
    EXPECT_EQ(r.en, k.en) << k.device << " " << k.call;
    EXPECT_EQ(r.ko, k.ko) << k.device << " " << k.call;
  }
}

TEST(Functions, TableTakesAtMost127Values) {
  std::string call = "TABLE(I";
  for (int i = 0; i < 127; ++i) call += ", " + std::to_string(i);
  const Result ok = Call("KF", call + ")");
  ASSERT_TRUE(ok.ok) << ok.en;
  EXPECT_EQ(ok.operand.size(), 2u + 2u + 2u * 127u);
  EXPECT_EQ(ok.operand[1], 127);
  const Result too_many = Call("KF", call + ", 1)");
  EXPECT_EQ(too_many.en, "Too Many Value ! (Up to 127)");
  EXPECT_EQ(too_many.ko, "문법에러 : 데이터의 총개수가 127개를 넘지않도록 해야합니다.");
}

TEST(Functions, FunctionNamesComeBeforeVariables) {
  // A variable named like a function cannot be read: the name is taken as the call.
  auto c = Compile("KF", {"DIM RND AS BYTE, A AS BYTE", "A = RND"});
  EXPECT_EQ(c->Outcome.message.en, "Syntax Error ! Not Found '(' or ')'");
}

}  // namespace
}  // namespace vn::compiler
