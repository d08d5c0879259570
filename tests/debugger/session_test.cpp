// Debugging sessions on the running virtual module over each cable and series: timers, commands,
// breakpoints, Modify and Check Variable, and commands with the module gone.
#include <gtest/gtest.h>

#include <functional>
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
    EXPECT_TRUE(sent < 0 || bench->module.commands().back() == sent) << "sent " << bench->module.commands().back();
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

TEST_P(Session, AModifiedVariableIsSeenByTheProgram) {
  if (GetParam().first == Wire::kDummy) GTEST_SKIP() << "Modify Variable needs the REV. B handshake";
  Bench& b = Make();
  b.RunToStop();
  const Display set = b.dbg->ModifyVariable("flag", "1");
  EXPECT_TRUE(set.messages.empty() && set.close_modify_dialog && set.refresh_variables);
  EXPECT_EQ((std::pair{b.ModuleRam("FLAG"), Var("FLAG")}), (std::pair{1, 1}));
  for (int line : {6, 12, 13, 7, 8}) Step(&Debugger::StepInto, line);  // one round, then out of the loop
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
  EXPECT_EQ((std::vector<int>{b.module.FlashByte(24), b.module.FlashByte(25), b.module.FlashByte(26)}), (std::vector<int>{0x88, 0x18, 0x00}));
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

// A stop's line, K and A as it reads them (the marked statement has not run yet); a setup's K is
// its start value and its stops come in the order the program meets them.
struct Stop { int line, k, a; };
struct Setup { Wire wire; const char* device; int k; std::vector<Stop> stops; };

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
    b.Download();
    const size_t last = first == 0 ? (vn ? 1 : p.stops.size()) : first;
    for (size_t i = first; i <= last; ++i) {
      if (i > first) {
        EXPECT_TRUE(b.dbg->Exit().close_debug_window && b.dbg->Close(b.ui).messages.empty() && b.c->CompiledOK);
        EXPECT_EQ(b.module.commands().back(), vn ? link::CmdReset : link::CmdLeaveDebugVnm);
      }
      const bool past_last = i == p.stops.size();
      ASSERT_EQ(b.WatchForStop().open_debug_window, !past_last) << "line " << b.Line();
      const Stop want = past_last ? Stop{b.Line(), p.k + 5, b.ModuleRam("A")} : p.stops[vn ? first : i];
      EXPECT_EQ((std::tuple{b.Line(), b.ModuleRam("K"), b.ModuleRam("A")}), (std::tuple{want.line, want.k, want.a}));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cables, Breakpoints,
    ::testing::Values(Setup{Wire::kUsb, "KF", 1, kElsePath}, Setup{Wire::kDummy, "KF", 1, kElsePath},
                      Setup{Wire::kRevB, "WF", 1, kElsePath}, Setup{Wire::kUsb, "KF", 0, kThenPath},
                      Setup{Wire::kRevB, "WF", 0, kThenPath}),
    [](const auto& p) { return std::string(WireName(p.param.wire)) + "_" + p.param.device + "_K" + std::to_string(p.param.k); });

const std::vector<std::string> kTypes = {
    "DIM B AS BYTE, I AS INTEGER, L AS LONG, F AS SINGLE, S AS STRING * 4, A(3) AS BYTE", "BREAK", "DONE: GOTO DONE"};

const std::string kNoInfo = "No compile infomation ! Try Run !|컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.|";

// A message box as the user sees it: both texts, the title and the style.
std::string Shown(const DebugMessage& m) {
  const auto& row = core::RowOf(m.code);
  return En(m) + "|" + Ko(m) + "|" + row.title + "|" + std::to_string(row.style);
}

// Refusals send nothing; values go out as the write command with the address, the length and
// the bytes, low byte first.
TEST(ModifyVariable, RefusalsAndWhatGoesOnTheWire) {
  struct Case {
    const char *name, *value;
    std::string en, ko;
  };
  const auto not_writable = [](const char* name) -> Case {
    return {name, "1", "Can not modify this variable (BYTE, INTEGER and LONG only) : " + std::string(name),
            "이 변수는 수정할 수 없습니다 (BYTE, INTEGER, LONG만 가능) : " + std::string(name)};
  };
  const auto invalid = [](const char* name, const char* v) -> Case {
    return {name, v, "Invalid Value ! Enter a whole number : " + std::string(v), "잘못된 값입니다. 정수를 입력하십시요 : " + std::string(v)};
  };
  const auto range = [](const char* name, const char* v, const std::string& r) -> Case {
    return {name, v, "Value out of range ! " + std::string(name) + " : " + r, "값의 범위를 벗어났습니다. " + std::string(name) + " : " + r};
  };
  const Case cases[] = {
      {"zz", "1", "Variable Not Found : ZZ", "Variable Not Found : ZZ"},
      not_writable("F"), not_writable("S"), not_writable("A"), invalid("B", "12a"), invalid("B", "1.5"), invalid("I", "&H"),
      invalid("L", "99999999999999999999"), range("B", "256", "-128 .. 255"), range("I", "-32769", "-32768 .. 65535"),
      range("L", "2147483648", "-2147483648 .. 2147483647"), {"", "1", "", ""}, {"B", "  ", "", ""},  // empty: nothing at all
  };
  Bench b(Wire::kUsb, "WF", kTypes);
  b.RunToStop();
  const size_t written = b.usb().written().size();
  const long received = b.module.bytes_received();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + c.value);
    const Display d = b.dbg->ModifyVariable(c.name, c.value);
    EXPECT_FALSE(d.close_modify_dialog);
    const std::string shown = d.messages.size() == 1 ? Shown(d.messages[0]) : std::to_string(d.messages.size()) + " messages";
    EXPECT_EQ(shown, c.en.empty() ? "0 messages" : c.en + "|" + c.ko + "|VARNOLIC Studio ERROR !|64");
  }
  EXPECT_EQ(b.usb().written().size(), written);
  EXPECT_EQ(b.module.bytes_received(), received);
  const struct {
    const char *name, *value;
    std::vector<int> bytes;  // the variable's RAM afterwards, from its first byte
  } values[] = {
      {"b", " -1 ", {0xFF}}, {"B", "-128", {0x80}}, {"B", "&HfE", {0xFE}}, {"I", "-2", {0xFE, 0xFF}},  // names in any case
      {"I", "&H1234", {0x34, 0x12}}, {"I", "+300", {0x2C, 0x01}}, {"L", "2147483647", {0xFF, 0xFF, 0xFF, 0x7F}},
      {"L", "-2147483648", {0x00, 0x00, 0x00, 0x80}}, {"L", "70000", {0x70, 0x11, 0x01, 0x00}},
  };
  for (const auto& c : values) {
    SCOPED_TRACE(std::string(c.name) + " = " + c.value);
    const size_t from = b.usb().written().size();
    const Display d = b.dbg->ModifyVariable(c.name, c.value);
    EXPECT_TRUE(d.messages.empty() && d.close_modify_dialog);
    const std::string upper(1, static_cast<char>(std::toupper(c.name[0])));
    const int addr = static_cast<int>(b.Addr(upper));
    std::vector<int> want = {0xE4, addr % 256, addr / 256, static_cast<int>(c.bytes.size())};
    want.insert(want.end(), c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(vn::testing::DecodeUsb({b.usb().written().begin() + static_cast<long>(from), b.usb().written().end()}), want);
    for (size_t k = 0; k < c.bytes.size(); ++k) {
      EXPECT_EQ(b.ModuleRam(upper, static_cast<int>(k)), c.bytes[k]);
      EXPECT_EQ(b.Ram(addr + static_cast<int>(k)), c.bytes[k]);
    }
  }
  // The listing shows the last values without another read.
  EXPECT_EQ(b.dbg->VariableLines(1, 3).lines, (std::vector<std::string>{" B           :  254   FEH", " I           :  300   12CH",
                                                                         " L           :  70000   00011170H"}));
}

// Check Variable and Modify Variable from the main menu while the program runs.
TEST(CheckVariable, ReadsAndWritesTheRunningProgramsVariables) {
  Bench b(Wire::kUsb, "WF", {"DIM K AS BYTE, J AS INTEGER", "J = 513", "AGAIN:", "K = K + 1", "GOTO AGAIN"});
  b.c->CompiledOK = false;
  EXPECT_EQ(Shown(b.dbg->CheckVariable().messages.at(0)), kNoInfo + "VNstudio|0");
  b.c->CompiledOK = true;
  b.Download();
  b.clock.Advance(Bench::kBreakTickNs);
  const Display d = b.dbg->CheckVariable();
  EXPECT_TRUE(d.messages.empty() && d.show_check_variable);
  EXPECT_EQ(b.dbg->VariableLines(2, 1).lines[0], " J           :  513   201H");
  const Display m = b.dbg->ModifyVariable("J", "9");  // written; the listing is left alone
  EXPECT_TRUE(m.close_modify_dialog && !m.refresh_variables);
  EXPECT_EQ(b.ModuleRam("J") + 256 * b.ModuleRam("J", 1), 9);
  EXPECT_TRUE(b.module.running());
}

TEST(Timers, AStopWithoutCompileInformationKeepsWatching) {
  Bench b(Wire::kUsb, "WF", {"BREAK", "DONE: GOTO DONE"});
  b.Download();
  b.c->CompiledOK = false;
  b.clock.Advance(Bench::kBreakTickNs);
  const long received = b.module.bytes_received();
  const Display d = b.dbg->BreakTimerTick();
  ASSERT_EQ(d.messages.size(), 1u);  // the debugger's own box: its title and style differ from the main window's
  EXPECT_EQ(Shown(d.messages[0]), kNoInfo + "VARNOLIC Studio ERROR !|64");
  EXPECT_TRUE(d.break_timer == TimerChange::kKeep && !d.open_debug_window);
  // A program without variables: the count sent after the marker is 0, 0.
  EXPECT_EQ(b.module.bytes_received(), received + 2);
}

TEST(Timers, ACommandWhilePollingIsIgnored) {
  Bench b(Wire::kUsb, "WF", {"DIM K AS BYTE", "BREAK", "K = 1", "K = 2", "DONE: GOTO DONE"});
  b.RunToStop();
  const Display sent = b.dbg->StepInto();
  EXPECT_TRUE(sent.return_status_usb == TimerChange::kEnable && !sent.stopped);  // USB: the timer reads the status
  const size_t written = b.usb().written().size();
  for (const Display& d : {b.dbg->StepInto(), b.dbg->StepOver(), b.dbg->StepOut(), b.dbg->Reset()})
    EXPECT_TRUE(d.ignored && d.messages.empty());
  EXPECT_EQ(b.usb().written().size(), written);
  b.clock.Advance(Bench::kPollTickNs);
  const Display got = b.dbg->ReturnStatusUsbTick();
  EXPECT_TRUE(got.stopped && got.status_bar && got.return_status_usb == TimerChange::kDisable);  // the status bar too
  EXPECT_EQ(b.Line(), 4);
  EXPECT_EQ(b.dbg->StatusObjectCode(), " Object Code : 91");
}

// The commands the fault storm does not send, on a dead link: each fails at once and leaves the
// debugger's copy of the module as it was; leaving (with an erase) restores the IDE all the same.
TEST(Unplugged, TheseCommandsEndWithTheLinkFailureAndNoHang) {
  const std::vector<std::function<Display(Bench&)>> commands = {
      [](Bench& b) { return b.dbg->StepOver(); },
      [](Bench& b) { return b.dbg->StepOut(); },
      [](Bench& b) { return b.dbg->Reset(); },
      [](Bench& b) { return b.dbg->CheckVariable(); },
      [](Bench& b) { return b.dbg->ModifyVariable("K", "5"); },
      [](Bench& b) { return b.dbg->EraseFlash(), b.dbg->Close(b.ui); },
  };
  for (Wire wire : {Wire::kUsb, Wire::kRevB}) {
    for (size_t i = 0; i < commands.size(); ++i) {
      SCOPED_TRACE(std::string(WireName(wire)) + " command " + std::to_string(i));
      Bench b(wire, "WF", kSessionProgram);
      b.RunToStop();
      const long pc = b.dbg->ModulePc, flash_length = b.module.ProgramLength();
      const auto ram = b.dbg->RamImage;
      b.faults().unplugged = true;
      const auto before = b.clock.NowNs();
      const Display d = commands[i](b);
      EXPECT_LT(b.clock.NowNs() - before, 10'000'000'000LL);  // virtual time: bounded waits
      EXPECT_EQ(d.messages, std::vector<DebugMessage>{LinkFailure()});
      EXPECT_FALSE(d.stopped || d.open_debug_window || d.close_modify_dialog || b.dbg->ReturnStatusEnabled ||
                   b.dbg->ReturnStatusUsbEnabled || !b.ui.messages.empty());
      EXPECT_TRUE(b.dbg->ModulePc == pc && b.dbg->RamImage == ram && b.module.ProgramLength() == flash_length && b.c->CompiledOK);
      const bool left = i + 1 == commands.size();
      EXPECT_EQ((std::tuple{d.break_timer, d.widen_main_window && d.close_check_variable, b.dbg->DebugWindowOpen, b.dbg->EraseOnExit}),
                (std::tuple{left ? TimerChange::kEnable : TimerChange::kKeep, left, !left, 0}));
    }
  }
}

TEST(Unplugged, ABreakWhoseStatusBreaksOffWaitsForItInsteadOfShowingTheOldStop) {
  for (const char* device : {"KF", "WF"}) {
    SCOPED_TRACE(device);
    Bench b(Wire::kRevB, device, {"DIM K AS BYTE", "AGAIN:", "K = K + 1", "GOTO AGAIN"});
    b.Download();
    b.clock.Advance(Bench::kBreakTickNs);
    b.faults().cut_after = b.port().sent() + 2;  // the marker and the low byte of the counter
    const Display d = b.dbg->Break();
    EXPECT_TRUE(d.messages.empty() && d.open_debug_window && !d.stopped && d.return_status == TimerChange::kEnable);
    EXPECT_TRUE(b.dbg->ReturnStatusEnabled);
    EXPECT_EQ(b.dbg->ModulePc, 0);
  }
}

TEST(Unplugged, TheVnmCountThatCannotBeSentIsALinkFailure) {
  Bench b(Wire::kRevB, "WF", kSessionProgram);
  b.RunToStop();
  // The module freezes before it takes the first count byte after its marker.
  b.port().faults().stall_from_pc = b.port().received() + 1;
  EXPECT_EQ(b.dbg->StepInto().messages, std::vector<DebugMessage>{LinkFailure()});
  EXPECT_TRUE(b.dbg->ReturnStatusEnabled);
}

}  // namespace
}  // namespace vn::debugger::testing
