// A debugging session's order of events, written once for every front end: each command and
// each timer tick calls the Debugger and shows its result on a DebugView (timers, message
// boxes, the debug window opened with its load and activation, closed with the leave command,
// the redraws). The IDE and the terminal only implement the view and say when a command or a
// tick happens.
#pragma once

#include <string>
#include <vector>

#include "debugger/debug_view.h"
#include "debugger/debugger.h"
#include "link/download.h"

namespace vn::debugger {

class DebugDriver {
 public:
  // Both outlive the driver.
  DebugDriver(Debugger& debugger, DebugView& view) : dbg_(debugger), view_(view) {}
  DebugDriver(const DebugDriver&) = delete;
  DebugDriver& operator=(const DebugDriver&) = delete;

  // Run: the download, after which the run monitor watches the program. False when it failed
  // (the view has shown why).
  bool Start();

  // ---- Main window ----------------------------------------------------------------------------
  void BreakTimerTick();
  void Break();
  void CheckVariable();
  void ModifyVariable(const std::string& name, const std::string& value_text);

  // ---- Debug window ---------------------------------------------------------------------------
  void StepInto();
  void StepOver();
  void StepOut();
  void Reset();
  void ModifyVariableCommand();
  void EraseFlash();
  void Exit();
  void ReturnStatusTick();
  void ReturnStatusUsbTick();
  // Whichever polling timer runs (the USB one when both would).
  void PollTick();
  // The window was activated.
  void ActivateWindow();
  // The window's load, for a view's OpenDebugWindow (see DebugView).
  void LoadWindow();
  // The window's unload: the leave command (and the erase download) as a transfer.
  void Leave();
  void ScrollSource(int top_line);
  void ScrollVariables(int top_line);

  // Shows a result, in the one order every front end shows it.
  void Apply(const Display& d);

  // The stop the debugger is at now.
  ShownStop CurrentStop() const;
  // The whole listing, without the blank lines after it.
  std::vector<std::string> VariableRows() const;

  Debugger& debugger() { return dbg_; }
  const Debugger& debugger() const { return dbg_; }

 private:
  void OpenDebugWindow();
  void SyncPolling();

  Debugger& dbg_;
  DebugView& view_;
  // Which steps of an opening the view ran itself.
  bool loaded_ = false;
  bool activated_ = false;
};

}  // namespace vn::debugger
