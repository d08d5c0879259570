// Breakpoints compiled into the code: the break instruction at the start of a marked line's
// first statement, the source's lines unchanged, and where each breakpoint went.
#include <gtest/gtest.h>

#include "compile_helpers.h"

namespace vn::compiler {

void PrintTo(const BreakPlacement& p, std::ostream* os) { *os << p.requested << "->" << p.line; }

namespace testing {
namespace {

constexpr int kBreakByte = 0x8F;

std::unique_ptr<Compiler> CompileWithBreaks(const std::string& device, const std::vector<std::string>& lines,
                                            const std::vector<int>& breaks) {
  auto c = MakeCompiler(device);
  c->BreakLines = breaks;
  c->CompileSource(Source(lines));
  return c;
}

struct Case {
  const char* name;
  const char* device;
  std::string lines;  // separated by '|'
  std::vector<int> breaks;
  Bytes program;                          // from address 24 up to the end jump
  std::vector<BreakPlacement> placements;
};

const Case kCases[] = {
    {"DeclarationAndBlankLinesHandTheirBreakOn", "KF", "DIM A AS BYTE|A = 5||A = 6", {3, 1}, {0x8F, 145, 21, 160, 18, 5, 0, 0x8F, 145, 21, 160, 18, 6, 0}, {{1, 2}, {3, 4}}},
    {"IfBlockOnVnm", "WF", "DIM A AS BYTE|IF A = 0 THEN|  A = 1|ELSE|  A = 2|END IF|A = 3", {2, 4, 6}, {0x8F, 128, 43, 0, 21, 0, 0, 53, 16, 0, 145, 21, 0, 0, 17, 0, 136, 51, 0, 0x8F, 145, 21, 0, 0, 18, 2, 0, 0x8F, 145, 21, 0, 0, 18, 3, 0}, {{2, 2}, {4, 5}, {6, 7}}},
    {"IfBlockOnVn", "KF", "DIM A AS BYTE|IF A = 0 THEN|  A = 1|ELSE|  A = 2|END IF|A = 3", {2, 4, 6}, {0x8F, 128, 41, 0, 21, 160, 53, 16, 0, 145, 21, 160, 17, 0, 136, 48, 0, 0x8F, 145, 21, 160, 18, 2, 0, 0x8F, 145, 21, 160, 18, 3, 0}, {{2, 2}, {4, 5}, {6, 7}}},
    {"ElseIfKeepsItsLine", "WF", "DIM A AS BYTE|IF A = 0 THEN|A = 1|ELSEIF A = 1 THEN|A = 2|END IF", {4}, {128, 42, 0, 21, 0, 0, 53, 16, 0, 145, 21, 0, 0, 17, 0, 136, 59, 0, 0x8F, 128, 59, 0, 21, 0, 0, 53, 17, 0, 145, 21, 0, 0, 18, 2, 0}, {{4, 4}}},
    {"ForAndNextOnVn", "KF", "DIM I AS BYTE|FOR I = 1 TO 3|NEXT I", {2, 3}, {0x8F, 133, 21, 160, 17, 135, 21, 160, 18, 3, 42, 0, 0x8F, 134, 21, 160, 29, 0}, {{2, 2}, {3, 3}}},
    {"LabelOnlyLineAndPastTheEnd", "WF", "DIM A AS BYTE|L1:|A = 1 ' one|GOTO L1|' the end|", {8, 5, 2, 0, 2}, {0x8F, 145, 21, 0, 0, 17, 0, 136, 24, 0}, {{0, 0}, {2, 3}, {5, 0}, {8, 0}}},
    {"SingleLineIfWithElse", "WF", "DIM A AS BYTE|IF A = 0 THEN A = 1 ELSE A = 2", {2}, {0x8F, 128, 43, 0, 21, 0, 0, 53, 16, 0, 145, 21, 0, 0, 17, 0, 136, 50, 0, 145, 21, 0, 0, 18, 2, 0}, {{2, 2}}},
    {"TheDeviceDeclarationStaysFirst", "KF", "' top|CONST DEVICE = WF|DIM A AS BYTE|A = 1", {1, 2, 3}, {0x8F, 145, 21, 0, 0, 17, 0}, {{1, 4}, {2, 4}, {3, 4}}},
    {"ContinuedStatementBelongsToItsLastLine", "KF", "DIM A AS BYTE|A = _|7", {2}, {0x8F, 145, 21, 160, 18, 7, 0}, {{2, 3}}},
};

// Comments on the cases, address by address (programs start at 24):
// - IfBlock: the break of the IF line comes before its test; the ELSE line's goes to the first
//   statement of the ELSE part, where the test's false branch lands (VN 41, VNM 43), never on
//   the jump that ends the THEN part; the END IF line's goes to line 7, where both parts meet.
// - ElseIf: after the jump that ends the part before, at 42, where the first test's false branch
//   lands.
// - ForAndNext: before the FOR's start (once), and before the NEXT (each round); the loop's
//   test (29) and exit (42) move with them.
// - LabelOnlyLine: the label stands at the break, so GOTO L1 stops too.

TEST(Breakpoint, CompileToTheExactBytesAndReportWhereTheyWent) {
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.name);
    auto c = CompileWithBreaks(k.device, Lines(k.lines), k.breaks);
    ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    EXPECT_EQ(ProgramBytes(*c), k.program);
    EXPECT_EQ(c->BreakPlacements, k.placements);
  }
}

TEST(Breakpoint, TheLineMapKeepsEveryLineAndTheBreakBelongsToItsLine) {
  const std::vector<std::string> lines = {"DIM A AS BYTE", "IF A = 0 THEN", "  A = 1", "ELSE", "  A = 2", "END IF", "A = 3"};
  auto c = CompileWithBreaks("KF", lines, {2, 4, 6});
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  // The module stops after the break instruction: that address shows the marked statement.
  const std::vector<std::pair<long, int>> lines_at = {{25, 2}, {33, 3}, {38, 4}, {42, 5}, {49, 7}, {55, 8}};
  for (const auto& [addr, line] : lines_at) EXPECT_EQ(c->Code.LineOf(addr), line) << "address " << addr;
  EXPECT_EQ(c->Code.Get(41), kBreakByte);
  EXPECT_EQ(c->Code.Get(48), kBreakByte);
}

TEST(Breakpoint, NoneLeftFromAnEarlierCompileAndNoneMeansTheSameCode) {
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
}

TEST(Breakpoint, AFailedCompileLeavesNoBreakWaiting) {
  // The ELSE without an IF fails while the breakpoint of line 2 still waits for a statement.
  auto c = CompileWithBreaks("KF", {"DIM A AS BYTE", "", "ELSE"}, {2});
  ASSERT_EQ(c->Outcome.result, 1);
  // A line compiled on its own afterwards, as the statement tests do, gets no break.
  const long at = c->CodeAddr;
  c->SrcLine = Ansi("A = 1");
  ASSERT_EQ(c->CompileLine(), 0);
  EXPECT_EQ(c->Code.Get(at), 145);
}

TEST(Breakpoint, ADeclarationThatCompilesCodeKeepsItsBreak) {
  // A constant array stands behind a jump: the DIM before it compiles nothing, the CONST does.
  auto c = CompileWithBreaks("WF", {"DIM A AS BYTE", "CONST BYTE T = (1, 2)", "A = T(1)"}, {1});
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(c->BreakPlacements, (std::vector<BreakPlacement>{{1, 2}}));
  EXPECT_EQ(c->Code.Get(24), kBreakByte);
  EXPECT_EQ(c->Code.Get(25), 0x88);  // the jump over the data
  EXPECT_EQ(c->Code.LineOf(25), 2);
}

}  // namespace
}  // namespace testing
}  // namespace vn::compiler
