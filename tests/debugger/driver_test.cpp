// The debugger's order of events as a front end sees it: a recording view driven over the
// running virtual module, from the download to the exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "debug_bench.h"
#include "debugger/debug_driver.h"
#include "debugger/debug_view.h"
#include "isa/isa.h"
#include "link/commands.h"

namespace vn::debugger::testing {
namespace {

// Every call as one line of text, with its data.
class RecordingView final : public DebugView {
 public:
  explicit RecordingView(link::DownloadProgress& ui) : ui_(ui) {}

  void ShowMessage(const DebugMessage& m) override { calls.push_back("message " + core::MessageTextOf(m, core::Language::kEnglish)); }
  void SetBreakTimer(bool on) override { calls.push_back(std::string("break timer ") + (on ? "on" : "off")); }
  // Called before and after every result; only a change is worth a line.
  void SetPolling(bool rs, bool usb) override {
    if (rs == polling_ && usb == polling_usb_) return;
    polling_ = rs;
    polling_usb_ = usb;
    calls.push_back(std::string("polling ") + (rs ? "on" : "off") + " usb " + (usb ? "on" : "off"));
  }
  void OpenDebugWindow(DebugDriver&) override { calls.push_back("open"); }
  void CloseDebugWindow() override { calls.push_back("close"); }
  void ShowCheckVariable() override { calls.push_back("show variables window"); }
  void CloseCheckVariable() override { calls.push_back("close variables window"); }
  void VariableWritten() override { calls.push_back("written"); }
  void RestoreMainWindow() override { calls.push_back("restore main window"); }
  void FocusEditor() override { calls.push_back("focus editor"); }
  void RedrawSource(bool reload) override { calls.push_back(reload ? "reload source" : "move bar"); }
  void ShowStop(const ShownStop& s) override {
    stops.push_back(s);
    calls.push_back("stop");
  }
  void ShowVariables(const std::vector<std::string>& r) override {
    rows.push_back(r);
    calls.push_back("variables");
  }
  void ShowRunning() override { calls.push_back("running"); }
  void RunTransfer(const std::function<void(link::DownloadProgress&)>& transfer) override {
    calls.push_back("transfer");
    transfer(ui_);
  }

  std::vector<std::string> Take() { return std::exchange(calls, {}); }

  std::vector<std::string> calls;
  std::vector<ShownStop> stops;
  std::vector<std::vector<std::string>> rows;

 private:
  link::DownloadProgress& ui_;
  bool polling_ = false;
  bool polling_usb_ = false;
};

const std::vector<std::string> kProgram = {
    "DIM N AS BYTE, K AS BYTE",  // 1
    "N = 1",                     // 2
    "BREAK",                     // 3
    "N = 7",                     // 4
    "AGAIN:",                    // 5
    "K = K + 1",                 // 6
    "GOTO AGAIN",                // 7
};

using Calls = std::vector<std::string>;

// The main window's tmrBreak until the debug window is open.
void WatchUntilOpen(Bench& b, DebugDriver& driver) {
  for (int i = 0; i < 10 && !b.dbg.DebugWindowOpen; ++i) {
    b.clock.Advance(Bench::kBreakTickNs);
    driver.BreakTimerTick();
  }
  ASSERT_TRUE(b.dbg.DebugWindowOpen);
}

std::string PcText(long pc) { return " PC : " + core::Hex(static_cast<unsigned long>(pc)); }
std::string Code(isa::Opcode op) { return " Object Code : " + core::Hex(static_cast<unsigned long>(op)); }

TEST(Driver, StopStepStepOutAndExitOverUsb) {
  Bench b(Wire::kUsb, "WF", kProgram);
  RecordingView view(b.ui);
  DebugDriver driver(b.dbg, view);

  // Run: the download, then the run monitor.
  ASSERT_TRUE(driver.Start());
  EXPECT_EQ(view.Take(), (Calls{"transfer", "break timer on", "running"}));

  // The monitor finds the program's BREAK: the window opens, loads, is activated, the stop shows.
  WatchUntilOpen(b, driver);
  EXPECT_EQ(view.Take(), (Calls{"break timer off", "open", "show variables window", "variables",
                                                   "reload source", "stop"}));
  ASSERT_EQ(view.stops.size(), 1u);
  EXPECT_EQ(view.stops[0], (ShownStop{4, "N = 7", PcText(b.module.pc), Code(isa::Opcode::kAssign)}));
  // The listing as the program left it at the BREAK.
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0], (Calls{" N           :  1   1H", " K           :  0   0H"}));

  // Step Into: the command goes out, the USB timer waits for the report, then the next line.
  driver.StepInto();
  EXPECT_EQ(view.Take(), (Calls{"polling off usb on", "running"}));
  EXPECT_EQ(b.module.commands().back(), link::CmdStepInto);
  for (int i = 0; i < 40 && b.dbg.ReturnStatusUsbEnabled; ++i) {
    b.clock.Advance(Bench::kPollTickNs);
    driver.PollTick();
  }
  EXPECT_EQ(view.Take(), (Calls{"polling off usb off", "move bar", "stop", "variables"}));
  ASSERT_EQ(view.stops.size(), 2u);
  EXPECT_EQ(view.stops[1], (ShownStop{6, "K = K + 1", PcText(b.module.pc), Code(isa::Opcode::kAssign)}));
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[1], (Calls{" N           :  7   7H", " K           :  0   0H"}));

  // Step Out at the top level: nothing returns, the program runs on and no stop comes.
  driver.StepOut();
  EXPECT_EQ(view.Take(), (Calls{"polling off usb on", "running"}));
  EXPECT_EQ(b.module.commands().back(), link::CmdStepOut);
  for (int i = 0; i < 10; ++i) {
    b.clock.Advance(Bench::kPollTickNs);
    driver.PollTick();
  }
  EXPECT_TRUE(view.Take().empty());
  EXPECT_EQ(view.stops.size(), 2u);
  EXPECT_TRUE(b.module.running());

  // Exit: the polling stops, the window closes, the leave command goes out as a transfer and the
  // monitor watches again.
  driver.Exit();
  EXPECT_EQ(view.Take(), (Calls{"polling off usb off", "close", "transfer", "break timer on",
                                                   "close variables window", "restore main window", "running"}));
  EXPECT_EQ(b.module.commands().back(), link::CmdLeaveDebugVnm);
  EXPECT_FALSE(b.dbg.DebugWindowOpen);
  EXPECT_TRUE(b.ui.messages.empty());
}

// A view that lays its window out itself runs the load and the activation where it needs them;
// the driver then runs neither again.
class LayingOutView final : public DebugView {
 public:
  void ShowMessage(const DebugMessage& m) override { calls.push_back("message " + core::MessageTextOf(m, core::Language::kEnglish)); }
  void OpenDebugWindow(DebugDriver& driver) override {
    calls.push_back("place");
    if (!open) driver.LoadWindow();
    calls.push_back("show");
    open = true;
    driver.ActivateWindow();
  }
  void RedrawSource(bool reload) override { calls.push_back(reload ? "reload source" : "move bar"); }
  void ShowCheckVariable() override { calls.push_back("show variables window"); }
  void ShowVariables(const std::vector<std::string>&) override { calls.push_back("variables"); }
  void ShowStop(const ShownStop& s) override { calls.push_back("stop " + std::to_string(s.line)); }
  void RunTransfer(const std::function<void(link::DownloadProgress&)>& transfer) override { transfer(ui); }

  std::vector<std::string> calls;
  bool open = false;
  RecordingProgress ui;
};

TEST(Driver, AViewThatLaysOutItsWindowRunsTheStepsItself) {
  Bench b(Wire::kRevB, "WF", kProgram);
  LayingOutView view;
  DebugDriver driver(b.dbg, view);
  ASSERT_TRUE(driver.Start());
  WatchUntilOpen(b, driver);
  // The load's redraw requests are the view's: only its messages would show.
  EXPECT_EQ(view.calls, (Calls{"place", "show", "reload source", "stop 4"}));
  // Break while the window is open: activation only, no second load.
  view.calls.clear();
  driver.Break();
  ASSERT_GE(view.calls.size(), 2u);
  EXPECT_EQ(Calls(view.calls.begin(), view.calls.begin() + 2), (Calls{"place", "show"}));
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "variables"), 0);
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "show variables window"), 0);
}

}  // namespace
}  // namespace vn::debugger::testing
