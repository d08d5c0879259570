// Debugging in the IDE: one object per main window owns the Debugger and its three windows
// (DebugWindow, VariableWindow, ModifyVariableDialog), runs the main window's tmrBreak handler and the Break,
// Check Variable and Modify Variable commands through the debugger's DebugDriver, and is the
// driver's view: the timers, the message boxes, the windows opened and closed, the main window
// narrowed while the debug window is up and widened again, the redraws.
//
// It connects itself from outside the main window (on_break_timer, SetCommandHandler) and must
// go before the window does.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "debugger/debug_driver.h"
#include "debugger/debug_view.h"
#include "debugger/debugger.h"
#include "shell/debug_layout.h"

class QDialog;

namespace vn::shell {

class DebugWindow;
class MainWindow;
class ModifyVariableDialog;
class VariableWindow;

class DebugSession : public QObject, private debugger::DebugView {
  Q_OBJECT
 public:
  // `link` is the cable the window's Studio talks through.
  DebugSession(MainWindow& window, link::Link& link);
  ~DebugSession() override;
  DebugSession(const DebugSession&) = delete;
  DebugSession& operator=(const DebugSession&) = delete;

  // Stand-in for tests: gets the modal Modify Variable dialog shown instead of its own event
  // loop, and returns when the test has clicked what it wants.
  std::function<void(QDialog&)> modal_hook;

  // ---- The main window ------------------------------------------------------------------------
  void OnBreakTimer();
  void Break();
  void CheckVariable();
  // "Modify Variable..." of the main menu: the dialog, modeless.
  void ModifyVariable();

  // ---- The debug window ---------------------------------------------------------------------------
  void StepInto();
  void StepOver();
  void StepOut();
  void Reset();
  // Its Modify Variable: the polling stops, then the dialog, modal.
  void ModifyFromDebugWindow();
  void EraseFlash();
  void Exit();
  void ReturnStatusTick();
  void ReturnStatusUsbTick();
  void DebugWindowActivated();
  // The window's unload: the leave command (and the erase download) with the main window held.
  void DebugWindowClosing();
  void SourceScrolled(int top_line);
  void SourceResized(int rows);

  // ---- The variable windows -------------------------------------------------------------------
  void VariableScrolled(int top_line);
  void VariableResized();
  // The dialog's Ok.
  void ModifyOk(const std::string& name, const std::string& value);

  debugger::Debugger& debugger() { return dbg_; }
  MainWindow& main_window() { return window_; }
  bool Korean() const;
  DebugWindow* debug_window() const;
  VariableWindow* variable_window() const;
  ModifyVariableDialog* modify_dialog() const;
  // Pixels the main window was narrowed by at the debug window's load (0: not narrowed).
  int narrowed_by() const { return narrowed_by_; }

 private:
  // ---- The driver's view ----------------------------------------------------------------------
  void ShowMessage(const debugger::DebugMessage& message) override;
  void SetBreakTimer(bool on) override;
  void SetPolling(bool return_status, bool return_status_usb) override;
  void OpenDebugWindow(debugger::DebugDriver& driver) override;
  void CloseDebugWindow() override;
  void ShowCheckVariable() override { ShowCheckVariable(false); }
  void CloseCheckVariable() override;
  void VariableWritten() override;
  // The main window back to the placement it had before the debug window opened.
  void RestoreMainWindow() override;
  void FocusEditor() override;
  void RedrawSource(bool reload_text) override;
  void ShowStop(const debugger::ShownStop& stop) override;
  void ShowVariables(const std::vector<std::string>& rows) override;
  void RunTransfer(const std::function<void(link::DownloadProgress&)>& transfer) override;

  void ShowCheckVariable(bool beside_debug_window);
  // The editor's breakpoints and hover tips see the session through these.
  void HookEditor();
  void UnhookEditor();
  // At a stop on the VNM series: the listing's rows of the variable `word` names, one a line.
  QString HoverText(const QString& word) const;
  VariableWindow& EnsureVariableWindow();
  // The dialog, owned by the window it is opened from.
  ModifyVariableDialog& ModifyDialog(QWidget* owner);
  void WidenMainWindow();
  // The debug window shows and is not on its way out.
  bool DebugWindowShown() const;
  // Closes a shown debug window, which ends the session as its Exit does.
  void EndSession();
  // The debug window's "running" / "stopped at line N".
  void ShowState();
  // The link is busy with a transfer: timers and commands wait.
  bool Busy() const;

  MainWindow& window_;
  debugger::Debugger dbg_;
  debugger::DebugDriver driver_{dbg_, *this};
  QPointer<DebugWindow> debug_;
  QPointer<VariableWindow> variable_;
  QPointer<ModifyVariableDialog> modify_;
  int narrowed_by_ = 0;
  SavedPlacement placement_;
  bool closing_ = false;
  bool shutting_down_ = false;
};

// The width the check-variable window is made with, in pixels (the main window gives up what
// it can of it while debugging).
inline constexpr int kVariableWindowWidth = 360;

}  // namespace vn::shell
