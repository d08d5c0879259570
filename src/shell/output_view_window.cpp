#include "shell/output_view_window.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>

namespace vn::shell {

QFont OutputViewFont() {
  QFont font;
  font.setFamilies({QStringLiteral("굴림"), QStringLiteral("Gulim"), QStringLiteral("GulimChe"),
                    QStringLiteral("NanumGothicCoding"), QStringLiteral("Noto Sans Mono CJK KR"),
                    QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Monospace")});
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(9.75);
  return font;
}

void CentreOnScreen(QWidget& window) {
  QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect s = screen->geometry();
  const Origin o = CentredOrigin(s.width(), s.height(), window.width(), window.height());
  window.move(s.x() + o.left, s.y() + o.top);
}

OutputView::OutputView(OutputViewKind kind, RowSource rows, QWidget* parent)
    : QWidget(parent, Qt::Window), kind_(kind), rows_(std::move(rows)), scroll_(new QScrollBar(Qt::Vertical, this)) {
  const OutputViewInfo& info = ViewInfo(kind);
  setObjectName(QString::fromLatin1(info.window));
  setWindowTitle(QString::fromUtf8(info.caption));
  scroll_->setObjectName(QString::fromLatin1(info.scroll_bar));
  scroll_->setRange(0, kind == OutputViewKind::kLabel ? static_cast<int>(kLabelScrollMaximum) : 0);
  setFont(OutputViewFont());
  setAutoFillBackground(false);
  resize(520, 330);
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
    top_row_ = value;
    update();
  });
}

void OutputView::Open(long scroll_maximum) {
  top_row_ = 0;
  {
    const QSignalBlocker block(scroll_);
    scroll_->setMaximum(static_cast<int>(scroll_maximum));
    scroll_->setValue(0);
  }
  if (!isVisible()) {
    CentreOnScreen(*this);
    show();
  }
  raise();
  activateWindow();
  update();
}

int OutputView::line_height() const { return QFontMetrics(font()).lineSpacing(); }

std::vector<std::string> OutputView::Rows() const {
  return rows_ ? rows_(top_row_, RowsThatFit(SurfaceHeight(), line_height())) : std::vector<std::string>{};
}

void OutputView::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Base));
  p.setPen(palette().color(QPalette::Text));
  p.setFont(font());
  const QFontMetrics fm(font());
  int y = 0;
  for (const std::string& row : Rows()) {
    p.drawText(2, y + fm.ascent(), QString::fromStdString(row));
    y += fm.lineSpacing();
  }
}

void OutputView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = scroll_->sizeHint().width();
  scroll_->setGeometry(width() - w, 0, w, height());
  update();
}

}  // namespace vn::shell
