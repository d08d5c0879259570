// Debugging sessions against the running virtual module, over each cable, for both series:
// what the IDE's timers and commands find and show, and the stops of compiled-in breakpoints.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "debug_bench.h"
#include "link/commands.h"

namespace vn::debugger::testing {
namespace {

class Session : public ::testing::TestWithParam<std::pair<Wire, const char*>> {
 protected:
  Bench& Make(const std::vector<std::string>& lines = kSessionProgram) {
    return *(bench = std::make_unique<Bench>(GetParam().first, GetParam().second, lines));
  }
  // The debug window's copy of a variable's RAM.
  int Var(const std::string& name) const {
    return bench->Ram(RamIndex(static_cast<int>(bench->Addr(name)), bench->c->Device.AddrWidth));
  }
  // A command until its stop at `line`, sent to the module as `sent` (-1: not checked).
  void Step(Display (Debugger::*cmd)(), int line, int sent = -1) {
    ASSERT_TRUE(bench->Command([&] { return ((*bench->dbg).*cmd)(); }));
    EXPECT_EQ(bench->Line(), line);
    if (sent >= 0) {
      EXPECT_EQ(bench->module.commands().back(), sent);
    }
  }
  bool Vnm() const { return KindOf(GetParam().second) == 2; }
  std::unique_ptr<Bench> bench;
};

TEST_P(Session, TheRunMonitorsStopThenEveryStep) {
  Bench& b = Make();
  b.Download();
  const Display tick = b.WatchForStop();
  ASSERT_TRUE(tick.open_debug_window);
  // A stop the program made, not a Break; line 5 fits the first rows: no scrolling.
  EXPECT_TRUE(tick.break_timer == TimerChange::kDisable && b.dbg->InDebug == 0);
  EXPECT_EQ((std::tuple{b.Line(), b.dbg->SrcTopLine, b.dbg->HighlightRow(), Var("N")}), (std::tuple{5, 1, 4, 1}));
  // The assignment K = K + N.
  EXPECT_EQ(b.dbg->StatusPc() + b.dbg->StatusObjectCode(), " PC : " + core::Hex(static_cast<unsigned long>(b.module.pc)) + " Object Code : 91");
  if (!Vnm()) {  // the VN series offers Step Into only: the rest sends nothing
    EXPECT_FALSE(b.dbg->VnmCommandsEnabled());
    const long received = b.module.bytes_received();
    for (auto cmd : {&Debugger::StepOver, &Debugger::StepOut, &Debugger::Reset})
      EXPECT_TRUE(((*b.dbg).*cmd)().ignored && ((*b.dbg).*cmd)().messages.empty());
    EXPECT_EQ(b.module.bytes_received(), received);
  }
  int prev = 5;
  for (int line : {6, 12, 13, 7, 7, 5}) {
    Step(&Debugger::StepInto, line);
    EXPECT_EQ(b.dbg->PrevSrcLine, prev);
    prev = line;
  }
  EXPECT_EQ(Var("K"), 2);
  EXPECT_EQ(b.module.commands().back(), link::CmdStepInto);
  if (!Vnm()) return;
  Step(&Debugger::StepOver, 6, link::CmdStepInto);  // K = K + N: a plain step
  Step(&Debugger::StepOver, 7, link::CmdStepOut);   // GOSUB BUMP runs whole
  EXPECT_EQ(Var("K"), 4);
  for (int line : {7, 5, 6, 12}) Step(&Debugger::StepInto, line);
  Step(&Debugger::StepOut, 7);
  EXPECT_EQ(Var("K"), 6);
  Step(&Debugger::Reset, 2);  // the first instruction, the variables cleared
  EXPECT_EQ((std::pair{b.dbg->ModulePc, Var("K")}), (std::pair{24L, 0}));
}

TEST_P(Session, BreakStopsARunningLoop) {
  Bench& b = Make({"DIM K AS BYTE", "AGAIN:", "K = K + 1", "GOTO AGAIN"});
  b.Download();
  EXPECT_FALSE(b.WatchForStop(2).open_debug_window);  // nothing to announce
  b.clock.Advance(Bench::kBreakTickNs);
  ASSERT_TRUE(b.Command([&] { return b.dbg->Break(); }));
  EXPECT_TRUE(b.dbg->InDebug == -1 && !b.module.running());
  EXPECT_TRUE(b.Line() == 3 || b.Line() == 4) << b.Line();
  const int k = Var("K");
  EXPECT_EQ(k, b.ModuleRam("K"));
  EXPECT_GT(b.module.interpreter()->total_steps(), 10000u);
  // Stopped means stopped: time passes, nothing moves.
  b.clock.Advance(10 * Bench::kBreakTickNs);
  ASSERT_TRUE(b.Command([&] { return b.dbg->StepInto(); }));
  EXPECT_TRUE(b.Line() == 3 || b.Line() == 4) << b.Line();
  EXPECT_LE(b.ModuleRam("K") - k, 1);
}

TEST_P(Session, AModifiedVariableIsSeenByTheProgram) {
  if (GetParam().first == Wire::kDummy) GTEST_SKIP() << "Modify Variable needs the REV. B handshake";
  Bench& b = Make();
  b.RunToStop();
  const Display set = b.dbg->ModifyVariable("flag", "1");
  EXPECT_TRUE(set.messages.empty() && set.close_modify_dialog && set.refresh_variables);
  EXPECT_EQ((std::pair{b.ModuleRam("FLAG"), Var("FLAG")}), (std::pair{1, 1}));
  // One round, then out of the loop.
  for (int line : {6, 12, 13, 7, 8}) Step(&Debugger::StepInto, line);
}

TEST_P(Session, LeavingWithEraseLeavesTheClearingProgram) {
  Bench& b = Make();
  b.RunToStop();
  // From the first instruction the program meets its BREAK as soon as it runs again, so its
  // stop report is there when the erase download begins (the VN series restarts anyway).
  if (Vnm()) {
    ASSERT_TRUE(b.Command([&] { return b.dbg->Reset(); }));
  }
  b.dbg->EraseOnExit = -1;
  b.dbg->Activate();  // activation forgets an erase asked for earlier
  EXPECT_EQ(b.dbg->EraseOnExit, 0);
  EXPECT_TRUE(b.dbg->EraseFlash().close_debug_window);
  const Display closed = b.dbg->Close(b.ui);
  EXPECT_TRUE(closed.messages.empty() && b.ui.messages.empty()) << b.ui.First();
  EXPECT_TRUE(closed.break_timer == TimerChange::kEnable && closed.widen_main_window && closed.close_check_variable);
  EXPECT_EQ(b.module.ProgramLength(), 27);
  EXPECT_EQ((std::vector<int>{b.module.FlashByte(24), b.module.FlashByte(25), b.module.FlashByte(26)}),
            (std::vector<int>{0x88, 0x18, 0x00}));
  EXPECT_FALSE(b.c->CompiledOK || b.dbg->EraseOnExit != 0);
  // The module runs the endless loop: nothing is announced, and Break wants a compile.
  EXPECT_FALSE(b.WatchForStop(3).open_debug_window);
  EXPECT_EQ(b.dbg->Break().messages, std::vector<DebugMessage>{NoCompileInfo(false)});
}

INSTANTIATE_TEST_SUITE_P(Cables, Session,
                         ::testing::Values(std::pair{Wire::kUsb, "KF"}, std::pair{Wire::kRevB, "KF"}, std::pair{Wire::kDummy, "KF"},
                                           std::pair{Wire::kUsb, "WF"}, std::pair{Wire::kRevB, "WF"}),
                         [](const auto& p) { return std::string(WireName(p.param.first)) + "_" + p.param.second; });

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

class Breakpoints : public ::testing::TestWithParam<Setup> {};

// The breakpoints from each stop on: the first stop is that one (on VN, which starts the program
// over when the debugger lets go, the only way past the stops before it). With all of them, VNM
// runs on from stop to stop when the debugger lets go, and past the last.
TEST_P(Breakpoints, TheRunStopsOnTheMarkedLinesInOrder) {
  const auto& p = GetParam();
  const bool vn = KindOf(p.device) == 1;
  for (size_t first = 0; first < p.stops.size(); ++first) {
    SCOPED_TRACE("from line " + std::to_string(p.stops[first].line));
    Bench b(p.wire, p.device, Program(p.k));
    std::vector<int> marks;
    for (int m : kMarks)
      if (m >= p.stops[first].line || (m == 5 && p.stops[first].line == 6)) marks.push_back(m);
    ASSERT_EQ(CompileWithCopy(*b.c, Join(Program(p.k)), marks), 0) << b.c->Outcome.message.en;
    if (first == 0) {
      EXPECT_EQ(b.c->BreakPlacements, (std::vector<compiler::BreakPlacement>{{3, 3}, {5, 6}, {8, 8}}));
    }
    b.Download();
    const size_t last = first == 0 ? (vn ? 1 : p.stops.size()) : first;
    for (size_t i = first; i <= last; ++i) {
      if (i > first) {
        EXPECT_TRUE(b.dbg->Exit().close_debug_window);
        EXPECT_TRUE(b.dbg->Close(b.ui).messages.empty());
        EXPECT_EQ(b.module.commands().back(), vn ? link::CmdReset : link::CmdLeaveDebugVnm);
        EXPECT_TRUE(b.c->CompiledOK);
      }
      const bool past_last = i == p.stops.size();
      ASSERT_EQ(b.WatchForStop().open_debug_window, !past_last) << "line " << b.Line();
      const Stop want = past_last ? Stop{b.Line(), p.k + 5, b.ModuleRam("A")} : p.stops[vn ? first : i];
      EXPECT_EQ(b.Line(), want.line);
      EXPECT_EQ(b.ModuleRam("K"), want.k);
      EXPECT_EQ(b.ModuleRam("A"), want.a);
    }
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
