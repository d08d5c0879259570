#include "debugger/debug_driver.h"

namespace vn::debugger {

bool DebugDriver::Start() {
  int result = -1;
  view_.RunTransfer([&](link::DownloadProgress& ui) { result = dbg_.Download(ui); });
  if (result != 0) return false;
  view_.SetBreakTimer(true);
  view_.ShowRunning();
  return true;
}

// ---- Main window ----------------------------------------------------------------------------------

void DebugDriver::BreakTimerTick() { Apply(dbg_.BreakTimerTick()); }
void DebugDriver::Break() { Apply(dbg_.Break()); }
void DebugDriver::CheckVariable() { Apply(dbg_.CheckVariable()); }
void DebugDriver::ModifyVariable(const std::string& name, const std::string& value_text) {
  Apply(dbg_.ModifyVariable(name, value_text));
}

// ---- Debug window ---------------------------------------------------------------------------------

void DebugDriver::StepInto() { Apply(dbg_.StepInto()); }
void DebugDriver::StepOver() { Apply(dbg_.StepOver()); }
void DebugDriver::StepOut() { Apply(dbg_.StepOut()); }
void DebugDriver::Reset() { Apply(dbg_.Reset()); }
void DebugDriver::ModifyVariableCommand() { Apply(dbg_.ModifyVariableCommand()); }
void DebugDriver::EraseFlash() { Apply(dbg_.EraseFlash()); }
void DebugDriver::Exit() { Apply(dbg_.Exit()); }
void DebugDriver::ReturnStatusTick() { Apply(dbg_.ReturnStatusTick()); }
void DebugDriver::ReturnStatusUsbTick() { Apply(dbg_.ReturnStatusUsbTick()); }

void DebugDriver::PollTick() {
  if (dbg_.ReturnStatusUsbEnabled)
    ReturnStatusUsbTick();
  else
    ReturnStatusTick();
}

void DebugDriver::LoadWindow() {
  loaded_ = true;
  // The load's redraw requests are the view's own business while it lays the window out: only
  // its message boxes are shown here.
  for (const DebugMessage& m : dbg_.Load().messages) view_.ShowMessage(m);
}

void DebugDriver::ActivateWindow() {
  activated_ = true;
  Apply(dbg_.Activate());
}

void DebugDriver::Leave() {
  Display result;
  view_.RunTransfer([&](link::DownloadProgress& ui) { result = dbg_.Close(ui); });
  Apply(result);
}

void DebugDriver::ScrollSource(int top_line) { Apply(dbg_.ScrollSource(top_line)); }
void DebugDriver::ScrollVariables(int top_line) { Apply(dbg_.ScrollVariables(top_line)); }

// ---- Showing a result -----------------------------------------------------------------------------

void DebugDriver::OpenDebugWindow() {
  loaded_ = false;
  activated_ = false;
  view_.OpenDebugWindow(*this);
  if (activated_) return;  // the view ran the steps it needed (only activation: it was open)
  if (!loaded_) {
    // A view without a layout of its own is shown the load as any other result.
    loaded_ = true;
    Apply(dbg_.Load());
  }
  ActivateWindow();
}

void DebugDriver::SyncPolling() { view_.SetPolling(dbg_.ReturnStatusEnabled, dbg_.ReturnStatusUsbEnabled); }

void DebugDriver::Apply(const Display& d) {
  // The timers.
  if (d.break_timer != TimerChange::kKeep) view_.SetBreakTimer(d.break_timer == TimerChange::kEnable);
  SyncPolling();
  // The message boxes.
  for (const DebugMessage& m : d.messages) view_.ShowMessage(m);
  // The windows.
  if (d.open_debug_window) OpenDebugWindow();
  if (d.close_debug_window) {
    view_.CloseDebugWindow();
    // A view whose window's close has left already has closed the session.
    if (dbg_.DebugWindowOpen) Leave();
  }
  if (d.show_check_variable) view_.ShowCheckVariable();
  if (d.close_check_variable) view_.CloseCheckVariable();
  if (d.close_modify_dialog) view_.VariableWritten();
  if (d.widen_main_window) view_.RestoreMainWindow();
  if (d.focus_editor) view_.FocusEditor();
  // The redraws.
  if (d.reload_source || d.move_highlight) view_.RedrawSource(d.reload_source);
  if (d.status_bar || d.stopped) view_.ShowStop(CurrentStop());
  if (d.refresh_variables) view_.ShowVariables(VariableRows());
  const bool runs = d.break_timer == TimerChange::kEnable || d.return_status == TimerChange::kEnable ||
                    d.return_status_usb == TimerChange::kEnable;
  if (runs && !d.stopped) view_.ShowRunning();
  SyncPolling();
}

ShownStop DebugDriver::CurrentStop() const {
  ShownStop s;
  s.line = dbg_.CurSrcLine;
  const Rows row = dbg_.SourceLines(s.line, 1);
  if (!row.lines.empty()) s.text = row.lines[0];
  s.pc = dbg_.StatusPc();
  s.object_code = dbg_.StatusObjectCode();
  return s;
}

std::vector<std::string> DebugDriver::VariableRows() const {
  const int count = dbg_.listing().line_count_plus1 - 1;
  if (count <= 0) return {};
  return dbg_.VariableLines(1, count).lines;
}

}  // namespace vn::debugger
