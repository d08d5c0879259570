// What a debugger front end shows: the IDE's windows and the terminal each implement this, and
// the DebugDriver calls it in the one order a session runs in (message boxes, the windows
// opened and closed, the redraws). A front end shows; it never decides what comes next.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "debugger/debugger.h"
#include "link/download.h"

namespace vn::debugger {

class DebugDriver;

// A stop as it is shown: the source line of the program counter, that line's text (UTF-8, ""
// past the end of the program) and the status bar's two texts.
struct ShownStop {
  int line = 0;
  std::string text;
  std::string pc;           // " PC : 1A"
  std::string object_code;  // " Object Code : 91"
  bool operator==(const ShownStop&) const = default;
};

class DebugView {
 public:
  virtual ~DebugView() = default;

  // One message box; several come in the order the debugger produced them.
  virtual void ShowMessage(const DebugMessage& message) = 0;

  // The run monitor (the main window's tmrBreak) on or off.
  virtual void SetBreakTimer(bool /*on*/) {}
  // The debug window's polling timers follow the debugger's ReturnStatusEnabled and
  // ReturnStatusUsbEnabled; called before and after every change, so it must be idempotent.
  virtual void SetPolling(bool /*return_status*/, bool /*return_status_usb*/) {}

  // A stop opens the debug window. A front end with a window layout calls driver.LoadWindow()
  // once the window is placed (a window opened afresh) and driver.ActivateWindow() once it shows
  // (a window that was open already is only activated). A view that calls neither gets the load
  // shown as any other result (the check-variable window, the listing), then the activation.
  virtual void OpenDebugWindow(DebugDriver& /*driver*/) {}
  // The session leaves: the window closes. A window whose own close runs the leave calls
  // driver.Leave() from there; otherwise the driver leaves after this returns.
  virtual void CloseDebugWindow() {}
  virtual void ShowCheckVariable() {}
  virtual void CloseCheckVariable() {}
  // Modify Variable has written the value (the dialog closes).
  virtual void VariableWritten() {}
  // The main window gets back the width it gave up while the debug window was open.
  virtual void RestoreMainWindow() {}
  virtual void FocusEditor() {}

  // The source view: the text reloaded from the debugger's SrcTopLine, or the bar moved only.
  virtual void RedrawSource(bool /*reload_text*/) {}
  // A stop has been read and is shown.
  virtual void ShowStop(const ShownStop& stop) = 0;
  // The variable listing changed: its lines from the first (the blank lines after it left off).
  virtual void ShowVariables(const std::vector<std::string>& /*rows*/) {}
  // No stop to show until the next ShowStop: the program runs, or a command waits for the
  // module's stop report.
  virtual void ShowRunning() {}

  // Runs a transfer (the download, the leave command with its erase) the way this front end
  // runs transfers, with its progress panel and message boxes.
  virtual void RunTransfer(const std::function<void(link::DownloadProgress&)>& transfer) = 0;
};

}  // namespace vn::debugger
