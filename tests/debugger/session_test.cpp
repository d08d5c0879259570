// Debugging sessions against the running virtual module, over each cable, for both series:
// what the IDE's timers and commands find and show.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "debug_bench.h"
#include "link/commands.h"

namespace vn::debugger::testing {
namespace {

struct Setup {
  Wire wire;
  const char* device;
};
void PrintTo(const Setup& s, std::ostream* os) { *os << WireName(s.wire) << " " << s.device; }

class Session : public ::testing::TestWithParam<Setup> {
 protected:
  Bench& Make(const std::vector<std::string>& lines = kSessionProgram) {
    bench = std::make_unique<Bench>(GetParam().wire, GetParam().device, lines);
    return *bench;
  }
  // The debug window's copy of a variable's RAM.
  int Var(const std::string& name) const {
    return bench->Ram(RamIndex(static_cast<int>(bench->Addr(name)), bench->c->Device.AddrWidth));
  }
  void Step(Display (Debugger::*cmd)(), int line) {
    ASSERT_TRUE(bench->Command([&] { return (bench->dbg.*cmd)(); }));
    EXPECT_EQ(bench->Line(), line);
  }
  bool Vnm() const { return KindOf(GetParam().device) == 2; }
  std::unique_ptr<Bench> bench;
};

TEST_P(Session, TheRunMonitorsStopThenEveryStep) {
  Bench& b = Make();
  b.Download();
  const Display tick = b.WatchForStop();
  ASSERT_TRUE(tick.open_debug_window);
  EXPECT_EQ(tick.break_timer, TimerChange::kDisable);
  EXPECT_EQ(b.dbg.InDebug, 0);  // a stop the program made, not a Break
  EXPECT_EQ(b.Line(), 5);
  EXPECT_EQ(b.dbg.SrcTopLine, 1);  // line 5 fits the first rows: no scrolling
  EXPECT_EQ(Var("N"), 1);
  EXPECT_EQ(b.dbg.StatusPc(), " PC : " + core::Hex(static_cast<unsigned long>(b.module.pc)));
  EXPECT_EQ(b.dbg.StatusObjectCode(), " Object Code : 91");  // the assignment K = K + N
  EXPECT_EQ(b.dbg.HighlightRow(), 4);
  if (!Vnm()) {  // the VN series offers Step Into only: the rest sends nothing
    EXPECT_FALSE(b.dbg.VnmCommandsEnabled());
    const long received = b.module.bytes_received();
    for (auto cmd : {&Debugger::StepOver, &Debugger::StepOut, &Debugger::Reset}) {
      const Display d = (b.dbg.*cmd)();
      EXPECT_TRUE(d.ignored);
      EXPECT_TRUE(d.messages.empty());
    }
    EXPECT_EQ(b.module.bytes_received(), received);
  }
  const int lines[] = {6, 12, 13, 7, 7, 5};
  int prev = 5;
  for (int line : lines) {
    Step(&Debugger::StepInto, line);
    EXPECT_EQ(b.dbg.PrevSrcLine, prev);
    prev = line;
  }
  EXPECT_EQ(Var("K"), 2);
  EXPECT_EQ(b.module.commands().back(), link::CmdStepInto);
  if (!Vnm()) return;
  Step(&Debugger::StepOver, 6);  // K = K + N: a plain step
  EXPECT_EQ(b.module.commands().back(), link::CmdStepInto);
  Step(&Debugger::StepOver, 7);  // GOSUB BUMP runs whole
  EXPECT_EQ(b.module.commands().back(), link::CmdStepOut);
  EXPECT_EQ(Var("K"), 4);
  for (int line : {7, 5, 6, 12}) Step(&Debugger::StepInto, line);
  Step(&Debugger::StepOut, 7);
  EXPECT_EQ(Var("K"), 6);
  Step(&Debugger::Reset, 2);  // the first instruction, the variables cleared
  EXPECT_EQ(b.dbg.ModulePc, 24);
  EXPECT_EQ(Var("K"), 0);
}

TEST_P(Session, BreakStopsARunningLoop) {
  Bench& b = Make({"DIM K AS BYTE", "AGAIN:", "K = K + 1", "GOTO AGAIN"});
  b.Download();
  EXPECT_FALSE(b.WatchForStop(2).open_debug_window);  // nothing to announce
  b.clock.Advance(Bench::kBreakTickNs);
  ASSERT_TRUE(b.Command([&] { return b.dbg.Break(); }));
  EXPECT_EQ(b.dbg.InDebug, -1);
  EXPECT_FALSE(b.module.running());
  EXPECT_TRUE(b.Line() == 3 || b.Line() == 4) << b.Line();
  const int k = Var("K");
  EXPECT_EQ(k, b.ModuleRam("K"));
  EXPECT_GT(b.module.interpreter()->total_steps(), 10000u);
  // Stopped means stopped: time passes, nothing moves.
  b.clock.Advance(10 * Bench::kBreakTickNs);
  ASSERT_TRUE(b.Command([&] { return b.dbg.StepInto(); }));
  EXPECT_TRUE(b.Line() == 3 || b.Line() == 4) << b.Line();
  EXPECT_LE(b.ModuleRam("K") - k, 1);
}

TEST_P(Session, AModifiedVariableIsSeenByTheProgram) {
  if (GetParam().wire == Wire::kDummy) GTEST_SKIP() << "Modify Variable needs the REV. B handshake";
  Bench& b = Make();
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  const Display set = b.dbg.ModifyVariable("flag", "1");
  EXPECT_TRUE(set.messages.empty());
  EXPECT_TRUE(set.close_modify_dialog);
  EXPECT_TRUE(set.refresh_variables);
  EXPECT_EQ(b.ModuleRam("FLAG"), 1);
  EXPECT_EQ(Var("FLAG"), 1);
  if (!Vnm()) {  // the VN series restarts the program when the debugger lets go; stepping shows it
    for (int line : {6, 12, 13, 7, 8}) Step(&Debugger::StepInto, line);
    return;
  }
  // Exit lets the program run on: one round, then out of the loop to the second BREAK.
  EXPECT_TRUE(b.dbg.Exit().close_debug_window);
  const Display closed = b.dbg.Close(b.ui);
  EXPECT_TRUE(closed.messages.empty());
  EXPECT_EQ(closed.break_timer, TimerChange::kEnable);
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  EXPECT_EQ(b.Line(), 10);
  EXPECT_EQ(Var("N"), 7);
  EXPECT_EQ(Var("K"), 2);
}

TEST_P(Session, LeavingWithEraseLeavesTheClearingProgram) {
  Bench& b = Make();
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  // From the first instruction the program meets its BREAK as soon as it runs again, so its
  // stop report is there when the erase download begins (the VN series restarts anyway).
  if (Vnm()) {
    ASSERT_TRUE(b.Command([&] { return b.dbg.Reset(); }));
  }
  EXPECT_TRUE(b.dbg.EraseFlash().close_debug_window);
  const Display closed = b.dbg.Close(b.ui);
  EXPECT_TRUE(closed.messages.empty());
  EXPECT_TRUE(b.ui.messages.empty()) << En(b.ui.messages[0]);
  EXPECT_EQ(closed.break_timer, TimerChange::kEnable);
  EXPECT_TRUE(closed.widen_main_window);
  EXPECT_TRUE(closed.close_check_variable);
  EXPECT_EQ(b.module.ProgramLength(), 27);
  EXPECT_EQ((std::vector<int>{b.module.FlashByte(24), b.module.FlashByte(25), b.module.FlashByte(26)}),
            (std::vector<int>{0x88, 0x18, 0x00}));
  EXPECT_FALSE(b.c->CompiledOK);
  EXPECT_EQ(b.dbg.EraseOnExit, 0);
  // The module runs the endless loop: nothing is announced, and Break wants a compile.
  EXPECT_FALSE(b.WatchForStop(3).open_debug_window);
  EXPECT_EQ(b.dbg.Break().messages, std::vector<DebugMessage>{NoCompileInfo(false)});
}

TEST_P(Session, LeavingWithoutEraseLetsTheProgramRun) {
  Bench& b = Make();
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  b.dbg.EraseOnExit = -1;
  b.dbg.Activate();  // activation forgets an erase asked for earlier
  b.dbg.Exit();
  const auto steps = b.module.interpreter()->total_steps();
  EXPECT_TRUE(b.dbg.Close(b.ui).messages.empty());
  EXPECT_TRUE(b.c->CompiledOK);
  EXPECT_EQ(b.module.ProgramLength(), b.c->CodeAddr);
  EXPECT_EQ(b.module.commands().back(), Vnm() ? link::CmdLeaveDebugVnm : link::CmdReset);
  b.clock.Advance(Bench::kBreakTickNs);
  ASSERT_TRUE(b.Command([&] { return b.dbg.Break(); }));
  // VNM: the loop ran on from the stop; VN: the program started over and stopped at its BREAK.
  if (Vnm()) {
    EXPECT_GT(b.module.interpreter()->total_steps(), steps + 10000);
  } else {
    EXPECT_EQ(b.Line(), 5);
    EXPECT_EQ(b.ModuleRam("K"), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Cables, Session,
                         ::testing::Values(Setup{Wire::kUsb, "KF"}, Setup{Wire::kRevB, "KF"}, Setup{Wire::kDummy, "KF"},
                                           Setup{Wire::kUsb, "WF"}, Setup{Wire::kRevB, "WF"}),
                         [](const auto& p) { return std::string(WireName(p.param.wire)) + "_" + p.param.device; });

}  // namespace
}  // namespace vn::debugger::testing
