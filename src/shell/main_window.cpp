#include "shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <cmath>

#include "core/devices.h"
#include "shell/breakpoints.h"
#include "shell/captions.h"
#include "shell/code_editor.h"
#include "shell/message_box.h"
#include "shell/toolbar_icons.h"

namespace vn::shell {

namespace {

// Commands that other parts of the program provide; until they do, their items are disabled.
constexpr std::string_view kForeignCommands[] = {
    "mnuSaveObject",     "mnuDownloadfromObject", "mnuBreak",          "mnuVerify",
    "mnuViewObjectCode", "mnuViewLabelList",      "mnuReadFlashMemory", "mnuCheckVariable",
    "mnuModifyVariable", "mnuClearFlashMemory",   "mnuUseKoreanMenu",  "mnuPortSetup",
    "mnuHelp",           "mnuTipoftheday",        "mnuAbout",           "mnuSerialMonitor",
    "mnuSerialPlotter",
};

bool IsForeign(std::string_view name) {
  for (std::string_view f : kForeignCommands)
    if (f == name) return true;
  return false;
}

// The two items the series decides (disabled until a download says which series it is).
bool IsVariableItem(std::string_view name) { return name == "mnuCheckVariable" || name == "mnuModifyVariable"; }

QString MenuText(const std::string& s) {
  QString t = QString::fromStdString(s);
  return t.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// Qt's own dialog matches "*.bas" without regard to case, as the file names of the modules'
// tools (and our own ".BAS") need; the desktop's native dialogs on Linux would hide "PROG.BAS".
constexpr QFileDialog::Options kDialogOptions = QFileDialog::DontUseNativeDialog;

int ToPixels(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

}  // namespace

MainWindow::MainWindow(link::Link& link, core::IniFile& ini, core::RegistryStore& reg, QWidget* parent)
    : QMainWindow(parent), link_(link), txtEditor(new CodeEditor(this)), tmrBreak(new QTimer(this)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowIcon(AppIcon());
  studio_ = std::make_unique<Studio>(*this, *txtEditor, link, ini, reg);
  setCentralWidget(txtEditor);
  tmrBreak->setObjectName(QStringLiteral("tmrBreak"));
  tmrBreak->setInterval(500);
  connect(tmrBreak, &QTimer::timeout, this, [this] {
    // A transfer lets timers run while it paints; the module is busy with the transfer then.
    if (on_break_timer && !transfer_active_) on_break_timer();
  });
  breakpoints_ = std::make_unique<Breakpoints>(*this, ini);
  BuildMenus();
  BuildToolbar();
  BuildStatusBar();
  txtEditor->on_change = [this] { studio_->OnTextChanged(); };
  txtEditor->on_selection_change = [this] { studio_->OnSelectionChanged(); };
  txtEditor->notify = [this](const QString& text) { Message(text.toStdString(), kTitleMessage, kStyleInformation); };
}

MainWindow::~MainWindow() {
  breakpoints_.reset();  // it unhooks itself from the editor and the Studio
  // The editor's events must not reach a Studio that is gone.
  txtEditor->on_change = nullptr;
  txtEditor->on_selection_change = nullptr;
}

void MainWindow::Load(const std::string& file) {
  studio_->Load(file);
  // Panel 1 names the cable the link was opened with.
  panels_[0]->setText(QString::fromUtf8(link_.cable().name()));
  if (on_loaded) on_loaded();
  txtEditor->setFocus();
}

void MainWindow::ShowAsPlaced() {
  if (placed_state_ == 2) showMaximized();
  else if (placed_state_ == 1) showMinimized();
  else show();
}

// ---- Building ---------------------------------------------------------------------------------

void MainWindow::BuildMenus() {
  QMenu* current = nullptr;
  for (const MenuEntry& e : kMenuTable) {
    switch (e.kind) {
      case MenuKind::kTop:
        current = menuBar()->addMenu(QString::fromUtf8(e.english));
        current->setObjectName(QString::fromLatin1(e.name));
        current->menuAction()->setObjectName(QString::fromLatin1(e.name));
        menus_[e.name] = current;
        break;
      case MenuKind::kSeparator:
        current->addSeparator();
        break;
      case MenuKind::kRecent:
        for (int k = 1; k <= 4; ++k) {
          QAction* a = current->addAction(QString());
          const std::string name = std::string(e.name) + std::to_string(k);
          a->setObjectName(QString::fromStdString(name));
          a->setVisible(false);
          actions_[name] = a;
          connect(a, &QAction::triggered, this, [this, k] {
            if (!transfer_active_) studio_->OpenRecent(k);
          });
        }
        break;
      case MenuKind::kItem: {
        QAction* a = current->addAction(QString::fromUtf8(e.english));
        a->setObjectName(QString::fromLatin1(e.name));
        if (e.shortcut[0] != '\0') a->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
        actions_[e.name] = a;
        if (IsForeign(e.name)) {
          a->setEnabled(false);
          connect(a, &QAction::triggered, this, [this, name = std::string(e.name)] {
            if (transfer_active_) return;
            auto it = handlers_.find(name);
            if (it != handlers_.end() && it->second) it->second();
          });
        }
        break;
      }
    }
  }
  // The device comes from the defaults and from CONST DEVICE; the menu is kept but not shown.
  menus_["mnuDevice"]->menuAction()->setVisible(false);
  for (const core::DeviceInfo& item : core::kDevices) {
    if (!item.has_menu_item()) continue;
    QAction* a = actions_[item.menu_object];
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, code = std::string(item.code)] {
      if (!transfer_active_) studio_->SelectDevice(code);
    });
  }

  Connect("mnuNew", [this] { studio_->New(); });
  Connect("mnuOpen", [this] { studio_->Open(); });
  Connect("mnuSave", [this] { studio_->SaveDocument(); });
  Connect("mnuSaveAs", [this] { studio_->SaveDocumentAs(); });
  Connect("mnuPrint", [this] { txtEditor->Print(false); });
  Connect("mnuPrinterSetup", [this] { txtEditor->Print(true); });
  Connect("mnuExit", [this] {
    // Ends the program at once: no question, nothing written, the cable left as it is.
    if (exit_hook) exit_hook();
    else QCoreApplication::exit(0);
  });
  Connect("mnuUndo", [this] { txtEditor->Undo(); });
  Connect("mnuRedo", [this] { txtEditor->Redo(); });
  Connect("mnuCut", [this] { txtEditor->Cut(); });
  Connect("mnuCopy", [this] { txtEditor->Copy(); });
  Connect("mnuPaste", [this] { txtEditor->Paste(); });
  Connect("mnuSelectAll", [this] { txtEditor->ExecuteCommand(kCmdSelectAll, 0); });
  Connect("mnuFind", [this] { txtEditor->ExecuteCommand(kCmdFind, 0); });
  Connect("mnuFindNext", [this] { txtEditor->ExecuteCommand(kCmdFindNext, 0); });
  Connect("mnuFindPrevious", [this] { txtEditor->ExecuteCommand(kCmdFindPrevious, 0); });
  Connect("mnuReplace", [this] { txtEditor->ExecuteCommand(kCmdReplace, 0); });
  Connect("mnuGotoLine", [this] { txtEditor->ExecuteCommand(kCmdGotoLine, -1); });
  Connect("mnuToggleBookmark", [this] { txtEditor->ExecuteCommand(kCmdToggleBookmark, 0); });
  Connect("mnuNextBookmark", [this] { txtEditor->ExecuteCommand(kCmdNextBookmark, 0); });
  Connect("mnuPreviousBookmark", [this] { txtEditor->ExecuteCommand(kCmdPreviousBookmark, 0); });
  Connect("mnuBookmarkclearall", [this] { txtEditor->ExecuteCommand(kCmdClearBookmarks, 0); });
  Connect("mnuRun", [this] { breakpoints_->Run(); });
  Connect("mnuToggleBreakpoint", [this] { breakpoints_->ToggleAtCaret(); });
  Connect("mnuRunToCursor", [this] { breakpoints_->RunToCursor(); });
  Connect("mnuSyntaxCheck", [this] { studio_->SyntaxCheck(); });
  Connect("mnuEditorEnvironment", [this] { studio_->EditorEnvironment(); });
}

void MainWindow::Connect(std::string_view name, std::function<void()> handler) {
  QAction* a = action(name);
  connect(a, &QAction::triggered, this, [this, handler = std::move(handler)] {
    if (!transfer_active_) handler();
  });
}

void MainWindow::BuildToolbar() {
  tbrMain = addToolBar(QStringLiteral("Toolbar"));
  tbrMain->setObjectName(QStringLiteral("tbrMain"));
  tbrMain->setMovable(false);
  tbrMain->setIconSize(QSize(16, 16));
  for (const ToolButton& b : kToolbar) {
    if (b.command[0] == '\0') {
      tbrMain->addSeparator();
      continue;
    }
    QAction* a = action(b.command);
    a->setIcon(ToolIcon(b.command));
    a->setToolTip(QString::fromLatin1(b.tooltip));
    tbrMain->addAction(a);
  }
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("sbrMain"));
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < 4; ++i) {
    panels_[i] = new QLabel(bar);
    panels_[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panels_[i]->setTextFormat(Qt::PlainText);
  }
  panels_[0]->setMinimumWidth(90);
  panels_[2]->setMinimumWidth(190);
  panels_[3]->setMinimumWidth(70);
  gagDownload = new QProgressBar(bar);
  gagDownload->setObjectName(QStringLiteral("gagDownload"));
  gagDownload->setRange(0, 100);
  gagDownload->setValue(0);
  gagDownload->setTextVisible(false);
  gagDownload->setFixedWidth(140);
  // Permanent widgets, so that menu hints do not hide the panels.
  bar->addPermanentWidget(panels_[0]);
  bar->addPermanentWidget(panels_[1], 1);
  bar->addPermanentWidget(gagDownload);
  bar->addPermanentWidget(panels_[2]);
  bar->addPermanentWidget(panels_[3]);
}

QAction* MainWindow::action(std::string_view name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::menu(std::string_view name) const {
  auto it = menus_.find(name);
  return it == menus_.end() ? nullptr : it->second;
}

QString MainWindow::PanelText(int panel) const {
  return panel >= 1 && panel <= 4 ? panels_[panel - 1]->text() : QString();
}

void MainWindow::SetCommandHandler(std::string_view menu_name, std::function<void()> handler) {
  QAction* a = action(menu_name);
  if (a == nullptr) return;
  handlers_[std::string(menu_name)] = std::move(handler);
  if (!IsVariableItem(menu_name)) a->setEnabled(true);
}

// ---- StudioView -------------------------------------------------------------------------------

int MainWindow::Message(const std::string& text, const std::string& title, int style) {
  if (message_hook) return message_hook(text, title, style);
  return ShowMessageBox(this, text, title, style);
}

std::string MainWindow::AskOpenPath() {
  if (open_dialog_hook) return open_dialog_hook();
  return QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(), QString::fromUtf8(kFileFilter), nullptr,
                                      kDialogOptions)
      .toStdString();
}

std::string MainWindow::AskSavePath() {
  if (save_dialog_hook) return save_dialog_hook();
  // The overwrite question is the program's own, after the ".BAS" rule has made the name.
  return QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), QString(), QString::fromUtf8(kFileFilter),
                                      nullptr, kDialogOptions | QFileDialog::DontConfirmOverwrite)
      .toStdString();
}

void MainWindow::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void MainWindow::SetPanel(int panel, const std::string& text) {
  if (panel < 1 || panel > 4) return;
  QLabel* label = panels_[panel - 1];
  const QString t = QString::fromStdString(text);
  if (label->text() == t) return;
  label->setText(t);
  // Compiles and transfers hold the event loop and tell what they do in panel 2: that text must be
  // on the screen now. The other panels follow the editor's signals, some of which come in the
  // middle of an edit; a repaint there would paint the editor half changed, so they wait.
  if (panel == 2 && label->isVisible()) label->repaint();
  Pump();
}

void MainWindow::SetProgressMax(long max) {
  gagDownload->setMaximum(static_cast<int>(std::max(1L, max)));
  Pump();
}

void MainWindow::SetProgress(long value) {
  gagDownload->setValue(static_cast<int>(std::clamp(value, 0L, static_cast<long>(gagDownload->maximum()))));
  Pump();
}

void MainWindow::Pump() {
  if (!transfer_active_) return;
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (now - last_pump_ms_ < 30) return;
  last_pump_ms_ = now;
  if (gagDownload->isVisible()) gagDownload->repaint();
  // Paint and expose events only: the user's clicks and keys wait until the transfer ends.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::SetRecentItem(int k, const std::string& caption, bool visible) {
  QAction* a = action("mnuLastOpen" + std::to_string(k));
  if (a == nullptr) return;
  a->setText(MenuText(caption));
  a->setData(QString::fromStdString(caption));
  a->setVisible(visible);
}

void MainWindow::CheckDeviceItem(const std::string& code) {
  for (const core::DeviceInfo& item : core::kDevices)
    if (item.has_menu_item()) action(item.menu_object)->setChecked(code == item.code);
}

void MainWindow::SetVariableItemsEnabled(bool enabled) {
  action("mnuCheckVariable")->setEnabled(enabled);
  action("mnuModifyVariable")->setEnabled(enabled);
}

void MainWindow::SetBreakTimer(bool enabled) {
  if (enabled) tmrBreak->start();
  else tmrBreak->stop();
}

bool MainWindow::BreakTimerEnabled() const { return tmrBreak->isActive(); }

void MainWindow::ApplyMenuLanguage(bool korean) {
  for (const MenuEntry& e : kMenuTable) {
    const QString caption = QString::fromUtf8(korean ? e.korean : e.english);
    if (e.kind == MenuKind::kTop) menus_[e.name]->setTitle(caption);
    if (e.kind == MenuKind::kItem) actions_[e.name]->setText(caption);
  }
}

QRect FirstRunGeometry(const QRect& available) {
  const QSize size(available.width() * 2 / 3, available.height() * 2 / 3);
  QRect r(QPoint(0, 0), size);
  r.moveCenter(available.center());
  return r;
}

void MainWindow::ApplyPlacement(const Placement& p) {
  if (p.first_run && screen() != nullptr) {
    setGeometry(FirstRunGeometry(screen()->availableGeometry()));
    placed_state_ = p.state;
    return;
  }
  // A damaged value must not make the window vanish.
  const int width = std::max(ToPixels(p.width), 200);
  const int height = std::max(ToPixels(p.height), 150);
  setGeometry(ToPixels(p.left), ToPixels(p.top), width, height);
  placed_state_ = p.state;
}

Placement MainWindow::CurrentPlacement() const {
  Placement p;
  p.state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
  QRect r = geometry();
  if (p.state != 0 && normalGeometry().isValid()) r = normalGeometry();
  p.left = r.x() * kTwipsPerPixel;
  p.top = r.y() * kTwipsPerPixel;
  p.width = r.width() * kTwipsPerPixel;
  p.height = r.height() * kTwipsPerPixel;
  return p;
}

void MainWindow::BeginTransfer() {
  transfer_active_ = true;
  last_pump_ms_ = 0;
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MainWindow::EndTransfer() {
  transfer_active_ = false;
  QApplication::restoreOverrideCursor();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || !isActiveWindow() || !on_activate) return;
  // After the activation has been handled: what runs may open a modal dialog.
  QTimer::singleShot(0, this, [this] {
    if (on_activate && !transfer_active_) on_activate();
  });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (unloaded_) {
    event->accept();
    return;
  }
  if (transfer_active_ || !studio_->CloseRequest()) {
    event->ignore();
    return;
  }
  if (before_unload) before_unload();
  studio_->Unload();
  unloaded_ = true;
  event->accept();
}

}  // namespace vn::shell
