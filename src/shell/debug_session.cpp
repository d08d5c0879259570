#include "shell/debug_session.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include "compiler/compiler.h"
#include "shell/breakpoints.h"
#include "shell/code_editor.h"
#include "shell/debug_window.h"
#include "shell/main_window.h"
#include "shell/modify_variable_dialog.h"
#include "shell/variable_window.h"
#include "shell/link_download.h"

namespace vn::shell {

namespace {

// The main window keeps at least this width when it makes room for the check-variable window.
constexpr int kNarrowestMainWindow = 200;

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
  HookEditor();
}

DebugSession::~DebugSession() {
  shutting_down_ = true;
  window_.on_break_timer = nullptr;
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

bool DebugSession::Korean() const { return window_.studio().UseKorean == -1; }

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
  ModifyVariableDialog& m = ModifyDialog();
  if (m.isVisible()) {
    m.raise();
    m.activateWindow();
    return;
  }
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
  ModifyVariableDialog& m = ModifyDialog();
  if (m.isVisible()) m.hide();  // the main menu's dialog becomes the modal one
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

void DebugSession::ShowMessage(const debugger::DebugMessage& m) {
  const Studio& studio = window_.studio();
  window_.Message(MessageText(m.text, studio.MsgTable, studio.UseKorean), m.title, m.style);
}

void DebugSession::SetBreakTimer(bool on) { window_.SetBreakTimer(on); }

void DebugSession::SetPolling(bool return_status, bool return_status_usb) {
  if (!debug_) return;
  const bool open = debug_->isVisible() && !debug_->closing();
  debug_->SetPolling(open && return_status, open && return_status_usb);
}

void DebugSession::CloseCheckVariable() {
  if (variable_) variable_->close();
}

void DebugSession::VariableWritten() {
  if (modify_) modify_->accept();
}

void DebugSession::FocusEditor() { window_.editor().setFocus(); }

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
  // A maximized main window becomes a normal one over the whole screen first.
  if (window_.isMaximized()) {
    window_.showNormal();
    window_.setGeometry(ScreenArea());
  }
  // The debug window takes the main window's place less the check-variable window's width;
  // the main window gives up that width.
  VariableWindow& var = EnsureVariableWindow();
  const QRect main = window_.geometry();
  narrowed_by_ = std::clamp(var.width(), 0, std::max(0, main.width() - kNarrowestMainWindow));
  const QRect place(main.x(), main.y(), main.width() - narrowed_by_, main.height());
  debug_->setGeometry(place);
  window_.resize(place.width(), main.height());
  debug_->Prepare(dbg_.VnmCommandsEnabled(), Korean());
  driver.LoadWindow();
  // The check-variable window to the right of the debug window, as high as it.
  var.setGeometry(place.x() + place.width(), place.y(), var.width(), place.height());
  const bool was_open = var.isVisible();
  var.show();
  if (!was_open) var.Loaded();
  else var.Redraw();
  debug_->show();
  debug_->raise();
  debug_->activateWindow();
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

ModifyVariableDialog& DebugSession::ModifyDialog() {
  if (!modify_) modify_ = new ModifyVariableDialog(*this, &window_);
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

void DebugSession::WidenMainWindow() {
  if (narrowed_by_ == 0) return;
  window_.resize(window_.width() + narrowed_by_, window_.height());
  narrowed_by_ = 0;
}

}  // namespace vn::shell
