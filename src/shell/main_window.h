// The main window: the editor between the toolbar and the status bar, the menus, the progress
// bar and the break timer. Its logic is the Studio's; the window shows and asks.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "shell/studio.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace vn::core {
class IniFile;
class RegistryStore;
}  // namespace vn::core

namespace vn::shell {

class Breakpoints;
class CodeEditor;

// The file dialogs' filter: source files, then all files.
inline constexpr char kFileFilter[] = "VARNOLIC소스파일(*.bas);;모든 파일(*.*)";

// The main window's rectangle at the first run: two thirds of the screen's free area, centred.
QRect FirstRunGeometry(const QRect& available);

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it is known by.
class MainWindow : public QMainWindow, public StudioView {
  Q_OBJECT
 public:
  MainWindow(link::Link& link, core::IniFile& ini, core::RegistryStore& reg, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence; runs before the window is shown. `file`: opened instead of the
  // last file.
  void Load(const std::string& file = {});
  // Shows the window in the state the stored placement names.
  void ShowAsPlaced();
  // "Editor Environment..." for callers outside the menu.
  void EditorEnvironment() { studio_->EditorEnvironment(); }

  Studio& studio() { return *studio_; }
  CodeEditor& editor() { return *txtEditor; }
  Breakpoints& breakpoints() { return *breakpoints_; }
  QAction* action(std::string_view name) const;
  QMenu* menu(std::string_view name) const;
  QString PanelText(int panel) const;
  QProgressBar* progress_bar() const { return gagDownload; }
  QTimer* break_timer() const { return tmrBreak; }
  bool transfer_active() const { return transfer_active_; }
  // Connects a menu command whose handler lives elsewhere (the debugger, the views, the link
  // set-up, help); the item is enabled from then on.
  void SetCommandHandler(std::string_view menu_name, std::function<void()> handler);

  // Stand-ins for the modal parts, for tests and embedding: the message boxes (return the
  // answer), the file dialogs (return a name, "" for cancel) and the immediate end of File,
  // Exit. Unset, the real ones are used.
  std::function<int(const std::string& text, const std::string& title, int style)> message_hook;
  std::function<std::string()> open_dialog_hook;
  std::function<std::string()> save_dialog_hook;
  std::function<void()> exit_hook;
  // tmrBreak's handler: the run monitor's poll of the module.
  std::function<void()> on_break_timer;
  // Runs each time the window becomes the active one (the tip of the day).
  std::function<void()> on_activate;
  // Runs at the end of the start-up sequence.
  std::function<void()> on_loaded;
  // Runs when a close has been accepted, before the placement is stored (the debugging
  // session puts the narrowed window back first).
  std::function<void()> before_unload;
  // Runs before Run and Run to Cursor compile and download (a debugging session ends first).
  std::function<void()> before_run;

  // ---- StudioView -------------------------------------------------------------------------
  int Message(const std::string& text, const std::string& title, int style) override;
  std::string AskOpenPath() override;
  std::string AskSavePath() override;
  void SetCaption(const std::string& caption) override;
  void SetPanel(int panel, const std::string& text) override;
  void SetProgressMax(long max) override;
  void SetProgress(long value) override;
  void SetRecentItem(int k, const std::string& caption, bool visible) override;
  void CheckDeviceItem(const std::string& code) override;
  void SetVariableItemsEnabled(bool enabled) override;
  void SetBreakTimer(bool enabled) override;
  bool BreakTimerEnabled() const override;
  void ApplyMenuLanguage(bool korean) override;
  void ApplyPlacement(const Placement& placement) override;
  Placement CurrentPlacement() const override;
  void BeginTransfer() override;
  void EndTransfer() override;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildStatusBar();
  void Connect(std::string_view name, std::function<void()> handler);
  // Lets the window paint while a transfer holds the event loop.
  void Pump();

  link::Link& link_;
  CodeEditor* txtEditor;
  QToolBar* tbrMain = nullptr;
  QTimer* tmrBreak;
  QProgressBar* gagDownload = nullptr;
  QLabel* panels_[4] = {};
  std::map<std::string, QAction*, std::less<>> actions_;
  std::map<std::string, QMenu*, std::less<>> menus_;
  std::map<std::string, std::function<void()>, std::less<>> handlers_;
  std::unique_ptr<Studio> studio_;
  std::unique_ptr<Breakpoints> breakpoints_;
  int placed_state_ = 0;
  bool transfer_active_ = false;
  bool unloaded_ = false;
  qint64 last_pump_ms_ = 0;
};

}  // namespace vn::shell
