// Helpers of the debugging tests: the main window with the debugging session attached, Run's
// download into the virtual module, and the timers played by moving the module's clock and
// calling their handlers.
#pragma once

#include <QScreen>
#include <QScrollBar>
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

inline constexpr std::int64_t kBreakTickNs = 500'000'000;
inline constexpr std::int64_t kPollTickNs = 50'000'000;

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

  // Opens the program, runs it (compile and download) with a window of a known size.
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
      devices.AdvanceVirtualTime(kBreakTickNs);
      session->OnBreakTimer();
      if (DebugOpen()) {
        QApplication::processEvents();  // the window's activation
        return true;
      }
    }
    return false;
  }

  // The debug window's polling timer until the stop report; false when it never came.
  bool Poll(int ticks = 100) {
    QApplication::processEvents();
    DebugWindow* w = debug();
    for (int i = 0; w != nullptr && i < ticks; ++i) {
      if (w->return_status_usb_timer()->isActive()) {
        devices.AdvanceVirtualTime(kPollTickNs);
        session->ReturnStatusUsbTick();
      } else if (w->return_status_timer()->isActive()) {
        devices.AdvanceVirtualTime(kPollTickNs);
        session->ReturnStatusTick();
      } else {
        return true;
      }
    }
    return w != nullptr && !w->return_status_timer()->isActive() && !w->return_status_usb_timer()->isActive();
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
  // The text on the highlighted row of the source view.
  std::string RowText() const {
    const auto& rows = debug()->source_view()->rows();
    const int r = Row();
    return r >= 0 && r < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(r)] : "<no row>";
  }
  // The row of the check-variable window that starts with the variable's label.
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

// The debugging session with every command of the IDE connected, as vnstudio starts them: the
// virtual module's dock and Run's download of the series compiled.
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

// The main, debug and check-variable windows' frames while a session is up: inside the screen's
// free area and none over another (each failure names the window).
inline std::string SideBySideFault(const DebugRig& rig) {
  if (rig.debug() == nullptr || rig.variables() == nullptr) return "no debug or variable window";
  const QRect area = rig.window->screen()->availableGeometry();
  const QRect main = rig.window->frameGeometry(), debug = rig.debug()->frameGeometry(),
              var = rig.variables()->frameGeometry();
  if (!area.contains(main)) return "main window off the screen";
  if (!area.contains(debug)) return "debug window off the screen";
  if (!area.contains(var)) return "variable window off the screen";
  if (main.intersects(debug)) return "main window under the debug window";
  if (main.intersects(var)) return "main window under the variable window";
  if (debug.intersects(var)) return "debug window over the variable window";
  if (var.left() <= debug.left()) return "variable window not right of the debug window";
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
