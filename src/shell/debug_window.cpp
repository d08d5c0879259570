#include "shell/debug_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "shell/captions.h"
#include "shell/debug_session.h"

namespace vn::shell {

namespace {

// The width of the scroll bar along the text area's right edge (255 twips).
constexpr int kScrollBarWidth = 17;
// The part of the text area's height the row count leaves out (355 twips).
constexpr int kRowsMargin = 24;

}  // namespace

// The font of the source view and the variable listing: Courier New 9.75 pt, or the system's
// fixed-pitch font where there is no Courier New.
QFont ListingFont() {
  QFont f(QStringLiteral("Courier New"));
  f.setPointSizeF(9.75);
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  if (!QFontInfo(f).fixedPitch()) {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(9.75);
    return fixed;
  }
  return f;
}

std::string DebugCaptionOf(std::string_view name, bool korean) {
  for (const DebugCaption& c : kDebugCaptions)
    if (name == c.name) return korean && c.korean[0] != '\0' ? c.korean : c.english;
  return {};
}

// ---- SourceView --------------------------------------------------------------------------------

SourceView::SourceView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("picSource"));
  setFont(ListingFont());
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  p.setColor(QPalette::WindowText, Qt::black);
  setPalette(p);
}

void SourceView::SetRows(std::vector<std::string> rows) {
  rows_ = std::move(rows);
  update();
}

void SourceView::SetHighlightRow(int row) {
  highlight_ = row;
  update();
}

int SourceView::RowHeight() const { return std::max(1, fontMetrics().boundingRect(QStringLiteral("Ag")).height()); }

int SourceView::VisibleRows() const { return std::max(1, (height() - kRowsMargin) / RowHeight()); }

void SourceView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(Qt::black);
  const int h = RowHeight();
  for (size_t i = 0; i < rows_.size(); ++i) {
    const QRect r(2, static_cast<int>(i) * h, width() - 2, h);
    if (r.top() > height()) break;
    painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs | Qt::TextSingleLine,
                     QString::fromStdString(rows_[i]));
  }
  if (highlight_ >= 0) {
    const int right = bar_right > 0 ? bar_right : width();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(QRect(0, highlight_ * h, right, h), QColor(255, 255, 0));
  }
}

// ---- DebugWindow ----------------------------------------------------------------------------------

DebugWindow::DebugWindow(DebugSession& session, QWidget* parent)
    : QMainWindow(parent, Qt::Window),
      session_(session),
      picSource(new SourceView(this)),
      vsbSource(new QScrollBar(Qt::Vertical, picSource)),
      tmrReturnStatus(new QTimer(this)),
      tmrReturnStatusUsb(new QTimer(this)) {
  setObjectName(QStringLiteral("frmDebug"));
  setWindowTitle(QString::fromUtf8(kDebugWindowTitle));
  setCentralWidget(picSource);

  auto* toolbar = toolbar_ = new QToolBar(this);
  toolbar->setObjectName(QStringLiteral("Toolbar1"));
  toolbar->setMovable(false);
  toolbar->setFloatable(false);
  toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, toolbar);

  // The menus.
  auto add_menu = [this](const char* name) {
    QMenu* m = menuBar()->addMenu(QString::fromUtf8(DebugCaptionOf(name, false)));
    m->setObjectName(QString::fromLatin1(name));
    menus_[name] = m;
    return m;
  };
  auto add_item = [this](QMenu* m, const char* name, std::function<void()> handler) {
    QAction* a = m->addAction(QString::fromUtf8(DebugCaptionOf(name, false)));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    actions_[name] = a;
  };
  QMenu* debug = add_menu("mnuDebug");
  add_item(debug, "mnuBreak", [this] { session_.Break(); });
  debug->addSeparator();
  add_item(debug, "mnuSingleStepinto", [this] { session_.StepInto(); });
  add_item(debug, "mnuStepover", [this] { session_.StepOver(); });
  add_item(debug, "mnuStepOut", [this] { session_.StepOut(); });
  add_item(debug, "mnuReset", [this] { session_.Reset(); });
  debug->addSeparator();
  add_item(debug, "mnuEraseflashmemory", [this] { session_.EraseFlash(); });
  debug->addSeparator();
  add_item(debug, "mnuExit", [this] { session_.Exit(); });
  QMenu* variable = add_menu("mnuVariable");
  add_item(variable, "mnuModifyVariable", [this] { session_.ModifyFromDebugWindow(); });

  // The buttons do what the menu items of the same names do.
  AddButton("cmdBreak", [this] { session_.Break(); });
  AddButton("cmdStepInto", [this] { session_.StepInto(); });
  AddButton("cmdStepOver", [this] { session_.StepOver(); });
  AddButton("cmdStepOut", [this] { session_.StepOut(); });
  AddButton("cmdModifyVariable", [this] { session_.ModifyFromDebugWindow(); });
  AddButton("cmdEraseFlash", [this] { session_.EraseFlash(); });
  AddButton("cmdExit", [this] { session_.Exit(); });
  for (const char* name : {"cmdBreak", "cmdStepInto", "cmdStepOver", "cmdStepOut", "cmdModifyVariable",
                           "cmdEraseFlash", "cmdExit"})
    toolbar->addWidget(buttons_[name]);
  for (const DebugShortcut& k : kDebugShortcuts) {
    actions_[k.item]->setShortcut(QKeySequence(QString::fromLatin1(k.keys)));
    // The keys work wherever the focus is in the window, the source view included.
    actions_[k.item]->setShortcutContext(Qt::WindowShortcut);
  }

  // StatusBar1: the program counter and the object code at it.
  auto* status = new QStatusBar(this);
  status->setObjectName(QStringLiteral("StatusBar1"));
  status->setSizeGripEnabled(false);
  setStatusBar(status);
  state_ = new QLabel(status);
  state_->setObjectName(QStringLiteral("lblState"));
  state_->setMinimumWidth(130);
  status->addWidget(state_);
  for (int i = 0; i < 2; ++i) {
    panels_[i] = new QLabel(status);
    panels_[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
    panels_[i]->setMinimumWidth(160);
    status->addWidget(panels_[i], 1);
  }

  vsbSource->setObjectName(QStringLiteral("vsbSource"));
  vsbSource->setMinimum(1);
  vsbSource->setMaximum(1);
  picSource->on_resize = [this] { LayOut(); };
  connect(vsbSource, &QScrollBar::valueChanged, this, [this](int v) { session_.SourceScrolled(v); });

  tmrReturnStatus->setObjectName(QStringLiteral("tmrReturnStatus"));
  tmrReturnStatus->setInterval(50);
  connect(tmrReturnStatus, &QTimer::timeout, this, [this] { session_.ReturnStatusTick(); });
  tmrReturnStatusUsb->setObjectName(QStringLiteral("tmrReturnStatusUsb"));
  tmrReturnStatusUsb->setInterval(50);
  connect(tmrReturnStatusUsb, &QTimer::timeout, this, [this] { session_.ReturnStatusUsbTick(); });
}

DebugWindow::~DebugWindow() = default;

void DebugWindow::AddButton(const char* name, std::function<void()> handler) {
  auto* b = new QToolButton(this);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(QString::fromUtf8(DebugCaptionOf(name, false)));
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setAutoRaise(false);
  connect(b, &QToolButton::clicked, this, [handler = std::move(handler)] { handler(); });
  buttons_[name] = b;
}

void DebugWindow::Prepare(bool vnm_commands, bool korean) {
  closing_ = false;
  discarded_ = false;
  panels_[0]->clear();
  panels_[1]->clear();
  // The VN series has Step Into, Erase Flash and Exit only.
  for (const char* name : {"mnuStepover", "mnuStepOut", "mnuModifyVariable", "mnuReset"})
    actions_[name]->setEnabled(vnm_commands);
  for (const char* name : {"cmdStepOver", "cmdStepOut", "cmdModifyVariable"}) buttons_[name]->setEnabled(vnm_commands);
  for (auto& [name, b] : buttons_) b->setText(QString::fromUtf8(DebugCaptionOf(name, korean)));
  for (auto& [name, a] : actions_) a->setText(QString::fromUtf8(DebugCaptionOf(name, korean)));
  for (auto& [name, m] : menus_) m->setTitle(QString::fromUtf8(DebugCaptionOf(name, korean)));
  for (const DebugShortcut& k : kDebugShortcuts) {
    if (k.button[0] == '\0') continue;
    buttons_[k.button]->setToolTip(QStringLiteral("%1 (%2)").arg(buttons_[k.button]->text(),
                                                                 QKeySequence(QString::fromLatin1(k.keys)).toString(
                                                                     QKeySequence::NativeText)));
  }
  ShowState(false, 0, korean);
  state_->clear();
  // Every button stays on the toolbar (none behind its overflow arrow): the window is never
  // narrower than the row of buttons in this language.
  toolbar_->adjustSize();
  setMinimumWidth(toolbar_->sizeHint().width());
}

void DebugWindow::ShowState(bool running, int line, bool korean) {
  running_ = running;
  state_->setText(QString::fromStdString(DebugStateText(running, line, korean)));
  buttons_["cmdBreak"]->setEnabled(running);
  actions_["mnuBreak"]->setEnabled(running);
}

QString DebugWindow::StateText() const { return state_->text(); }

void DebugWindow::ReloadSource() {
  debugger::Debugger& dbg = session_.debugger();
  picSource->SetRows(dbg.SourceLines(dbg.SrcTopLine, picSource->VisibleRows() + 1).lines);
  SetScroll(0, dbg.SrcTopLine);
  MoveHighlight();
}

void DebugWindow::MoveHighlight() { picSource->SetHighlightRow(session_.debugger().HighlightRow()); }

void DebugWindow::ShowStatus(const std::string& pc, const std::string& object_code) {
  panels_[0]->setText(QString::fromStdString(pc));
  panels_[1]->setText(QString::fromStdString(object_code));
}

void DebugWindow::SetScroll(int maximum, int value) {
  const QSignalBlocker block(vsbSource);
  vsbSource->setMaximum(std::max({1, maximum, vsbSource->maximum()}));
  vsbSource->setValue(value);
}

void DebugWindow::SetPolling(bool return_status, bool return_status_usb) {
  if (return_status != tmrReturnStatus->isActive()) return_status ? tmrReturnStatus->start() : tmrReturnStatus->stop();
  if (return_status_usb != tmrReturnStatusUsb->isActive())
    return_status_usb ? tmrReturnStatusUsb->start() : tmrReturnStatusUsb->stop();
}

void DebugWindow::Discard() {
  discarded_ = true;
  SetPolling(false, false);
  close();
}

QToolButton* DebugWindow::button(std::string_view name) const {
  auto it = buttons_.find(name);
  return it == buttons_.end() ? nullptr : it->second;
}

QAction* DebugWindow::menu_action(std::string_view name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QString DebugWindow::PanelText(int panel) const {
  return panel >= 1 && panel <= 2 ? panels_[panel - 1]->text() : QString();
}

void DebugWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !closing_)
    session_.DebugWindowActivated();
}

void DebugWindow::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  closing_ = true;
  SetPolling(false, false);
  if (!discarded_) session_.DebugWindowClosing();
  event->accept();
}

void DebugWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayOut();
}

void SourceView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (on_resize) on_resize();
}

void DebugWindow::LayOut() {
  // The scroll bar overlays the right edge of the text area, at its full height.
  vsbSource->setGeometry(picSource->width() - kScrollBarWidth, 0, kScrollBarWidth, picSource->height());
  picSource->bar_right = picSource->width() - kScrollBarWidth;
  if (!closing_) session_.SourceResized(picSource->VisibleRows());
}

}  // namespace vn::shell
