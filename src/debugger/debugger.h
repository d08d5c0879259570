// The debugger without its windows: the run monitor that watches a running module for a stop,
// the stop-status read, the debug window's commands and polling, the source-line arithmetic,
// the variable listing, Check Variable and Modify Variable.
//
// The IDE owns the timers and the windows and drives a Debugger from them: each timer tick and
// each command is one plain method that does the link traffic and returns a Display saying
// what to show (message boxes, the windows to open or close, timers to switch, what to redraw).
// The state the windows read (ModulePc, RamImage, CurSrcLine, SrcTopLine, ...) is public, as
// the compiler's tables are. Every exchange is bounded by the link's own time-outs; nothing here
// waits for a stop: the polling timers do.
#pragma once

#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "core/message_table.h"
#include "debugger/var_listing.h"
#include "link/download.h"
#include "link/link.h"

namespace vn::debugger {

// One message box: a code of the message table with its data; the front end renders it.
using DebugMessage = core::Message;

enum class TimerChange { kKeep, kEnable, kDisable };

// What the IDE does after a call, in this order: switch the timers, show the message boxes,
// open or close windows, redraw.
struct Display {
  std::vector<DebugMessage> messages;
  TimerChange break_timer = TimerChange::kKeep;        // the main window's tmrBreak
  TimerChange return_status = TimerChange::kKeep;      // the debug window's tmrReturnStatus
  TimerChange return_status_usb = TimerChange::kKeep;  // and tmrReturnStatusUsb
  bool open_debug_window = false;    // show DebugWindow modeless, then call Load() and Activate()
  bool close_debug_window = false;   // close DebugWindow, then call Close()
  bool focus_editor = false;
  bool ignored = false;              // a stepping command while the last one is still polled
  bool stopped = false;              // a stop status was read (ModulePc, RamImage are new)
  bool reload_source = false;        // SrcTopLine moved: redraw SourceLines(SrcTopLine, ...)
  bool move_highlight = false;       // the bar moves from PrevSrcLine to CurSrcLine, no reload
  bool status_bar = false;           // StatusPc() and StatusObjectCode() have new texts
  bool refresh_variables = false;    // redraw the check-variable window (VariableLines)
  bool show_check_variable = false;  // show VariableWindow modeless
  bool close_check_variable = false;
  bool widen_main_window = false;    // undo the narrowing of the main window at the window's load
  bool close_modify_dialog = false;
};

// Rows of the source view or the check-variable window, from the bytes held since they were
// written (the compile copy, the listing): what is on disk afterwards does not change them.
struct Rows {
  std::vector<std::string> lines;  // UTF-8
};

class Debugger {
 public:
  // `compiled` holds the tables of the last compile and the code image; `link` the cable. Both
  // outlive the Debugger.
  Debugger(compiler::Compiler& compiled, link::Link& link);

  // ---- Stop status --------------------------------------------------------------------------
  // Reads the status reply: 0 with ModulePc and RamImage updated, -1 when no reply came or it
  // failed (nothing changed). A failed send of the VNM count adds the link-failure message.
  int ReadModuleStatus(std::vector<DebugMessage>& messages);

  // Run's download of the compiled program; 0 or the download's failure (reported in `ui`).
  int Download(link::DownloadProgress& ui);

  // ---- Main window ------------------------------------------------------------------------
  // tmrBreak (500 ms while the program runs).
  Display BreakTimerTick();
  // The Break menu command.
  Display Break();
  // "Check Variable...".
  Display CheckVariable();
  // "Modify Variable..." from the main menu and the dialog's Ok: writes `value_text` into the
  // variable `name` of the running module. Refuses, before anything is sent, an unknown name,
  // a variable that is not a BYTE, INTEGER or LONG scalar, and a value that is not a whole
  // number in the variable's range. Empty texts do nothing. close_modify_dialog on success.
  Display ModifyVariable(const std::string& name, const std::string& value_text);

  // ---- Debug window -------------------------------------------------------------------------
  // The window's load (after open_debug_window): rebuilds the listing.
  Display Load();
  // Each activation: the source-line update and the source redraw; clears EraseOnExit.
  Display Activate();
  // The number of text rows the source view has room for (SrcVisibleLines).
  void SetVisibleLines(int rows) { SrcVisibleLines = rows; }
  // Step Over, Step Out, Reset and Modify Variable exist on the VNM series only.
  bool VnmCommandsEnabled() const { return Kind() != 1; }
  Display ReadAndDisplay();
  // The source-line update after a stop (CurSrcLine from ModulePc, the scroll rule).
  Display SourceLineUpdate() {
    Display d;
    UpdateSourceLine(d);
    return d;
  }
  Display ReturnStatusTick();
  Display ReturnStatusUsbTick();
  Display StepInto();
  Display StepOver();
  Display StepOut();
  Display Reset();
  // The window's Modify Variable: the polling stops while the dialog is up.
  Display ModifyVariableCommand();
  // Erase Flash and Exit: both close the window (close_debug_window); Close() does the work.
  Display EraseFlash();
  Display Exit();
  // The window's unload: the leave command, the erase when asked for, the break timer back on.
  // The erase download reports through `ui`.
  Display Close(link::DownloadProgress& ui);
  // The scroll bar moved.
  Display ScrollSource(int top_line);
  // The lines of the compile copy from `top_line` on, `rows` of them ("" beyond the end), as
  // the compile wrote the copy.
  Rows SourceLines(int top_line, int rows) const;
  // The row of the source view that holds CurSrcLine (0 = first), or -1 when it is not shown.
  int HighlightRow() const;
  // Status bar panels: " PC : " and " Object Code : " with upper-case hexadecimal.
  std::string StatusPc() const;
  std::string StatusObjectCode() const;

  // ---- Check-variable window ----------------------------------------------------------------
  // Writes the listing beside the source from RamImage; a file that cannot be written is
  // reported in `messages` (the listing is still held).
  void RebuildListing(std::vector<DebugMessage>& messages);
  // The scroll bar moved: VarTopLine, rebuild, redraw.
  Display ScrollVariables(int top_line);
  // Listing lines from `top_line` on, as the listing file was written.
  Rows VariableLines(int top_line, int rows) const;
  const VarListing& listing() const { return listing_; }
  std::string VarFilePath() const;

  // ---- State ----------------------------------------------------------------------------------
  long ModulePc = 0;
  std::vector<int> RamImage;  // at least 8193 elements; larger when the module sends more
  int InDebug = 0;            // -1 while debugging entered by Break is in progress
  int CurSrcLine = 0;
  int PrevSrcLine = 0;
  int SrcTopLine = 1;
  int SrcVisibleLines = 20;
  int EraseOnExit = 0;
  int VarTopLine = 1;
  bool DebugWindowOpen = false;
  bool ReturnStatusEnabled = false;     // tmrReturnStatus
  bool ReturnStatusUsbEnabled = false;  // tmrReturnStatusUsb

 private:
  int Kind() const { return compiled_.Device.DeviceKind; }
  bool Usb() const { return link_.UseUsb != 0; }
  core::Series Series() const { return core::SeriesOfKind(Kind()); }
  void SyncLink() { link_.UseSeries(Series()); }
  // The source-line update after a stop; fills the redraw flags.
  void UpdateSourceLine(Display& d);
  // Everything a stop read by a polling path refreshes.
  void ShowStop(Display& d);
  Display Stepping(int command, bool vnm_only);
  void StopPolling(Display& d);

  compiler::Compiler& compiled_;
  link::Link& link_;
  VarListing listing_;
};

// The message boxes of this subsystem.
DebugMessage LinkFailure();        // "VARNOLIC module not found ! ..."
DebugMessage NoCompileInfo(bool from_timer);  // kNoCompileInfoDebug from the timer, else kNoCompileInfo

}  // namespace vn::debugger
