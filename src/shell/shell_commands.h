// The main window's commands beyond the editor and Run: the output views, Save Object,
// Download from Object, Clear Flash Memory, Verify, the language switch, Port Setup with the
// virtual module's dock, the Serial Monitor and Plotter on one port session, help, tip of the
// day and the about box. One object connects them all
// to a MainWindow (through SetCommandHandler) and owns their windows. It must go before the
// window does.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "link/flash.h"
#include "shell/output_views.h"
#include "shell/tips.h"

class QDialog;
class QTimer;

namespace vn::core {
class IniFile;
}  // namespace vn::core
namespace vn::serial {
class PortSession;
}

namespace vn::shell {

class CableDevices;
class OutputView;
class VirtualModuleDock;
class HelpWindow;
class MainWindow;
class SerialMonitor;
class SerialPlotter;

class ShellCommands : public QObject {
  Q_OBJECT
 public:
  ShellCommands(MainWindow& window, CableDevices& devices, core::IniFile& ini);
  ~ShellCommands() override;

  // Stand-ins for tests: `modal_hook` gets each modal dialog shown, instead of the dialog's own
  // event loop, and returns when the test has clicked what it wants; the object file dialogs
  // return a name ("" = cancelled); `time_digit` is the digit the first tip is chosen by
  // (unset: the last digit of the clock's seconds).
  std::function<void(QDialog&)> modal_hook;
  std::function<std::string()> save_object_dialog_hook;
  std::function<std::string()> open_object_dialog_hook;
  std::function<int()> time_digit;

  // ---- The commands ---------------------------------------------------------------------------
  void SaveObject();
  void DownloadFromObject();
  void ClearFlashMemory();
  void Verify();
  void ViewObjectCode();
  void ViewLabelList();
  void ReadFlashMemory();
  void UseKoreanMenu();
  void PortSetup();
  void OpenSerialMonitor();
  void OpenSerialPlotter();
  void Help();
  void TipOfTheDay();
  void About();
  // The main window became active: the tip of the day at start.
  void OnActivate();

  // ---- What they own ----------------------------------------------------------------------------
  link::FlashImage& flash() { return flash_; }
  TipBook& tips() { return tips_; }
  // The view's window, or null before it was first opened.
  OutputView* view(OutputViewKind kind) const;
  HelpWindow* help_window() const;
  VirtualModuleDock* dock() const;
  SerialMonitor* serial_monitor() const;
  SerialPlotter* serial_plotter() const;
  serial::PortSession& serial_session() { return *serial_session_; }
  // The text of status panel 1: the cable in use.
  std::string CableName() const;
  // Lets the virtual module's program catch up with the real time that has passed and shows
  // the dock's news (tmrVirtualTime's tick).
  void OnVirtualTime();

 private:
  int RunModal(QDialog& dialog);
  void ShowMessage(const std::string& text, const std::string& title, int style);
  // A message of the table, as ShownMessage renders it.
  void ShowMessage(const core::Message& message);
  void ShowNoCompile();
  bool Compiled() const;
  OutputView& ViewWindow(OutputViewKind kind);
  // Loads the tips and shows the dialog; false when the tip file could not be read.
  bool ShowTips();
  // The dock is there while the virtual module is the cable.
  void UpdateDock(bool show);
  std::string ChooseObjectFile(bool save);
  // Runs a transfer over the cable; a monitor on the adapter the cable is lets go of it
  // before and takes it back after.
  int WithSerialPortLent(const std::function<int()>& transfer);

  MainWindow& window_;
  CableDevices& devices_;
  core::IniFile& ini_;
  link::FlashImage flash_;
  TipBook tips_;
  bool start_tip_done_ = false;
  QPointer<OutputView> views_[3];
  QPointer<HelpWindow> help_;
  QPointer<VirtualModuleDock> dock_;
  serial::PortSession* serial_session_;
  QPointer<SerialMonitor> monitor_;
  QPointer<SerialPlotter> plotter_;
  QTimer* tmrVirtualTime;
  QElapsedTimer real_time_;
};

}  // namespace vn::shell
