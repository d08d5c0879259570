#include "shell/debug_session.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include "compiler/compiler.h"
#include "shell/breakpoints.h"
#include "shell/code_editor.h"
#include "shell/debug_layout.h"
#include "shell/debug_window.h"
#include "shell/main_window.h"
#include "shell/modify_variable_dialog.h"
#include "shell/variable_window.h"
#include "shell/link_download.h"

namespace vn::shell {

namespace {


constexpr const char* kCommands[] = {"mnuBreak", "mnuCheckVariable", "mnuModifyVariable"};

QRect ScreenArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void CentreOnScreen(QWidget& w) {
  QRect r = w.geometry();
  r.moveCenter(ScreenArea().center());
  w.move(r.topLeft());
}

}  // namespace

DebugSession::DebugSession(MainWindow& window, link::Link& link)
    : window_(window), dbg_(window.studio().compiler(), link) {
  setObjectName(QStringLiteral("DebugSession"));
  window_.on_break_timer = [this] { OnBreakTimer(); };
  window_.SetCommandHandler("mnuBreak", [this] { Break(); });
  window_.SetCommandHandler("mnuCheckVariable", [this] { CheckVariable(); });
  window_.SetCommandHandler("mnuModifyVariable", [this] { ModifyVariable(); });
  // Closed in the middle of a session, the main window ends it as the debug window's Exit does (the
  // module goes on with its program instead of staying stopped) and is stored as it was before it
  // made room.
  window_.before_unload = [this] {
    EndSession();
    RestoreMainWindow();
  };
  // Run in the middle of a session downloads a new program: the stopped one's session ends as
  // Exit ends it, rather than staying open over a module that no longer matches it.
  window_.before_run = [this] { EndSession(); };
  HookEditor();
}

DebugSession::~DebugSession() {
  shutting_down_ = true;
  window_.on_break_timer = nullptr;
  window_.before_unload = nullptr;
  window_.before_run = nullptr;
  for (const char* name : kCommands) window_.SetCommandHandler(name, {});
  UnhookEditor();
  delete modify_.data();
  delete variable_.data();
  if (debug_) {
    debug_->Discard();
    delete debug_.data();
  }
}

DebugWindow* DebugSession::debug_window() const { return debug_.data(); }
VariableWindow* DebugSession::variable_window() const { return variable_.data(); }
ModifyVariableDialog* DebugSession::modify_dialog() const { return modify_.data(); }

bool DebugSession::Korean() const { return window_.studio().UseKorean; }

bool DebugSession::Busy() const { return shutting_down_ || window_.transfer_active(); }

// ---- The main window ------------------------------------------------------------------------------

void DebugSession::OnBreakTimer() {
  if (Busy()) return;
  driver_.BreakTimerTick();
}

void DebugSession::Break() {
  if (Busy()) return;
  driver_.Break();
}

void DebugSession::CheckVariable() {
  if (Busy()) return;
  driver_.CheckVariable();
}

void DebugSession::ModifyVariable() {
  if (Busy()) return;
  if (modify_ && modify_->isVisible()) {
    modify_->raise();
    modify_->activateWindow();
    return;
  }
  ModifyVariableDialog& m = ModifyDialog(&window_);
  m.setWindowModality(Qt::NonModal);
  m.Loaded();
  m.show();
  m.raise();
  m.activateWindow();
}

// ---- The debug window -------------------------------------------------------------------------------

void DebugSession::StepInto() {
  if (!Busy()) driver_.StepInto();
}
void DebugSession::StepOver() {
  if (!Busy()) driver_.StepOver();
}
void DebugSession::StepOut() {
  if (!Busy()) driver_.StepOut();
}
void DebugSession::Reset() {
  if (!Busy()) driver_.Reset();
}

void DebugSession::ModifyFromDebugWindow() {
  if (Busy()) return;
  driver_.ModifyVariableCommand();
  if (modify_ && modify_->isVisible()) modify_->hide();  // the main menu's dialog becomes the modal one
  // Owned by the debug window, so that the window manager gives the focus back to it, not to
  // the main window behind it.
  ModifyVariableDialog& m = ModifyDialog(debug_ ? static_cast<QWidget*>(debug_.data()) : &window_);
  m.setWindowModality(Qt::ApplicationModal);
  m.Loaded();
  if (modal_hook) {
    m.show();
    modal_hook(m);
    if (m.isVisible()) m.reject();
  } else {
    m.exec();
  }
  m.setWindowModality(Qt::NonModal);
}

void DebugSession::EraseFlash() {
  if (!Busy()) driver_.EraseFlash();
}

void DebugSession::Exit() {
  if (!Busy()) driver_.Exit();
}

void DebugSession::ReturnStatusTick() {
  if (!Busy()) driver_.ReturnStatusTick();
}

void DebugSession::ReturnStatusUsbTick() {
  if (!Busy()) driver_.ReturnStatusUsbTick();
}

void DebugSession::DebugWindowActivated() {
  if (!debug_ || closing_ || Busy() || !dbg_.DebugWindowOpen) return;
  debug_->SetScroll(window_.studio().compiler().LineCountPlus1, dbg_.SrcTopLine);
  driver_.ActivateWindow();
}

void DebugSession::DebugWindowClosing() {
  if (shutting_down_ || closing_) return;
  closing_ = true;
  driver_.Leave();
  closing_ = false;
}

void DebugSession::RunTransfer(const std::function<void(link::DownloadProgress&)>& transfer) {
  // The leave command and the erase download hold the main window as any transfer does.
  window_.studio().Transfer([&](DownloadContext& ctx) {
    TransferProgress progress(ctx);
    transfer(progress);
    return 0;
  });
  window_.SetPanel(2, "");
}

void DebugSession::SourceScrolled(int top_line) {
  if (!Busy()) driver_.ScrollSource(top_line);
}

void DebugSession::SourceResized(int rows) {
  dbg_.SetVisibleLines(rows);
  if (debug_ && debug_->isVisible() && !closing_) debug_->ReloadSource();
}

// ---- The variable windows -------------------------------------------------------------------------

void DebugSession::VariableScrolled(int top_line) {
  if (!Busy()) driver_.ScrollVariables(top_line);
}

void DebugSession::VariableResized() {
  if (!Busy()) driver_.ScrollVariables(dbg_.VarTopLine);
}

void DebugSession::ModifyOk(const std::string& name, const std::string& value) {
  if (!Busy()) driver_.ModifyVariable(name, value);
}

// ---- The driver's view --------------------------------------------------------------------------------

void DebugSession::ShowState() {
  if (!DebugWindowShown()) return;
  // Polling for a stop report means the module runs: after a Break, or after a step that let
  // the program run on (Step Out from the top level).
  debug_->ShowState(dbg_.ReturnStatusEnabled || dbg_.ReturnStatusUsbEnabled, dbg_.CurSrcLine, Korean());
}

void DebugSession::ShowMessage(const debugger::DebugMessage& m) {
  const Studio& studio = window_.studio();
  const core::RenderedMessage shown = ShownMessage(m, studio.StartupLanguage(), studio.UseKorean);
  window_.Message(shown.text, shown.title, shown.style);
}

void DebugSession::SetBreakTimer(bool on) { window_.SetBreakTimer(on); }

void DebugSession::SetPolling(bool return_status, bool return_status_usb) {
  if (!debug_) return;
  const bool open = debug_->isVisible() && !debug_->closing();
  debug_->SetPolling(open && return_status, open && return_status_usb);
  ShowState();
}

void DebugSession::CloseCheckVariable() {
  if (variable_) variable_->close();
}

void DebugSession::VariableWritten() {
  if (modify_) modify_->accept();
}

void DebugSession::FocusEditor() { window_.editor().setFocus(); }

void DebugSession::EndSession() {
  if (DebugWindowShown()) debug_->close();
}

bool DebugSession::DebugWindowShown() const { return debug_ && debug_->isVisible() && !debug_->closing(); }

void DebugSession::RedrawSource(bool reload_text) {
  if (!DebugWindowShown()) return;
  if (reload_text)
    debug_->ReloadSource();
  else
    debug_->MoveHighlight();
}

void DebugSession::ShowStop(const debugger::ShownStop& stop) {
  if (DebugWindowShown()) debug_->ShowStatus(stop.pc, stop.object_code);
  ShowState();
}

void DebugSession::ShowVariables(const std::vector<std::string>&) {
  // The window draws the rows its height has room for, from its own top line.
  if (variable_ && variable_->isVisible()) variable_->Redraw();
}

void DebugSession::OpenDebugWindow(debugger::DebugDriver& driver) {
  if (!debug_) debug_ = new DebugWindow(*this, &window_);
  if (debug_->isVisible() && !debug_->closing()) {
    debug_->raise();
    debug_->activateWindow();
    driver.ActivateWindow();
    return;
  }
  // The main window's placement is put back exactly at the end; a maximized one starts from
  // the whole free area of the screen.
  VariableWindow& var = EnsureVariableWindow();
  placement_.Save(window_);
  QRect main_frame = window_.frameGeometry();
  if (window_.isMaximized()) {
    window_.showNormal();
    main_frame = window_.screen() != nullptr ? window_.screen()->availableGeometry() : main_frame;
  }
  // The captions first: they decide the debug window's minimum width.
  debug_->Prepare(dbg_.VnmCommandsEnabled(), Korean());
  PlaceDebugWindowsOn(window_, *debug_, var, kVariableWindowWidth, main_frame);
  narrowed_by_ = std::max(0, placement_.normal_geometry().width() - window_.width());
  driver.LoadWindow();
  const bool was_open = var.isVisible();
  var.show();
  if (!was_open) var.Loaded();
  else var.Redraw();
  debug_->show();
  debug_->raise();
  debug_->activateWindow();
  // The frames are known only once the window manager has put them round the windows: measure
  // again and correct.
  if (WaitForFrames(window_, {debug_.data(), &var}, 1000)) {
    PlaceDebugWindowsOn(window_, *debug_, var, kVariableWindowWidth, main_frame);
    narrowed_by_ = std::max(0, placement_.normal_geometry().width() - window_.width());
    // Moving the main window may have brought it forward: the debug window is the one to use.
    debug_->raise();
    debug_->activateWindow();
  }
  debug_->SetScroll(window_.studio().compiler().LineCountPlus1, dbg_.SrcTopLine);
  dbg_.SetVisibleLines(debug_->source_view()->VisibleRows());
  driver.ActivateWindow();
}

void DebugSession::CloseDebugWindow() {
  if (debug_ && debug_->isVisible() && !debug_->closing()) debug_->close();
}

void DebugSession::ShowCheckVariable(bool beside_debug_window) {
  VariableWindow& var = EnsureVariableWindow();
  if (var.isVisible()) {
    var.raise();
    return;
  }
  if (!beside_debug_window) CentreOnScreen(var);
  var.show();
  var.Loaded();
}

VariableWindow& DebugSession::EnsureVariableWindow() {
  if (!variable_) variable_ = new VariableWindow(*this, &window_);
  return *variable_;
}

ModifyVariableDialog& DebugSession::ModifyDialog(QWidget* owner) {
  if (!modify_) modify_ = new ModifyVariableDialog(*this, owner);
  else if (modify_->parentWidget() != owner) modify_->setParent(owner, modify_->windowFlags());
  return *modify_;
}

void DebugSession::HookEditor() {
  window_.breakpoints().session_active = [this] { return dbg_.DebugWindowOpen || window_.BreakTimerEnabled(); };
  window_.editor().hover_text = [this](const QString& word) { return HoverText(word); };
}

void DebugSession::UnhookEditor() {
  window_.breakpoints().session_active = nullptr;
  window_.editor().hover_text = nullptr;
}

QString DebugSession::HoverText(const QString& word) const {
  if (!dbg_.DebugWindowOpen || !dbg_.VnmCommandsEnabled() || word.isEmpty()) return {};
  // A row is " NAME        :  value   hexH", an element's " NAME(i)     : ..."; names are
  // matched as the compiler matches them, without regard to case.
  const std::string name = word.toUpper().toStdString();
  QStringList found;
  for (const std::string& row : driver_.VariableRows()) {
    if (row.size() < name.size() + 2 || row[0] != ' ') continue;
    std::string label = row.substr(1, name.size());
    for (char& c : label)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const char after = row[name.size() + 1];
    if (label == name && (after == ' ' || after == '(' || after == ':'))
      found << QString::fromStdString(row).simplified();
  }
  return found.join(QLatin1Char('\n'));
}

void DebugSession::WidenMainWindow() { RestoreMainWindow(); }

void DebugSession::RestoreMainWindow() {
  if (!placement_.saved()) return;
  placement_.Restore(window_);
  placement_.Clear();
  narrowed_by_ = 0;
}

}  // namespace vn::shell
