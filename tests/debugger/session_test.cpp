// Debugging sessions against the running virtual module, over each cable, for both series:
// what the IDE's timers and commands find and show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debug_bench.h"
#include "link/commands.h"

namespace vn::debugger::testing {
namespace {

const std::vector<std::string>& kProgram = kSessionProgram;

const std::vector<std::string> kLoop = {
    "DIM K AS BYTE",  // 1
    "AGAIN:",         // 2
    "K = K + 1",      // 3
    "GOTO AGAIN",     // 4
};

struct Setup {
  Wire wire;
  const char* device;
};

void PrintTo(const Setup& s, std::ostream* os) { *os << WireName(s.wire) << " " << s.device; }

std::string Name(const ::testing::TestParamInfo<Setup>& info) {
  return std::string(WireName(info.param.wire)) + "_" + info.param.device;
}

class Session : public ::testing::TestWithParam<Setup> {
 protected:
  bool Vnm() const { return KindOf(GetParam().device) == 2; }
  // The RAM index of a variable in RamImage.
  int Index(const Bench& b, const std::string& name) const {
    return RamIndex(static_cast<int>(b.Addr(name)), b.c->Device.AddrWidth);
  }
};

TEST_P(Session, TheRunMonitorFindsABreakInTheProgram) {
  Bench b(GetParam().wire, GetParam().device, kProgram);
  b.Download();
  const Display tick = b.WatchForStop();
  ASSERT_TRUE(tick.open_debug_window);
  EXPECT_EQ(tick.break_timer, TimerChange::kDisable);
  EXPECT_EQ(b.dbg.InDebug, 0);  // a stop the program made, not a Break
  EXPECT_EQ(b.Line(), 5);
  EXPECT_EQ(b.dbg.SrcTopLine, 1);  // line 5 fits the first rows: no scrolling
  EXPECT_EQ(b.Ram(Index(b, "N")), 1);
  EXPECT_EQ(b.dbg.StatusPc(), " PC : " + core::Hex(static_cast<unsigned long>(b.module.pc)));
  EXPECT_EQ(b.dbg.StatusObjectCode(), " Object Code : 91");  // the assignment K = K + N
  EXPECT_EQ(b.dbg.HighlightRow(), 4);
}

TEST_P(Session, BreakStopsARunningLoop) {
  Bench b(GetParam().wire, GetParam().device, kLoop);
  b.Download();
  EXPECT_FALSE(b.WatchForStop(2).open_debug_window);  // nothing to announce
  b.clock.Advance(Bench::kBreakTickNs);
  ASSERT_TRUE(b.Command([&] { return b.dbg.Break(); }));
  EXPECT_EQ(b.dbg.InDebug, -1);
  EXPECT_FALSE(b.module.running());
  EXPECT_TRUE(b.Line() == 3 || b.Line() == 4) << b.Line();
  const int k = b.Ram(Index(b, "K"));
  EXPECT_EQ(k, b.ModuleRam("K"));
  EXPECT_GT(b.module.interpreter()->total_steps(), 10000u);
  // Stopped means stopped: time passes, nothing moves.
  b.clock.Advance(10 * Bench::kBreakTickNs);
  ASSERT_TRUE(b.Command([&] { return b.dbg.StepInto(); }));
  EXPECT_TRUE(b.Line() == 3 || b.Line() == 4) << b.Line();
  EXPECT_LE(b.ModuleRam("K") - k, 1);
}

TEST_P(Session, StepIntoReportsEachNextLine) {
  Bench b(GetParam().wire, GetParam().device, kProgram);
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  std::vector<int> lines, prev;
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(b.Command([&] { return b.dbg.StepInto(); })) << "step " << i;
    lines.push_back(b.Line());
    prev.push_back(b.dbg.PrevSrcLine);
  }
  EXPECT_EQ(lines, (std::vector<int>{6, 12, 13, 7, 7, 5}));
  EXPECT_EQ(prev, (std::vector<int>{5, 6, 12, 13, 7, 7}));
  EXPECT_EQ(b.Ram(Index(b, "K")), 2);
  EXPECT_EQ(b.module.commands().back(), link::CmdStepInto);
}

TEST_P(Session, StepOverPassesAGosubAndStepOutLeavesOne) {
  if (!Vnm()) GTEST_SKIP() << "Step Over and Step Out are offered on the VNM series only";
  Bench b(GetParam().wire, GetParam().device, kProgram);
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  ASSERT_TRUE(b.Command([&] { return b.dbg.StepOver(); }));  // K = K + N: a plain step
  EXPECT_EQ(b.module.commands().back(), link::CmdStepInto);
  ASSERT_EQ(b.Line(), 6);
  ASSERT_TRUE(b.Command([&] { return b.dbg.StepOver(); }));  // GOSUB BUMP runs whole
  EXPECT_EQ(b.module.commands().back(), link::CmdStepOut);
  EXPECT_EQ(b.Line(), 7);
  EXPECT_EQ(b.Ram(Index(b, "K")), 2);
  // Round the loop into the subroutine again, and out of it.
  for (int line : {7, 5, 6, 12}) {
    ASSERT_TRUE(b.Command([&] { return b.dbg.StepInto(); }));
    ASSERT_EQ(b.Line(), line);
  }
  ASSERT_TRUE(b.Command([&] { return b.dbg.StepOut(); }));
  EXPECT_EQ(b.Line(), 7);
  EXPECT_EQ(b.Ram(Index(b, "K")), 4);
  // Reset: the first instruction, the variables cleared.
  ASSERT_TRUE(b.Command([&] { return b.dbg.Reset(); }));
  EXPECT_EQ(b.Line(), 2);
  EXPECT_EQ(b.dbg.ModulePc, 24);
  EXPECT_EQ(b.Ram(Index(b, "K")), 0);
}

TEST_P(Session, TheVnSeriesOffersStepIntoOnly) {
  if (Vnm()) GTEST_SKIP();
  Bench b(GetParam().wire, GetParam().device, kProgram);
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  EXPECT_FALSE(b.dbg.VnmCommandsEnabled());
  const long received = b.module.bytes_received();
  using Command = Display (Debugger::*)();
  for (Command cmd : {&Debugger::StepOver, &Debugger::StepOut, &Debugger::Reset}) {
    const Display d = (b.dbg.*cmd)();
    EXPECT_TRUE(d.ignored);
    EXPECT_TRUE(d.messages.empty());
  }
  EXPECT_EQ(b.module.bytes_received(), received);
}

TEST_P(Session, AModifiedVariableIsSeenByTheProgram) {
  if (GetParam().wire == Wire::kDummy) GTEST_SKIP() << "Modify Variable needs the REV. B handshake";
  Bench b(GetParam().wire, GetParam().device, kProgram);
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  const Display set = b.dbg.ModifyVariable("flag", "1");
  EXPECT_TRUE(set.messages.empty());
  EXPECT_TRUE(set.close_modify_dialog);
  EXPECT_TRUE(set.refresh_variables);
  EXPECT_EQ(b.ModuleRam("FLAG"), 1);
  EXPECT_EQ(b.Ram(Index(b, "FLAG")), 1);
  if (Vnm()) {
    // Exit lets the program run on: one round, then out of the loop to the second BREAK.
    EXPECT_TRUE(b.dbg.Exit().close_debug_window);
    const Display closed = b.dbg.Close(b.ui);
    EXPECT_TRUE(closed.messages.empty());
    EXPECT_EQ(closed.break_timer, TimerChange::kEnable);
    ASSERT_TRUE(b.WatchForStop().open_debug_window);
    EXPECT_EQ(b.Line(), 10);
    EXPECT_EQ(b.Ram(Index(b, "N")), 7);
    EXPECT_EQ(b.Ram(Index(b, "K")), 2);
  } else {
    // The VN series restarts the program when the debugger lets go; stepping shows it.
    for (int line : {6, 12, 13, 7, 8}) {
      ASSERT_TRUE(b.Command([&] { return b.dbg.StepInto(); }));
      EXPECT_EQ(b.Line(), line);
    }
  }
}

TEST_P(Session, LeavingWithEraseLeavesTheClearingProgram) {
  Bench b(GetParam().wire, GetParam().device, kProgram);
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
  EXPECT_EQ(b.module.FlashByte(24), 0x88);
  EXPECT_EQ(b.module.FlashByte(25), 0x18);
  EXPECT_EQ(b.module.FlashByte(26), 0x00);
  EXPECT_FALSE(b.c->CompiledOK);
  EXPECT_EQ(b.dbg.EraseOnExit, 0);
  // The module runs the endless loop: nothing is announced, and Break wants a compile.
  EXPECT_FALSE(b.WatchForStop(3).open_debug_window);
  const Display brk = b.dbg.Break();
  ASSERT_EQ(brk.messages.size(), 1u);
  EXPECT_EQ(brk.messages[0], NoCompileInfo(false));
}

TEST_P(Session, LeavingWithoutEraseLetsTheProgramRun) {
  Bench b(GetParam().wire, GetParam().device, kProgram);
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  b.dbg.EraseOnExit = -1;
  b.dbg.Activate();  // activation forgets an erase asked for earlier
  b.dbg.Exit();
  const auto steps = b.module.interpreter()->total_steps();
  const Display closed = b.dbg.Close(b.ui);
  EXPECT_TRUE(closed.messages.empty());
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
                         Name);

}  // namespace
}  // namespace vn::debugger::testing
