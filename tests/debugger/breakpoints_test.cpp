// A program run with breakpoints compiled in stops on the marked lines, over every cable and on
// both series, and the stops show what had run before them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debug_bench.h"

namespace vn::debugger::testing {
namespace {

// K decides the IF; A says which part ran. The ELSE line's breakpoint goes to line 6.
std::vector<std::string> Program(int k) {
  return {"DIM K AS BYTE, A AS BYTE", "K = " + std::to_string(k), "IF K = 0 THEN", "  A = 1",  // 1-4
          "ELSE", "  A = 2", "END IF", "K = K + 5", "' done", "DONE: GOTO DONE"};              // 5-10
}
const std::vector<int> kMarks = {3, 5, 8};

struct Stop {
  int line, k, a;  // K and A as the stop reads them: the marked statement has not run yet
};
struct Setup {
  Wire wire;
  const char* device;
  int k;                    // K's start value
  std::vector<Stop> stops;  // in the order the program meets them
};
void PrintTo(const Setup& s, std::ostream* os) { *os << WireName(s.wire) << " " << s.device << " K=" << s.k; }

// The ELSE part runs when K is not 0; the THEN part passes the ELSE line's breakpoint by.
const std::vector<Stop> kElsePath = {{3, 1, 0}, {6, 1, 0}, {8, 1, 2}};
const std::vector<Stop> kThenPath = {{3, 0, 0}, {8, 0, 1}};

class Breakpoints : public ::testing::TestWithParam<Setup> {
 protected:
  // The bench with the program compiled again with `marks`.
  static void CompileWith(Bench& b, const std::vector<int>& marks) {
    ASSERT_EQ(CompileWithCopy(*b.c, Join(Program(GetParam().k)), marks), 0) << b.c->Outcome.message.en;
  }
  static void ExpectStop(Bench& b, const Stop& s) {
    EXPECT_EQ(b.Line(), s.line);
    EXPECT_EQ(b.ModuleRam("K"), s.k) << "line " << s.line;
    EXPECT_EQ(b.ModuleRam("A"), s.a) << "line " << s.line;
  }
  static void Leave(Bench& b) {
    EXPECT_TRUE(b.dbg.Exit().close_debug_window);
    EXPECT_TRUE(b.dbg.Close(b.ui).messages.empty());
  }
};

TEST_P(Breakpoints, TheRunStopsOnTheMarkedLinesInOrder) {
  Bench b(GetParam().wire, GetParam().device, Program(GetParam().k));
  CompileWith(b, kMarks);
  EXPECT_EQ(b.c->BreakPlacements, (std::vector<compiler::BreakPlacement>{{3, 3}, {5, 6}, {8, 8}}));
  const auto& stops = GetParam().stops;
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  ExpectStop(b, stops[0]);
  if (KindOf(GetParam().device) == 1) {
    // The VN series starts the program over when the debugger lets go: the first breakpoint again.
    Leave(b);
    ASSERT_TRUE(b.WatchForStop().open_debug_window);
    ExpectStop(b, stops[0]);
    return;
  }
  // Leaving the debugger lets the program run on to the next breakpoint, and past the last.
  for (size_t i = 1; i < stops.size(); ++i) {
    Leave(b);
    ASSERT_TRUE(b.WatchForStop().open_debug_window) << "no stop after line " << stops[i - 1].line;
    ExpectStop(b, stops[i]);
  }
  Leave(b);
  EXPECT_FALSE(b.WatchForStop().open_debug_window) << "a stop at line " << b.Line();
  EXPECT_EQ(b.ModuleRam("K"), GetParam().k + 5);
}

TEST_P(Breakpoints, EachBreakpointAloneIsWhereTheRunStops) {
  // The breakpoints from each stop on: the first stop is that one (on VN the only way past the
  // stops before it).
  for (const Stop& stop : GetParam().stops) {
    Bench b(GetParam().wire, GetParam().device, Program(GetParam().k));
    std::vector<int> marks;
    for (int m : kMarks)
      if (m >= stop.line || (m == 5 && stop.line == 6)) marks.push_back(m);
    CompileWith(b, marks);
    b.Download();
    ASSERT_TRUE(b.WatchForStop().open_debug_window) << "line " << stop.line;
    ExpectStop(b, stop);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cables, Breakpoints,
    ::testing::Values(Setup{Wire::kUsb, "KF", 1, kElsePath}, Setup{Wire::kRevB, "KF", 1, kElsePath},
                      Setup{Wire::kDummy, "KF", 1, kElsePath}, Setup{Wire::kUsb, "WF", 1, kElsePath},
                      Setup{Wire::kRevB, "WF", 1, kElsePath}, Setup{Wire::kUsb, "KF", 0, kThenPath},
                      Setup{Wire::kRevB, "WF", 0, kThenPath}),
    [](const auto& p) {
      return std::string(WireName(p.param.wire)) + "_" + p.param.device + "_K" + std::to_string(p.param.k);
    });

}  // namespace
}  // namespace vn::debugger::testing
