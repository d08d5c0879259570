#include "shell/variable_window.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "shell/debug_session.h"
#include "shell/debug_window.h"

namespace vn::shell {

namespace {

constexpr int kScrollBarWidth = 17;  // 255 twips

}  // namespace

VariableView::VariableView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("picVariable"));
  setFont(ListingFont());
}

void VariableView::SetRows(std::vector<std::string> rows) {
  rows_ = std::move(rows);
  update();
}

int VariableView::RowHeight() const { return std::max(1, fontMetrics().boundingRect(QStringLiteral("Ag")).height()); }

int VariableView::Rows() const { return height() / RowHeight() + 1; }

void VariableView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(Qt::black);
  const int h = RowHeight();
  for (size_t i = 0; i < rows_.size(); ++i)
    painter.drawText(QRect(2, static_cast<int>(i) * h, width() - 2, h),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromStdString(rows_[i]));
}

VariableWindow::VariableWindow(DebugSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), view_(new VariableView(this)),
      vsbVariable(new QScrollBar(Qt::Vertical, this)) {
  setObjectName(QStringLiteral("frmVariable"));
  setWindowTitle(QString::fromUtf8(kCheckVariableTitle));
  vsbVariable->setObjectName(QStringLiteral("vsbVariable"));
  vsbVariable->setMinimum(1);
  vsbVariable->installEventFilter(this);
  connect(vsbVariable, &QScrollBar::valueChanged, this, [this](int v) { session_.VariableScrolled(v); });
  resize(kVariableWindowWidth, 400);
}

void VariableWindow::Loaded() {
  debugger::Debugger& dbg = session_.debugger();
  {
    const QSignalBlocker block(vsbVariable);
    vsbVariable->setMaximum(std::max(1, dbg.listing().line_count_plus1));
    vsbVariable->setValue(1);
  }
  session_.VariableScrolled(1);
}

void VariableWindow::Redraw() {
  debugger::Debugger& dbg = session_.debugger();
  {
    const QSignalBlocker block(vsbVariable);
    vsbVariable->setMaximum(std::max(1, dbg.listing().line_count_plus1));
    vsbVariable->setValue(dbg.VarTopLine);
  }
  view_->SetRows(dbg.VariableLines(dbg.VarTopLine, view_->Rows()).lines);
}

bool VariableWindow::eventFilter(QObject* watched, QEvent* event) {
  // Escape on the scroll bar closes the window.
  if (watched == vsbVariable && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    close();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void VariableWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  view_->setGeometry(0, 0, std::max(0, width() - kScrollBarWidth), height());
  vsbVariable->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
  if (isVisible()) session_.VariableResized();
}

}  // namespace vn::shell
