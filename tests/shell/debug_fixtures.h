// The debugging tests' rig: the main window with its debugging session, Run downloading into the
// virtual module, the timers played by moving the module's clock and calling their handlers.
#pragma once

#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <string>

#include "compiler/compiler.h"
#include "shell/debug_session.h"
#include "shell/debug_window.h"
#include "shell/modify_variable_dialog.h"
#include "shell/variable_window.h"
#include "shell/link_download.h"
#include "sim/module.h"
#include "shell_fixtures.h"

namespace vn::shell::testing {

inline CableChoice VirtualCable(CableChoice::Cable cable, int kind) { return CableChoice{cable, true, kind}; }

struct DebugRig : WindowRig {
  explicit DebugRig(const ScratchDir& dir, CableChoice cable = VirtualCable(CableChoice::Cable::kUsb, 1))
      : WindowRig(dir, cable) {
    window->studio().SetDownload(LinkDownload);
    session = std::make_unique<DebugSession>(*window, devices.link());
    session->modal_hook = [this](QDialog& d) {
      ++modal_dialogs;
      if (on_modal) on_modal(d);
      else ADD_FAILURE() << "unexpected modal dialog " << d.objectName().toStdString();
    };
  }
  ~DebugRig() { session.reset(); }  // before the window

  // Opens the program and runs it (compile and download) in a window of a known size.
  void RunProgram(const std::string& path) {
    Start(path);
    window->setGeometry(40, 30, 1000, 600);
    QApplication::processEvents();
    Trigger("mnuRun");
    QApplication::processEvents();
  }

  // tmrBreak's ticks until the debug window opens, at most `ticks` of them.
  bool WatchForStop(int ticks = 20) {
    for (int i = 0; i < ticks; ++i) {
      devices.AdvanceVirtualTime(500'000'000);
      session->OnBreakTimer();
      if (DebugOpen()) return QApplication::processEvents(), true;  // and the window's activation
    }
    return false;
  }

  // The debug window's polling timers until the stop report; false when it never came.
  bool Poll(int ticks = 100) {
    QApplication::processEvents();
    for (int i = 0; debug() != nullptr && i <= ticks; ++i) {
      const bool usb = debug()->return_status_usb_timer()->isActive();
      if (!usb && !debug()->return_status_timer()->isActive()) return true;
      devices.AdvanceVirtualTime(50'000'000);
      usb ? session->ReturnStatusUsbTick() : session->ReturnStatusTick();
    }
    return false;
  }

  // Clicks a button of the debug window and waits for the stop it brings.
  bool Click(const char* name) {
    QToolButton* b = debug() ? debug()->button(name) : nullptr;
    if (b == nullptr || !b->isEnabled()) return false;
    b->click();
    QApplication::processEvents();
    return Poll();
  }

  DebugWindow* debug() const { return session->debug_window(); }
  VariableWindow* variables() const { return session->variable_window(); }
  bool DebugOpen() const { return debug() != nullptr && debug()->isVisible(); }
  debugger::Debugger& dbg() { return session->debugger(); }
  int Line() { return dbg().CurSrcLine; }
  int Row() const { return debug()->source_view()->highlight_row(); }
  std::string RowText() const {  // the highlighted row's text
    const auto& rows = debug()->source_view()->rows();
    return Row() >= 0 && Row() < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(Row())] : "<no row>";
  }
  // The check-variable window's row of the variable.
  std::string VariableRow(const std::string& name) const {
    if (variables() == nullptr) return "<no window>";
    for (const std::string& row : variables()->view()->rows())
      if (row.rfind(" " + name + " ", 0) == 0) return row;
    return "<not listed>";
  }
  sim::Module& module() { return *devices.module(); }

  std::unique_ptr<DebugSession> session;
  std::function<void(QDialog&)> on_modal;
  int modal_dialogs = 0;
};

// The debugging session with every command of the IDE connected, as vnstudio starts them.
struct IdeDebugRig : DebugRig {
  IdeDebugRig(const ScratchDir& dir, CableChoice cable) : DebugRig(dir, cable) {
    setenv("VNSTUDIO_DATA_DIR", VN_SOURCE_DIR "/data", 1);
    ini.WriteString("Setup", "TipShow", "0");
    commands = std::make_unique<ShellCommands>(*window, devices, ini);
    commands->modal_hook = [](QDialog& d) { ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString(); };
  }
  ~IdeDebugRig() { commands.reset(); }  // before the window it works on
  std::unique_ptr<ShellCommands> commands;
};

// The main, debug and check-variable windows' frames in a session: on the screen's free area, in
// a row left to right, none over another; "" or what is wrong.
inline std::string SideBySideFault(const DebugRig& rig) {
  if (rig.debug() == nullptr || rig.variables() == nullptr) return "no debug or variable window";
  const QRect area = rig.window->screen()->availableGeometry();
  const QRect f[] = {rig.window->frameGeometry(), rig.debug()->frameGeometry(), rig.variables()->frameGeometry()};
  for (const QRect& r : f)
    if (!area.contains(r)) return "a window off the screen";
  if (f[0].intersects(f[1]) || f[0].intersects(f[2]) || f[1].intersects(f[2])) return "windows overlap";
  if (f[2].left() <= f[1].left() || f[1].left() <= f[0].left()) return "not main, debug, variables from the left";
  if (rig.window->width() < rig.window->minimumSizeHint().width()) return "main window below its minimum";
  return "";
}

// " NAME        :  value   hexH", as the listing writes a BYTE scalar.
inline std::string ByteRow(const std::string& name, int value, const char* hex) {
  std::string label = name;
  label.resize(12, ' ');
  return " " + label + ":  " + std::to_string(value) + "   " + hex + "H";
}

}  // namespace vn::shell::testing
