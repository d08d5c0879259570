// Control-flow statements: code bytes, hidden labels, messages and their lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {

using ::testing::ElementsAre;

const char* const kKf = "KF";  // VN series, one-byte variable addresses from 160
const char* const kWf = "WF";  // VNM series, two-byte variable addresses from 0

std::string Narrow(const AnsiText& text) { return EncodeAnsi(text); }

// Names and addresses of the label table, in definition order.
std::vector<std::pair<std::string, long>> LabelList(const Compiler& c) {
  std::vector<std::pair<std::string, long>> out;
  for (const auto& l : c.Labels) out.emplace_back(Narrow(l.LabelName), l.LabelAddr);
  return out;
}

std::vector<std::string> FixupNames(const Compiler& c) {
  std::vector<std::string> out;
  for (const auto& f : c.Fixups) out.push_back(Narrow(f.FixName));
  return out;
}

// Compiles and expects success.
std::unique_ptr<Compiler> Ok(const std::string& device, const std::vector<std::string>& lines) {
  auto c = Compile(device, lines);
  EXPECT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  return c;
}

// Compiles and expects failure with this English text, Korean text and line.
void ExpectError(const std::string& device, const std::vector<std::string>& lines, const std::string& en,
                 const std::string& ko, int line) {
  auto c = Compile(device, lines);
  EXPECT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.message.en, en);
  EXPECT_EQ(c->Outcome.message.ko, ko);
  EXPECT_EQ(c->Outcome.line, line);
}

// A message that the program gives in English only: shown in English in both languages.
void ExpectErrorEn(const std::string& device, const std::vector<std::string>& lines, const std::string& en,
                   int line) {
  ExpectError(device, lines, en, en, line);
}

// ---- Worked examples ------------------------------------------------------------------------

TEST(ForNext, WorkedExampleVn) {
  auto c = Ok(kKf, {"DIM I AS BYTE", "FOR I = 1 TO 10", "NEXT"});
  EXPECT_THAT(CodeBytes(*c, 24, 28), ElementsAre(0x85, 0x15, 0xA0, 0x11));
  EXPECT_THAT(CodeBytes(*c, 28, 35), ElementsAre(0x87, 0x15, 0xA0, 0x12, 0x0A, 0x28, 0x00));
  EXPECT_THAT(CodeBytes(*c, 35, 40), ElementsAre(0x86, 0x15, 0xA0, 0x1C, 0x00));
  EXPECT_THAT(CodeBytes(*c, 40, 43), ElementsAre(0x88, 0x28, 0x00));
  EXPECT_EQ(c->CodeAddr, 43);
  EXPECT_THAT(LabelList(*c), ElementsAre(std::pair<std::string, long>{"__FORLI1", 28},
                                         std::pair<std::string, long>{"__FORNI1", 35},
                                         std::pair<std::string, long>{"__FORQI1", 40}));
  EXPECT_THAT(FixupNames(*c), ElementsAre("__FORQI1", "__FORLI1"));
  EXPECT_EQ(c->Code.LineOf(24), 2);
  EXPECT_EQ(c->Code.LineOf(28), 2);
  EXPECT_EQ(c->Code.LineOf(35), 3);
  EXPECT_EQ(c->Code.LineOf(40), 4);
  EXPECT_EQ(c->Code.LineOf(29), 1);
}

TEST(ForNext, WorkedExampleVnm) {
  auto c = Ok(kWf, {"DIM I AS BYTE", "FOR I = 1 TO 10", "NEXT"});
  EXPECT_THAT(CodeBytes(*c, 24, 31), ElementsAre(0x85, 0x15, 0x00, 0x00, 0x11, 0x28, 0x00));
  EXPECT_THAT(CodeBytes(*c, 31, 40), ElementsAre(0x87, 0x15, 0x00, 0x00, 0x12, 0x0A, 0x11, 0x2B, 0x00));
  EXPECT_THAT(CodeBytes(*c, 40, 43), ElementsAre(0x88, 0x1F, 0x00));
  EXPECT_THAT(CodeBytes(*c, 43, 46), ElementsAre(0x88, 0x2B, 0x00));
  EXPECT_EQ(c->CodeAddr, 46);
  EXPECT_THAT(LabelList(*c), ElementsAre(std::pair<std::string, long>{"__FORLI1", 31},
                                         std::pair<std::string, long>{"__FORNI1", 40},
                                         std::pair<std::string, long>{"__FORQI1", 43}));
  EXPECT_THAT(FixupNames(*c), ElementsAre("__FORNI1", "__FORQI1", "__FORLI1"));
}

TEST(IfStatement, BlockIfBytesVn) {
  auto c = Ok(kKf, {"DIM I AS BYTE", "IF I = 1 THEN", "END IF"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x80, 32, 0, 0x15, 0xA0, 0x35, 0x11, 0x00));
  EXPECT_THAT(FixupNames(*c), ElementsAre("_y10_0"));
  EXPECT_THAT(LabelList(*c), ElementsAre(std::pair<std::string, long>{"_x10", 32},
                                         std::pair<std::string, long>{"_y10_0", 32}));
  EXPECT_EQ(c->IfState, 0);
  EXPECT_EQ(c->IfDepth, 0);
}

// ---- FOR / NEXT ---------------------------------------------------------------------------

TEST(ForNext, LoopIdsCountEveryForAndNestedNextClosesInnermost) {
  auto c = Ok(kKf, {"DIM I AS BYTE", "DIM J AS BYTE", "FOR I = 1 TO 2", "FOR J = 1 TO 3", "NEXT", "NEXT I",
                    "FOR J = 0 TO 1", "NEXT J"});
  std::vector<std::string> names;
  for (const auto& [name, addr] : LabelList(*c)) names.push_back(name);
  EXPECT_THAT(names, ElementsAre("__FORLI1", "__FORNI1", "__FORLJ2", "__FORNJ2", "__FORQJ2", "__FORQI1",
                                 "__FORLJ3", "__FORNJ3", "__FORQJ3"));
  EXPECT_EQ(c->ForDepth, 0);
  EXPECT_EQ(c->ForCounter, 3);
}

TEST(ForNext, StepIsRejectedOnVn) {
  ExpectError(kKf, {"DIM I AS BYTE", "FOR I = 1 TO 10 STEP 2", "NEXT"}, "Syntax Error on End of Line !",
              "문법에러 : 한행의 끝에서 해석할 수 없는 문자가 발견되었습니다.", 2);
}

TEST(ForNext, StepOnVnm) {
  auto c = Ok(kWf, {"DIM I AS BYTE", "FOR I = 1 TO 10 STEP 2", "NEXT"});
  EXPECT_THAT(CodeBytes(*c, 31, 40), ElementsAre(0x87, 0x15, 0x00, 0x00, 0x12, 0x0A, 0x12, 0x02, 0x2C));

  // A negative step is a 32-bit constant.
  c = Ok(kWf, {"DIM I AS BYTE", "FOR I = 10 TO 1 STEP -1", "NEXT"});
  EXPECT_THAT(CodeBytes(*c, 32, 43), ElementsAre(0x87, 0x15, 0x00, 0x00, 0x11, 0x19, 0xFF, 0xFF, 0xFF, 0xFF, 0x2F));
}

TEST(ForNext, StepLimits) {
  Ok(kWf, {"DIM I AS INTEGER", "FOR I = 1 TO 10 STEP -128", "NEXT"});
  Ok(kWf, {"DIM I AS INTEGER", "FOR I = 1 TO 10 STEP 127", "NEXT"});
  ExpectErrorEn(kWf, {"DIM I AS INTEGER", "FOR I = 1 TO 10 STEP -129", "NEXT"}, "STEP Limit Error ! -128 ~ 127", 2);
  ExpectErrorEn(kWf, {"DIM I AS INTEGER", "FOR I = 1 TO 10 STEP 128", "NEXT"}, "STEP Limit Error ! -128 ~ 127", 2);
}

TEST(ForNext, StepMustBeAConstant) {
  // The English text is replaced; the Korean one is the constant compiler's.
  ExpectError(kWf, {"DIM I AS BYTE", "DIM S AS BYTE", "FOR I = 1 TO 10 STEP S", "NEXT"},
              "No Defined Variable or Wrong Constant !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다.", 3);
}

TEST(ForNext, SyntaxErrors) {
  ExpectError(kKf, {"DIM I AS BYTE", "FOR I 1 TO 10"}, "Syntax Error ! Example:FOR I = 1 TO 10",
              "문법에러 : FOR문의 사용법이 잘못되었습니다. 올바른 예 : FOR I=1 TO 10", 2);
  ExpectError(kKf, {"DIM I AS BYTE", "FOR I = 1 UNTIL 10"}, "Syntax Error ! Example :FOR I = 1 TO 10",
              "문법에러 : FOR문의 사용법이 잘못되었습니다. 올바른 예 : FOR I=1 TO 10", 2);
  ExpectError(kKf, {"DIM I AS BYTE", "FOR I = Q TO 10"}, "No Defined Variable or Wrong Constant !",
              "문법에러 : FOR문의 초기치값이 잘못되었습니다.", 2);
  ExpectError(kKf, {"DIM I AS BYTE", "FOR I = 1 TO Q"}, "No Defined Variable or Wrong Constant !",
              "문법에러 : FOR문의 종료치가 잘못되었습니다. 올바른 예 : FOR I=1 TO 10", 2);
  ExpectError(kKf, {"FOR Q = 1 TO 10"}, "Undefined Variable ! ", "정의되지 않은 변수입니다.", 1);
}

TEST(ForNext, NextErrors) {
  ExpectError(kKf, {"DIM I AS BYTE", "NEXT"}, "Next without FOR !", "FOR문이 없는 NEXT명령입니다.", 2);
  ExpectError(kKf, {"DIM I AS BYTE", "DIM J AS BYTE", "FOR I = 1 TO 10", "NEXT J"}, "Unmatch For..Next Agument !",
              "FOR문과 NEXT문의 변수명이 일치하지 않습니다.", 4);
}

TEST(ForNext, NextWithoutVariableBeforeACommentOrColon) {
  // The implied variable is the innermost loop's; what follows is read by the statement end.
  auto vn = Ok(kKf, {"DIM I AS BYTE", "FOR I = 1 TO 10", "NEXT ' again", "FOR I = 1 TO 2", "NEXT : I = 0"});
  EXPECT_EQ(CodeBytes(*vn, 35, 40), Bytes({0x86, 0x15, 0xA0, 28, 0}));
  EXPECT_EQ(CodeBytes(*vn, 51, 56), Bytes({0x86, 0x15, 0xA0, 44, 0}));
  EXPECT_EQ(CodeBytes(*vn, 56, 61), Bytes({0x91, 0x15, 0xA0, 0x10, 0}));
  auto vnm = Ok(kWf, {"DIM I AS BYTE", "FOR I = 1 TO 10", "NEXT : I = 0"});
  EXPECT_EQ(CodeBytes(*vnm, 40, 43), Bytes({0x88, 31, 0}));
}

TEST(OnGoto, MissingLabelIsReportedOnItsLine) {
  ExpectErrorEn(kKf, {"DIM X AS BYTE", "ON X GOTO"}, "Label Not Found !", 2);
  ExpectErrorEn(kKf, {"DIM X AS BYTE", "A:", "ON X GOTO A,"}, "Label Not Found !", 3);
}

TEST(ForNext, ForWithoutNextIsAnInvalidLabelAtTheForLine) {
  ExpectErrorEn(kKf, {"DIM I AS BYTE", "I = 0", "FOR I = 1 TO 10", "I = 2"}, "Invalid label : __FORQI1", 3);
}

TEST(ForNext, NestingLimit) {
  std::vector<std::string> lines{"DIM I AS BYTE"};
  for (int k = 0; k < 51; ++k) lines.push_back("FOR I = 1 TO 2");
  for (int k = 0; k < 51; ++k) lines.push_back("NEXT");
  Ok(kKf, lines);

  lines.assign(1, "DIM I AS BYTE");
  for (int k = 0; k < 52; ++k) lines.push_back("FOR I = 1 TO 2");
  ExpectError(kKf, lines, "Too many nested FOR loops ! (up to 51)", "FOR문은 51단계까지만 중첩할 수 있습니다.", 53);
}

// ---- IF -------------------------------------------------------------------------------------

TEST(IfStatement, SingleLineIfClosesItselfAtTheEndOfTheLine) {
  auto c = Ok(kKf, {"DIM A AS BYTE", "DIM B AS BYTE", "IF A = 1 THEN B = 2"});
  // 80 slot A = 1 00, then the assignment B = 2.
  EXPECT_THAT(ProgramBytes(*c),
              ElementsAre(0x80, 38, 0, 0x15, 0xA0, 0x35, 0x11, 0x00, 0x91, 0x15, 0xA1, 0x12, 2, 0x00));
  EXPECT_THAT(LabelList(*c), ElementsAre(std::pair<std::string, long>{"_x10", 38},
                                         std::pair<std::string, long>{"_y10_0", 38}));
  EXPECT_EQ(c->IfState, 0);
}

TEST(IfStatement, SingleLineIfWithElse) {
  auto c = Ok(kKf, {"DIM A AS BYTE", "DIM B AS BYTE", "IF A = 1 THEN B = 2 ELSE B = 3"});
  // 24: 80 →_y10_0 cond 00; 32: B = 2; 38: 88 →_x10; 41 (_y10_0): B = 3; 47 (_x10, _y10_0).
  EXPECT_THAT(CodeBytes(*c, 24, 27), ElementsAre(0x80, 41, 0));
  EXPECT_THAT(CodeBytes(*c, 38, 41), ElementsAre(0x88, 47, 0));
  EXPECT_THAT(CodeBytes(*c, 41, 47), ElementsAre(0x91, 0x15, 0xA1, 0x12, 3, 0x00));
  EXPECT_THAT(LabelList(*c), ElementsAre(std::pair<std::string, long>{"_y10_0", 41},
                                         std::pair<std::string, long>{"_x10", 47},
                                         std::pair<std::string, long>{"_y10_0", 47}));
  // The jump of ELSE carries no line mark of its own.
  EXPECT_EQ(c->Code.LineOf(38), 1);
}

TEST(IfStatement, BlockWithElseIfAndElse) {
  auto c = Ok(kKf, {"DIM A AS BYTE", "IF A = 1 THEN", "A = 5", "ELSEIF A > 2 THEN", "A = 6", "ELSE", "A = 7",
                    "END IF"});
  // 24: IF (8 bytes); 32: A = 5 (6); 38: 88 →_x10; 41 (_y10_0): 80 →_y10_1 A > 2 00 (9);
  // 50: A = 6; 56: 88 →_x10; 59 (_y10_1): A = 7; 65: _x10, _y10_1.
  EXPECT_THAT(CodeBytes(*c, 24, 27), ElementsAre(0x80, 41, 0));
  EXPECT_THAT(CodeBytes(*c, 38, 50), ElementsAre(0x88, 65, 0, 0x80, 59, 0, 0x15, 0xA0, 0x31, 0x12, 2, 0x00));
  EXPECT_THAT(CodeBytes(*c, 56, 59), ElementsAre(0x88, 65, 0));
  EXPECT_THAT(LabelList(*c), ElementsAre(std::pair<std::string, long>{"_y10_0", 41},
                                         std::pair<std::string, long>{"_y10_1", 59},
                                         std::pair<std::string, long>{"_x10", 65},
                                         std::pair<std::string, long>{"_y10_1", 65}));
  EXPECT_EQ(c->Code.LineOf(38), 4);
  EXPECT_EQ(c->Code.LineOf(41), 4);
  EXPECT_EQ(c->Code.LineOf(56), 6);
  EXPECT_EQ(c->IfPartStack[1], 0);
}

TEST(IfStatement, ConnectivesAndParentheses) {
  auto c = Ok(kKf, {"DIM A AS BYTE", "DIM B AS BYTE", "IF (A = 1) AND (B <> 0) OR A >= B THEN", "END IF"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x80, 43, 0, 0x15, 0xA0, 0x35, 0x11, 0x27, 0x15, 0xA1, 0x34, 0x10,
                                            0x28, 0x15, 0xA0, 0x33, 0x15, 0xA1, 0x00));
}

TEST(IfStatement, ConditionOperandMayBeAFunction) {
  auto c = Ok(kKf, {"IF IN(3) = 1 THEN", "END IF"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x80, 33, 0, 0xC0, 0x12, 3, 0x35, 0x11, 0x00));
}

TEST(IfStatement, IdsCountEveryIf) {
  auto c = Ok(kKf, {"DIM A AS BYTE", "IF A = 1 THEN", "IF A = 2 THEN A = 3", "END IF", "IF A = 4 THEN A = 5"});
  std::vector<std::string> names;
  for (const auto& [name, addr] : LabelList(*c)) names.push_back(name);
  EXPECT_THAT(names, ElementsAre("_x11", "_y11_0", "_x10", "_y10_0", "_x12", "_y12_0"));
  EXPECT_EQ(c->IfCounter, 13);
}

TEST(IfStatement, SingleLineIfInsideABlockLeavesTheBlockOpen) {
  auto c = Compile(kKf, {"DIM A AS BYTE", "IF A = 1 THEN", "IF A = 2 THEN A = 3"});
  EXPECT_EQ(c->IfState, 2);
  EXPECT_EQ(c->IfDepth, 1);
  EXPECT_EQ(c->Outcome.line, 3);  // IfLine: the last IF compiled
}

TEST(IfStatement, BlockLeftOpenIsReportedWithTheLineOfItsIf) {
  auto c = Compile(kKf, {"DIM A AS BYTE", "A = 0", "IF A = 1 THEN", "A = 2"});
  EXPECT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.line, 3);
  EXPECT_EQ(c->Outcome.message.en, "IF without END IF !   Line : 3");
  EXPECT_EQ(c->Outcome.message.ko, "END IF문이 없는 IF문 블록입니다.  행번호 : 3");
}

TEST(IfStatement, CommentAfterThenOpensABlock) {
  auto c = Compile(kKf, {"DIM A AS BYTE", "IF A = 1 THEN ' block", "END IF"});
  EXPECT_EQ(c->Outcome.result, 0);
  EXPECT_EQ(c->IfState, 0);
}

TEST(IfStatement, RemAfterThenClosesTheSingleLineIf) {
  // Our choice for a single-line IF whose line ends through the comment check.
  auto c = Ok(kKf, {"DIM A AS BYTE", "IF A = 1 THEN REM nothing", "IF A = 1 THEN A = 2 : REM x"});
  EXPECT_EQ(c->IfState, 0);
  EXPECT_EQ(c->IfDepth, 0);
}

TEST(IfStatement, Errors) {
  ExpectError(kKf, {"DIM A AS BYTE", "IF A = 1"}, "THEN not found !", "THEN을 찾을 수 없습니다.", 2);
  ExpectErrorEn(kKf, {"DIM A AS BYTE", "IF A THEN"}, "THEN not found !", 2);
  // A token other than THEN, AND, OR after a comparison is rejected (our choice).
  ExpectError(kKf, {"DIM A AS BYTE", "IF A = 1 XOR A = 2 THEN"}, "THEN not found !", "THEN을 찾을 수 없습니다.", 2);
  ExpectError(kKf, {"DIM A AS BYTE", "IF A = 1 THEN", "ELSE IF A = 2 THEN"}, "Syntax Error ! Example ELSEIF ",
              "문법에러 : ELSEIF는 붙여써야 됩니다. ", 3);
  ExpectError(kKf, {"DIM A AS BYTE", "ELSE"}, "Syntax Error in IF clause ! Invalid ELSE",
              "문법에러 : ELSE의 위치가 잘못되었습니다.", 2);
  ExpectError(kKf, {"DIM A AS BYTE", "ELSEIF A = 1 THEN"}, "Syntax Error in IF clause ! Invalid ELSEIF",
              "문법에러 : ELSEIF의 위치가 잘못되었습니다.", 2);
  ExpectError(kKf, {"DIM A AS BYTE", "IF A = 1 THEN", "ENDIF"}, "Syntax Error ! Example : END IF",
              "문법에러 : END IF는 띄어서 작성해야 합니다.", 3);
  ExpectError(kKf, {"DIM A AS BYTE", "END"}, "Syntax Error ! ", "문법에러 : END IF로 작성해야 합니다. ", 2);
  ExpectError(kKf, {"DIM A AS BYTE", "END IF"}, "Syntax Error in IF clause", "문법에러 : IF문의 구조가 잘못되었습니다. ",
              2);
  ExpectError(kKf, {"DIM A AS BYTE", "A = 1 ELSE A = 2"}, "Syntax Error in ELSE !",
              "문법에러 : IF가 없는 ELSE문입니다.", 2);
  ExpectError(kKf, {"DIM A AS BYTE", "IF A = 1 THEN A = 2 : END IF"}, "Syntax Error in IF clause",
              "문법에러 : IF문의 구조가 잘못되었습니다. ", 2);
}

TEST(IfStatement, NestingLimit) {
  std::vector<std::string> lines{"DIM A AS BYTE"};
  for (int k = 0; k < 50; ++k) lines.push_back("IF A = 1 THEN");
  for (int k = 0; k < 50; ++k) lines.push_back("END IF");
  Ok(kKf, lines);

  lines.assign(1, "DIM A AS BYTE");
  for (int k = 0; k < 51; ++k) lines.push_back("IF A = 1 THEN");
  ExpectError(kKf, lines, "Too many nested IF statements ! (up to 50)", "IF문은 50단계까지만 중첩할 수 있습니다.", 52);
}

// ---- GOTO, GOSUB, RETURN, BREAK, DELAY, RESET ------------------------------------------------

TEST(Jumps, GotoGosubReturnResetBreak) {
  auto c = Ok(kKf, {"L1: GOTO L1", "GOSUB L1 : RETURN", "RESET", "BREAK"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x88, 24, 0, 0x89, 24, 0, 0x90, 0xA5, 0x8F));
  EXPECT_EQ(c->Code.LineOf(24), 1);
  EXPECT_EQ(c->Code.LineOf(27), 2);
  EXPECT_EQ(c->Code.LineOf(30), 2);
  EXPECT_EQ(c->Code.LineOf(31), 3);
  EXPECT_EQ(c->Code.LineOf(32), 1);
}

TEST(Jumps, BreakMarksTheAddressAfterItsOpcode) {
  auto c = MakeCompiler(kKf);
  c->LineNo = 7;
  c->SrcLine = Ansi("BREAK");
  ASSERT_EQ(c->CompileLine(), 0);
  EXPECT_EQ(c->CodeAddr, 25);
  EXPECT_EQ(c->Code.Get(24), 0x8F);
  EXPECT_EQ(c->Code.LineOf(24), 1);
  EXPECT_EQ(c->Code.LineOf(25), 7);
}

TEST(Jumps, ForwardReference) {
  auto c = Ok(kKf, {"GOTO 100", "100 RETURN"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x88, 27, 0, 0x90));
}

TEST(Jumps, MissingOrUnknownLabel) {
  ExpectErrorEn(kKf, {"RETURN", "GOTO"}, "Label Not Found !", 2);
  ExpectErrorEn(kKf, {"GOSUB : RETURN"}, "Label Not Found !", 1);
  ExpectErrorEn(kKf, {"GOTO NOWHERE", "RETURN"}, "Invalid label : NOWHERE", 1);
}

TEST(Jumps, Delay) {
  auto c = Ok(kKf, {"DIM A AS BYTE", "DELAY 100", "DELAY A"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x8E, 0x12, 100, 0x8E, 0x15, 0xA0));
  EXPECT_EQ(c->Code.LineOf(27), 3);
  ExpectError(kKf, {"DELAY Q"}, "Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다.", 1);
}

// ---- ON ... -------------------------------------------------------------------------------

TEST(OnTimer, TimeCodes) {
  auto c = Ok(kKf, {"ON TIMER(0) GOSUB T", "ON TIMER(60) GOSUB T", "T: RETURN"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x8D, 1, 32, 0, 0x8D, 120, 32, 0, 0x90));
  EXPECT_TRUE(c->OnTimerSeen);
  ExpectError(kKf, {"ON TIMER(61) GOSUB T", "T: RETURN"}, "Syntax Error in TimeCode ! (Only 0 ~ 60)",
              "문법에러 : 0~60사이의 숫자만 사용할 수 있습니다.", 1);
  ExpectError(kKf, {"DIM A AS BYTE", "ON TIMER(A) GOSUB T"}, "Syntax Error in TimeCode ! (Only 0 ~ 60)",
              "문법에러 : 0~60사이의 숫자만 사용할 수 있습니다.", 2);
  ExpectError(kKf, {"ON TIMER 1 GOSUB T"}, "Syntax Error ! Example:ON TIMER(0)=0 GOSUB 100",
              "문법에러 : 괄호를 찾을 수 없습니다.", 1);
  ExpectError(kKf, {"ON TIMER(1)=0 GOSUB T"}, "Syntax Error ! Example:ON TIMER(0)=0 GOSUB 100",
              "문법에러 : GOSUB를 사용해야 합니다.", 1);
}

TEST(OnInt, Vn) {
  auto c = Ok(kKf, {"ON INT(5)=1 GOSUB H", "H: RETURN"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x8C, 5, 1, 29, 0, 0x90));
  EXPECT_TRUE(c->OnIntSeen);
  const std::string example = "Syntax Error ! Example:ON INT(0)=0 GOSUB 100";
  ExpectError(kKf, {"ON INT 5 = 1 GOSUB H"}, example, "문법에러 : 괄호를 찾을 수 없습니다.", 1);
  ExpectError(kKf, {"ON INT(5 = 1 GOSUB H"}, example, "문법에러 : 괄호를 찾을 수 없습니다.", 1);
  ExpectError(kKf, {"ON INT(5) 1 GOSUB H"}, example, "문법에러 : =기호를 찾을 수 없습니다.", 1);
  ExpectError(kKf, {"DIM P AS BYTE", "ON INT(P)=1 GOSUB H"}, "Syntax Error in Port Value!",
              "문법에러 : 잘못된 포트번호입니다.", 2);
  ExpectError(kKf, {"ON INT(29)=1 GOSUB H"}, "Syntax Error in Port Value (Only 0 ~ 28)",
              "문법에러 : 포트번호는 0~28까지만 사용가능합니다.", 1);
  ExpectError(kKf, {"ON INT(28)=2 GOSUB H"}, "Syntax Error in Target Value ! (Only 0 or 1)",
              "문법에러 : 타겟값은 0또는 1만 사용가능합니다.", 1);
  ExpectError(kKf, {"DIM T AS BYTE", "ON INT(0)=T GOSUB H"}, "Syntax Error in Target Value ! (Only constant 0 or 1)",
              "문법에러 : 타겟값은 상수 0또는 1만 사용가능합니다.", 2);
  ExpectErrorEn(kKf, {"ON INT(0)=0 GOTO H"}, "Syntax Error ! Example:ON INT(0) GOSUB 100", 1);
}

TEST(OnInt, Vnm) {
  auto c = Ok(kWf, {"ON INT(1) GOSUB H", "H: RETURN"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x8C, 1, 28, 0, 0x90));
  const std::string example = "Syntax Error ! Example:ON INT(0) GOSUB 100";
  ExpectError(kWf, {"ON INT 1 GOSUB H"}, example, "문법에러 : 괄호를 찾을 수 없습니다.", 1);
  ExpectError(kWf, {"ON INT(1 GOSUB H"}, example, "문법에러 : 괄호를 찾을 수 없습니다.", 1);
  ExpectError(kWf, {"ON INT(2) GOSUB H"}, "Syntax Error in Port Value (Only 0 or 1)",
              "문법에러 : 타겟값은 0또는 1만 사용가능합니다.", 1);
  ExpectError(kWf, {"DIM N AS BYTE", "ON INT(N) GOSUB H"}, "Syntax Error in Port Value ! (Only constant 0 or 1)",
              "문법에러 : 상수 0또는 1만 사용가능합니다.", 2);
  ExpectErrorEn(kWf, {"ON INT(0)=1 GOSUB H"}, example, 1);
}

TEST(OnRecv, DeviceAndSetRs232) {
  ExpectError(kKf, {"ON RECV GOSUB R"}, "Can not use this command at VN-XX device",
              "VN시리즈에서는 이 명령어를 사용할 수 없습니다.", 1);
  ExpectError(kWf, {"ON RECV GOSUB R"}, "[SET RS232 ..] Command Not Found !",
              "SET RS232명령이 사전에 정의되어 있어야 합니다.", 1);
}

TEST(OnRecv, AfterSetRs232) {
  // SET RS232 belongs to the serial statements; its flag is set by hand here.
  auto c = MakeCompiler(kWf);
  c->Rs232Seen = true;
  c->SrcLine = Ansi("ON RECV GOSUB R");
  ASSERT_EQ(c->CompileLine(), 0) << c->ErrMsgEn;
  EXPECT_THAT(CodeBytes(*c, 24, 25), ElementsAre(0xA8));
  EXPECT_EQ(c->CodeAddr, 27);
  EXPECT_THAT(FixupNames(*c), ElementsAre("R"));
  EXPECT_TRUE(c->OnRecvSeen);

  c->SrcLine = Ansi("ON RECV GOTO R");
  EXPECT_EQ(c->CompileLine(), -1);
  EXPECT_EQ(c->ErrMsgEn, "Syntax Error ! Example:ON RECV GOSUB 100");
  EXPECT_EQ(c->ErrMsgKo, "문법에러 : GOSUB를 사용해야 합니다.");
}

TEST(OnGoto, LabelList) {
  auto c = Ok(kKf, {"DIM X AS BYTE", "ON X GOTO A, B, C : RETURN", "A: RETURN", "B: RETURN", "C: RETURN"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x8B, 0x15, 0xA0, 3, 35, 0, 36, 0, 37, 0, 0x90, 0x90, 0x90, 0x90));
  EXPECT_EQ(c->Code.LineOf(24), 2);
}

TEST(OnGoto, GosubOnlyOnVnm) {
  auto c = Ok(kWf, {"DIM X AS INTEGER", "ON X GOSUB A", "A: RETURN"});
  EXPECT_THAT(ProgramBytes(*c), ElementsAre(0x84, 0x16, 0x00, 0x00, 1, 31, 0, 0x90));
  ExpectError(kKf, {"DIM X AS BYTE", "ON X GOSUB A"}, "Can not use this command at VN-XX device",
              "VN시리즈에서는 이 명령어를 사용할 수 없습니다.", 2);
}

TEST(OnGoto, Errors) {
  ExpectError(kKf, {"DIM X AS BYTE", "ON X GO A"},
              "Syntax Error ! Example:ON variable GOTO/GOSUB label1, label2, label3...",
              "문법 에러 : GOTO또는 GOSUB를 찾을 수 없습니다.", 2);
  ExpectError(kKf, {"DIM X AS BYTE", "ON X GOTO A B"}, "Syntax Error ! Example:ON variable GOTO label1, label2, label3...",
              "문법에러 : 쉼표를 찾을 수 없습니다.", 2);
  ExpectError(kKf, {"ON Q GOTO A"}, "Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다.", 1);

  std::string line = "ON X GOTO A";
  for (int k = 1; k < 127; ++k) line += ", A";
  Ok(kKf, {"DIM X AS BYTE", line, "A: RETURN"});
  ExpectError(kKf, {"DIM X AS BYTE", line + ", A", "A: RETURN"}, "Too Manly Label Point ! (up to 127) ",
              "라벨은 127개까지만 사용가능합니다.", 2);
}

TEST(ControlFlow, KoreanInterfaceShowsTheKoreanText) {
  auto c = Compile(kKf, {"NEXT"});
  c->UseKorean = true;
  EXPECT_EQ(c->OutcomeText(), "FOR문이 없는 NEXT명령입니다.");
  c = Compile(kKf, {"GOTO"});
  c->UseKorean = true;
  EXPECT_EQ(c->OutcomeText(), "Label Not Found !");
}

}  // namespace
}  // namespace vn::compiler::testing
