// Control-flow statements: code bytes, hidden labels, messages and their lines; breakpoints.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include "compile_helpers.h"

namespace vn::compiler {
void PrintTo(const BreakPlacement& p, std::ostream* os) { *os << p.requested << "->" << p.line; }
}  // namespace vn::compiler

namespace vn::compiler::testing {
namespace {
using ::testing::ElementsAre;
using Label = std::pair<std::string, long>;

std::vector<Label> LabelList(const Compiler& c) {
  std::vector<Label> out;
  for (const auto& l : c.Labels) out.emplace_back(EncodeAnsi(l.LabelName), l.LabelAddr);
  return out;
}

// The names in the table of labels or of label references.
template <typename Entry>
std::vector<std::string> Names(const std::vector<Entry>& table, std::u16string Entry::*name) {
  std::vector<std::string> out;
  for (const auto& e : table) out.push_back(EncodeAnsi(e.*name));
  return out;
}
TEST(ForNext, HiddenLabelsStepAndNextWithoutVariable) {
  auto c = Ok("KF", "DIM I AS BYTE|FOR I = 1 TO 10|NEXT");
  EXPECT_THAT(LabelList(*c), ElementsAre(Label{"__FORLI1", 28}, Label{"__FORNI1", 35}, Label{"__FORQI1", 40}));
  EXPECT_THAT(Names(c->Fixups, &FixupEntry::FixName), ElementsAre("__FORQI1", "__FORLI1"));
  EXPECT_THAT(Names(Ok("WF", "DIM I AS BYTE|FOR I = 1 TO 10|NEXT")->Fixups, &FixupEntry::FixName), ElementsAre("__FORNI1", "__FORQI1", "__FORLI1"));
  // Loop ids count every FOR; a NEXT without a name closes the innermost loop.
  c = Ok("KF", "DIM I AS BYTE|DIM J AS BYTE|FOR I = 1 TO 2|FOR J = 1 TO 3|NEXT|NEXT I|FOR J = 0 TO 1|NEXT J");
  EXPECT_THAT(Names(c->Labels, &LabelEntry::LabelName), ElementsAre("__FORLI1", "__FORNI1", "__FORLJ2", "__FORNJ2", "__FORQJ2", "__FORQI1",
                                          "__FORLJ3", "__FORNJ3", "__FORQJ3"));
  EXPECT_EQ(std::pair(c->ForDepth, c->ForCounter), std::pair(0, 3));
  c = Ok("WF", "DIM I AS BYTE|FOR I = 1 TO 10 STEP 2|NEXT");
  EXPECT_EQ(CodeBytes(*c, 31, 40), Bytes({0x87, 0x15, 0x00, 0x00, 0x12, 0x0A, 0x12, 0x02, 0x2C}));
  c = Ok("WF", "DIM I AS BYTE|FOR I = 10 TO 1 STEP -1|NEXT");  // a negative step is a 32-bit constant
  EXPECT_EQ(CodeBytes(*c, 32, 43), Bytes({0x87, 0x15, 0x00, 0x00, 0x11, 0x19, 0xFF, 0xFF, 0xFF, 0xFF, 0x2F}));
  // The implied variable is the innermost loop's; what follows is read by the statement end.
  c = Ok("KF", "DIM I AS BYTE|FOR I = 1 TO 10|NEXT ' again|FOR I = 1 TO 2|NEXT : I = 0");
  EXPECT_EQ(CodeBytes(*c, 35, 40), Bytes({0x86, 0x15, 0xA0, 28, 0}));
  EXPECT_EQ(CodeBytes(*c, 51, 61), Bytes({0x86, 0x15, 0xA0, 44, 0, 0x91, 0x15, 0xA0, 0x10, 0}));
}
TEST(IfStatement, LabelsAndState) {
  auto c = Ok("KF", "DIM A AS BYTE|DIM B AS BYTE|IF A = 1 THEN B = 2 ELSE B = 3");
  // 24: 80 ->_y10_0 cond 00; 32: B = 2; 38: 88 ->_x10; 41 (_y10_0): B = 3; 47 (_x10, _y10_0).
  EXPECT_THAT(LabelList(*c), ElementsAre(Label{"_y10_0", 41}, Label{"_x10", 47}, Label{"_y10_0", 47}));
  EXPECT_EQ(Ok("KF", "DIM A AS BYTE|IF A = 1 THEN|A = 5|ELSEIF A > 2 THEN|A = 6|ELSE|A = 7|END IF")->IfPartStack[1], 0);
  c = Ok("KF", "DIM A AS BYTE|IF A = 1 THEN|IF A = 2 THEN A = 3|END IF|IF A = 4 THEN A = 5");
  EXPECT_THAT(Names(c->Labels, &LabelEntry::LabelName), ElementsAre("_x11", "_y11_0", "_x10", "_y10_0", "_x12", "_y12_0"));
  EXPECT_EQ(c->IfCounter, 13);
  c = Compile("KF", Lines("DIM A AS BYTE|IF A = 1 THEN|IF A = 2 THEN A = 3"));
  EXPECT_EQ(std::tuple(c->IfState, c->IfDepth, c->Outcome.line), std::tuple(2, 1, 3));  // the line: the last IF's
  // An ELSE whose part label finds the table full fails itself, not only through the driver's check.
  c->Labels.resize(Compiler::kMaxLabels);
  c->SrcLine = Ansi("");
  c->ScanPos = c->ScanEnd = 1;
  EXPECT_EQ(c->CompileElse(), -1);
  // A comment after THEN opens a block; REM after a single-line IF's statement closes it.
  EXPECT_EQ(Ok("KF", "DIM A AS BYTE|IF A = 1 THEN ' block|END IF")->IfState, 0);
  c = Ok("KF", "DIM A AS BYTE|IF A = 1 THEN REM nothing|IF A = 1 THEN A = 2 : REM x");
  EXPECT_EQ(std::pair(c->IfState, c->IfDepth), std::pair(0, 0));
}

const ByteRow kBytes[] = {
    {"KF", "DIM I AS BYTE|FOR I = 1 TO 10|NEXT", {0x85, 0x15, 0xA0, 0x11, 0x87, 0x15, 0xA0, 0x12, 0x0A, 0x28, 0x00, 0x86, 0x15, 0xA0, 0x1C, 0x00},
     {{24, 2}, {28, 2}, {35, 3}, {40, 4}, {29, 1}}},
    {"WF", "DIM I AS BYTE|FOR I = 1 TO 10|NEXT",
     {0x85, 0x15, 0x00, 0x00, 0x11, 0x28, 0x00, 0x87, 0x15, 0x00, 0x00, 0x12, 0x0A, 0x11, 0x2B, 0x00, 0x88, 0x1F, 0x00}},
    {"KF", "DIM I AS BYTE|IF I = 1 THEN|END IF", {0x80, 32, 0, 0x15, 0xA0, 0x35, 0x11, 0x00}},
    {"KF", "DIM A AS BYTE|DIM B AS BYTE|IF A = 1 THEN B = 2", {0x80, 38, 0, 0x15, 0xA0, 0x35, 0x11, 0x00, 0x91, 0x15, 0xA1, 0x12, 2, 0x00}},
    {"KF", "DIM A AS BYTE|DIM B AS BYTE|IF A = 1 THEN B = 2 ELSE B = 3",
     {0x80, 41, 0, 0x15, 0xA0, 0x35, 0x11, 0, 0x91, 0x15, 0xA1, 0x12, 2, 0, 0x88, 47, 0, 0x91, 0x15, 0xA1, 0x12, 3, 0},
     {{38, 1}}},  // the jump of ELSE carries no line mark of its own
    {"KF", "DIM A AS BYTE|IF A = 1 THEN|A = 5|ELSEIF A > 2 THEN|A = 6|ELSE|A = 7|END IF",
     {0x80, 41, 0, 0x15, 0xA0, 0x35, 0x11, 0, 0x91, 0x15, 0xA0, 0x12, 5, 0, 0x88, 65, 0, 0x80, 59, 0, 0x15, 0xA0, 0x31,
      0x12, 2, 0, 0x91, 0x15, 0xA0, 0x12, 6, 0, 0x88, 65, 0, 0x91, 0x15, 0xA0, 0x12, 7, 0}, {{38, 4}, {41, 4}, {56, 6}}},
    {"KF", "DIM A AS BYTE|DIM B AS BYTE|IF (A = 1) AND (B <> 0) OR A >= B THEN|END IF",
     {0x80, 43, 0, 0x15, 0xA0, 0x35, 0x11, 0x27, 0x15, 0xA1, 0x34, 0x10, 0x28, 0x15, 0xA0, 0x33, 0x15, 0xA1, 0x00}},
    {"KF", "IF IN(3) = 1 THEN|END IF", {0x80, 33, 0, 0xC0, 0x12, 3, 0x35, 0x11, 0x00}},
    {"KF", "L1: GOTO L1|GOSUB L1 : RETURN|RESET|BREAK", {0x88, 24, 0, 0x89, 24, 0, 0x90, 0xA5, 0x8F}, {{24, 1}, {27, 2}, {30, 2}, {31, 3}, {32, 4}}},
    {"KF", "GOTO 100|100 RETURN", {0x88, 27, 0, 0x90}}, {"KF", "DIM A AS BYTE|DELAY 100|DELAY A", {0x8E, 0x12, 100, 0x8E, 0x15, 0xA0}, {{27, 3}}},
    {"KF", "ON TIMER(0) GOSUB T|ON TIMER(60) GOSUB T|T: RETURN", {0x8D, 1, 32, 0, 0x8D, 120, 32, 0, 0x90}},
    {"KF", "ON INT(5)=1 GOSUB H|H: RETURN", {0x8C, 5, 1, 29, 0, 0x90}}, {"WF", "ON INT(1) GOSUB H|H: RETURN", {0x8C, 1, 28, 0, 0x90}},
    {"KF", "DIM X AS BYTE|ON X GOTO A, B, C : RETURN|A: RETURN|B: RETURN|C: RETURN",
     {0x8B, 0x15, 0xA0, 3, 35, 0, 36, 0, 37, 0, 0x90, 0x90, 0x90, 0x90}, {{24, 2}}},
    {"WF", "DIM X AS INTEGER|ON X GOSUB A|A: RETURN", {0x84, 0x16, 0x00, 0x00, 1, 31, 0, 0x90}},
};
const Text kStep = English("STEP Limit Error ! -128 ~ 127");
const Text kTimeCode{"Syntax Error in TimeCode ! (Only 0 ~ 60)", "문법에러 : 0~60사이의 숫자만 사용할 수 있습니다."};
const Text kIntExVnm = English("Syntax Error ! Example:ON INT(0) GOSUB 100");
const Text kThen{"THEN not found !", "THEN을 찾을 수 없습니다."};
const Text kIfClause{"Syntax Error in IF clause", "문법에러 : IF문의 구조가 잘못되었습니다. "};
const Text kNoLabel = English("Label Not Found !");
const ErrorRow kErrors[] = {
    {"KF", "DIM I AS BYTE|FOR I = 1 TO 10 STEP 2|NEXT", kEndOfLine, 2}, {"WF", "DIM I AS INTEGER|FOR I = 1 TO 10 STEP -129|NEXT", kStep, 2},
    {"WF", "DIM I AS INTEGER|FOR I = 1 TO 10 STEP 128|NEXT", kStep, 2},
    // The English text is replaced; the Korean one is the constant compiler's.
    {"WF", "DIM I AS BYTE|DIM S AS BYTE|FOR I = 1 TO 10 STEP S|NEXT", kNoDefined, 3},
    {"KF", "DIM I AS BYTE|FOR I = 1 UNTIL 10", {"Syntax Error ! Example :FOR I = 1 TO 10"}},
    {"KF", "DIM I AS BYTE|FOR I = 1 TO Q", {kNoDefined.en, "문법에러 : FOR문의 종료치가 잘못되었습니다. 올바른 예 : FOR I=1 TO 10"}},
    {"KF", "FOR Q = 1 TO 10", {"Undefined Variable ! ", "정의되지 않은 변수입니다."}},
    {"KF", "DIM I AS BYTE|NEXT", {"Next without FOR !", "FOR문이 없는 NEXT명령입니다."}},
    {"KF", "DIM I AS BYTE|DIM J AS BYTE|FOR I = 1 TO 10|NEXT J", {"Unmatch For..Next Agument !"}},
    {"KF", "DIM I AS BYTE|I = 0|FOR I = 1 TO 10|I = 2", English("Invalid label : __FORQI1"), 3},
    {"KF", "DIM A AS BYTE|A = 0|IF A = 1 THEN|A = 2", {"IF without END IF !   Line : 3", "END IF문이 없는 IF문 블록입니다.  행번호 : 3"}, 3},
    {"KF", "DIM A AS BYTE|IF A = 1", kThen}, {"KF", "DIM A AS BYTE|IF A THEN", English(kThen.en)},
    {"KF", "DIM A AS BYTE|IF A = 1 THEN|ELSE IF A = 2 THEN", {"Syntax Error ! Example ELSEIF "}},
    {"KF", "DIM A AS BYTE|ELSE", {"Syntax Error in IF clause ! Invalid ELSE", "문법에러 : ELSE의 위치가 잘못되었습니다."}},
    {"KF", "DIM A AS BYTE|ELSEIF A = 1 THEN", {"Syntax Error in IF clause ! Invalid ELSEIF"}},
    {"KF", "DIM A AS BYTE|IF A = 1 THEN|ENDIF", {"Syntax Error ! Example : END IF"}},
    {"KF", "DIM A AS BYTE|END", {"Syntax Error ! ", "문법에러 : END IF로 작성해야 합니다. "}}, {"KF", "DIM A AS BYTE|END IF", kIfClause},
    {"KF", "DIM A AS BYTE|A = 1 ELSE A = 2", {"Syntax Error in ELSE !"}}, {"KF", "DIM A AS BYTE|IF A = 1 THEN A = 2 : END IF", kIfClause},
    {"KF", "RETURN|GOTO", kNoLabel}, {"KF", "GOSUB : RETURN", kNoLabel}, {"KF", "GOTO NOWHERE|RETURN", English("Invalid label : NOWHERE"), 1},
    {"KF", "DIM X AS BYTE|A:|ON X GOTO A,", kNoLabel}, {"KF", "ON TIMER(61) GOSUB T|T: RETURN", kTimeCode, 1},
    {"KF", "DIM A AS BYTE|ON TIMER(A) GOSUB T", kTimeCode},
    {"KF", "ON TIMER(1)=0 GOSUB T", {"Syntax Error ! Example:ON TIMER(0)=0 GOSUB 100", "문법에러 : GOSUB를 사용해야 합니다."}},
    {"KF", "DIM P AS BYTE|ON INT(P)=1 GOSUB H", {"Syntax Error in Port Value!"}},
    {"KF", "ON INT(29)=1 GOSUB H", {"Syntax Error in Port Value (Only 0 ~ 28)"}},
    {"KF", "ON INT(28)=2 GOSUB H", {"Syntax Error in Target Value ! (Only 0 or 1)", "문법에러 : 타겟값은 0또는 1만 사용가능합니다."}},
    {"KF", "DIM T AS BYTE|ON INT(0)=T GOSUB H", {"Syntax Error in Target Value ! (Only constant 0 or 1)"}}, {"KF", "ON INT(0)=0 GOTO H", kIntExVnm},
    {"WF", "ON INT(2) GOSUB H", {"Syntax Error in Port Value (Only 0 or 1)", "문법에러 : 타겟값은 0또는 1만 사용가능합니다."}},
    {"WF", "DIM N AS BYTE|ON INT(N) GOSUB H", {"Syntax Error in Port Value ! (Only constant 0 or 1)"}}, {"WF", "ON INT(0)=1 GOSUB H", kIntExVnm},
    {"KF", "ON RECV GOSUB R", kDeviceVn}, {"WF", "ON RECV GOSUB R", {"[SET RS232 ..] Command Not Found !", "SET RS232명령이 사전에 정의되어 있어야 합니다."}},
    {"KF", "DIM X AS BYTE|ON X GOSUB A", kDeviceVn}, {"WF", "SET RS232 9600|ON RECV GOTO R", {"Syntax Error ! Example:ON RECV GOSUB 100"}},
    {"KF", "DIM X AS BYTE|ON X GO A", {"Syntax Error ! Example:ON variable GOTO/GOSUB label1, label2, label3..."}},
};
TEST(ControlFlow, ExactBytesMessagesAndTheLineOfBreak) {
  for (const auto& r : kBytes) ExpectRow(r);
  for (const auto& r : kErrors) ExpectRow(r);
  // BREAK marks the address after its opcode, where the module stops, and the opcode's own, where a
  // step lands.
  auto c = MakeCompiler("KF");
  c->LineNo = 7;
  c->SrcLine = Ansi("BREAK");
  ASSERT_EQ(c->CompileLine(), 0);
  EXPECT_EQ(std::tuple(c->CodeAddr, c->Code.LineOf(24), c->Code.LineOf(25)), std::tuple(25L, 7, 7));
}
TEST(ControlFlow, Limits) {
  Ok("WF", "DIM I AS INTEGER|FOR I = 1 TO 10 STEP -128|NEXT");
  Ok("WF", "DIM I AS INTEGER|FOR I = 1 TO 10 STEP 127|NEXT");
  Ok("KF", "DIM I AS BYTE|" + Repeat("FOR I = 1 TO 2|", 51) + Repeat("NEXT|", 50) + "NEXT");
  ExpectRow(ErrorRow{"KF", "DIM I AS BYTE|" + Repeat("FOR I = 1 TO 2|", 51) + "FOR I = 1 TO 2", {"Too many nested FOR loops ! (up to 51)"}});
  Ok("KF", "DIM A AS BYTE|" + Repeat("IF A = 1 THEN|", 50) + Repeat("END IF|", 49) + "END IF");
  ExpectRow(ErrorRow{"KF", "DIM A AS BYTE|" + Repeat("IF A = 1 THEN|", 50) + "IF A = 1 THEN", {"Too many nested IF statements ! (up to 50)"}});
  const std::string labels = "DIM X AS BYTE|ON X GOTO A" + Repeat(", A", 126);
  Ok("KF", labels + "|A: RETURN");
  ExpectRow(ErrorRow{"KF", labels + ", A|A: RETURN", {"Too Manly Label Point ! (up to 127) "}, 2});
}

// Breakpoints compiled into the code: the break instruction at the start of a marked line's first statement,
// the source's lines unchanged, and where each breakpoint went.
std::unique_ptr<Compiler> CompileWithBreaks(const std::string& device, const std::vector<std::string>& lines, const std::vector<int>& breaks) {
  auto c = MakeCompiler(device);
  c->BreakLines = breaks;
  c->CompileSource(Source(lines));
  return c;
}

struct Case {
  const char* device;
  std::string lines;  // separated by '|'
  std::vector<int> breaks;
  Bytes program;  // from address 24 up to the end jump
  std::vector<BreakPlacement> placements;
};

const Case kCases[] = {
    // Declarations and blank lines hand their break on; so does a line with only a label, and past the end none is placed.
    {"KF", "DIM A AS BYTE|A = 5||A = 6", {3, 1}, {0x8F, 145, 21, 160, 18, 5, 0, 0x8F, 145, 21, 160, 18, 6, 0}, {{1, 2}, {3, 4}}},
    {"WF", "DIM A AS BYTE|L1:|A = 1 ' one|GOTO L1|' the end|", {8, 5, 2, 0, 2}, {0x8F, 145, 21, 0, 0, 17, 0, 136, 24, 0},
     {{0, 0}, {2, 3}, {5, 0}, {8, 0}}},
    {"KF", "DIM A AS BYTE|IF A = 0 THEN|  A = 1|ELSE|  A = 2|END IF|A = 3", {2, 4, 6},
     {0x8F, 128, 41, 0, 21, 160, 53, 16, 0, 145, 21, 160, 17, 0, 136, 48, 0, 0x8F, 145, 21, 160, 18, 2, 0, 0x8F, 145, 21, 160, 18, 3, 0}, {{2, 2}, {4, 5}, {6, 7}}},
    {"WF", "DIM A AS BYTE|IF A = 0 THEN|A = 1|ELSEIF A = 1 THEN|A = 2|END IF", {4},  // ELSEIF keeps its line
     {128, 42, 0, 21, 0, 0, 53, 16, 0, 145, 21, 0, 0, 17, 0, 136, 59, 0, 0x8F, 128, 59, 0, 21, 0, 0, 53, 17, 0, 145, 21, 0, 0, 18, 2, 0}, {{4, 4}}},
    {"KF", "DIM I AS BYTE|FOR I = 1 TO 3|NEXT I", {2, 3},
     {0x8F, 133, 21, 160, 17, 135, 21, 160, 18, 3, 42, 0, 0x8F, 134, 21, 160, 29, 0}, {{2, 2}, {3, 3}}},
    {"WF", "DIM A AS BYTE|IF A = 0 THEN A = 1 ELSE A = 2", {2},
     {0x8F, 128, 43, 0, 21, 0, 0, 53, 16, 0, 145, 21, 0, 0, 17, 0, 136, 50, 0, 145, 21, 0, 0, 18, 2, 0}, {{2, 2}}},
    // The device declaration stays first; a constant array's declaration keeps its break; a continued statement is its last line's.
    {"KF", "' top|CONST DEVICE = WF|DIM A AS BYTE|A = 1", {1, 2, 3}, {0x8F, 145, 21, 0, 0, 17, 0}, {{1, 4}, {2, 4}, {3, 4}}},
    {"WF", "DIM A AS BYTE|CONST BYTE T = (1, 2)|A = T(1)", {1}, {0x8F, 0x88, 30, 0, 1, 2, 145, 21, 0, 0, 29, 28, 0, 17, 0}, {{1, 2}}},
    {"KF", "DIM A AS BYTE|A = _|7", {2}, {0x8F, 145, 21, 160, 18, 7, 0}, {{2, 3}}},
};
TEST(Breakpoint, CompileToTheExactBytesAndReportWhereTheyWent) {
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.lines);
    auto c = CompileWithBreaks(k.device, Lines(k.lines), k.breaks);
    ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    EXPECT_EQ(ProgramBytes(*c), k.program);
    EXPECT_EQ(c->BreakPlacements, k.placements);
    std::set<int> stops, placed;  // the module stops after the break: that address shows the marked statement's line
    for (long a = 24; a < c->CodeAddr; ++a)
      if (c->Code.Get(a) == 0x8F) stops.insert(c->Code.LineOf(a + 1));
    for (const auto& p : k.placements)
      if (p.line != 0) placed.insert(p.line);
    EXPECT_EQ(stops, placed);
  }
}
TEST(Breakpoint, NoneLeftFromAnEarlierOrFailedCompileAndNoneMeansTheSameCode) {
  const std::vector<std::string> lines = {"DIM A AS BYTE", "L1: A = A + 1", "IF A < 5 THEN GOTO L1", "A = 0"};
  auto fresh = CompileWithBreaks("WF", lines, {});
  auto again = CompileWithBreaks("WF", lines, {2, 3});
  ASSERT_EQ(again->Outcome.result, 0);
  ASSERT_EQ(again->CodeAddr, fresh->CodeAddr + 2);
  again->BreakLines.clear();
  again->CompileSource(Source(lines));
  ASSERT_EQ(again->Outcome.result, 0);
  EXPECT_EQ(again->CodeAddr, fresh->CodeAddr);
  EXPECT_EQ(ProgramBytes(*again), ProgramBytes(*fresh));
  EXPECT_TRUE(again->BreakPlacements.empty());
  for (long a = 24; a <= fresh->CodeAddr; ++a) EXPECT_EQ(again->Code.LineOf(a), fresh->Code.LineOf(a)) << a;
  // The ELSE without an IF fails while the breakpoint of line 2 still waits for a statement.
  auto c = CompileWithBreaks("KF", {"DIM A AS BYTE", "", "ELSE"}, {2});
  ASSERT_EQ(c->Outcome.result, 1);
  // A line compiled on its own afterwards, as the statement tests do, gets no break.
  const long at = c->CodeAddr;
  c->SrcLine = Ansi("A = 1");
  ASSERT_EQ(c->CompileLine(), 0);
  EXPECT_EQ(c->Code.Get(at), 145);
}

}  // namespace
}  // namespace vn::compiler::testing
