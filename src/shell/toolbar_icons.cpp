#include "shell/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vn::shell {

namespace {

constexpr int kSize = 16;

void Page(QPainter& p, QRectF r) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 4, r.top());
  path.lineTo(r.right(), r.top() + 4);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setBrush(Qt::white);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - 4, r.top()), QPointF(r.right() - 4, r.top() + 4));
  p.drawLine(QPointF(r.right() - 4, r.top() + 4), QPointF(r.right(), r.top() + 4));
}

void Magnifier(QPainter& p, QPointF c, double radius) {
  p.setBrush(QColor(200, 230, 255));
  p.drawEllipse(c, radius, radius);
  p.setPen(QPen(QColor(90, 60, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(radius * 0.7, radius * 0.7), c + QPointF(radius * 1.9, radius * 1.9));
  p.setPen(QPen(Qt::black, 1));
}

void Arrow(QPainter& p, bool down, QColor color) {
  QPolygonF tri;
  if (down) tri << QPointF(9, 10) << QPointF(15, 10) << QPointF(12, 15);
  else tri << QPointF(9, 15) << QPointF(15, 15) << QPointF(12, 10);
  p.setBrush(color);
  p.drawPolygon(tri);
}

void CurvedArrow(QPainter& p, bool left) {
  p.setPen(QPen(QColor(30, 90, 170), 2));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  if (left) {
    path.moveTo(4, 7);
    path.cubicTo(8, 2, 15, 4, 13, 12);
  } else {
    path.moveTo(12, 7);
    path.cubicTo(8, 2, 1, 4, 3, 12);
  }
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 90, 170));
  QPolygonF head;
  if (left) head << QPointF(1, 7) << QPointF(7, 3) << QPointF(7, 10);
  else head << QPointF(15, 7) << QPointF(9, 3) << QPointF(9, 10);
  p.drawPolygon(head);
}

}  // namespace

QIcon ToolIcon(std::string_view command) {
  QPixmap pm(kSize, kSize);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  if (command == "mnuNew") {
    Page(p, QRectF(3.5, 1.5, 9, 13));
  } else if (command == "mnuOpen") {
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
  } else if (command == "mnuSave") {
    p.setBrush(QColor(50, 90, 170));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
  } else if (command == "mnuPrint") {
    Page(p, QRectF(4.5, 0.5, 7, 7));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(1.5, 6.5, 13, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 5));
  } else if (command == "mnuUndo") {
    CurvedArrow(p, true);
  } else if (command == "mnuRedo") {
    CurvedArrow(p, false);
  } else if (command == "mnuCut") {
    p.drawLine(QPointF(5, 1), QPointF(10, 10));
    p.drawLine(QPointF(11, 1), QPointF(6, 10));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(180, 30, 30), 1.5));
    p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
    p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
  } else if (command == "mnuCopy") {
    Page(p, QRectF(1.5, 1.5, 8, 10));
    Page(p, QRectF(6.5, 4.5, 8, 10));
  } else if (command == "mnuPaste") {
    p.setBrush(QColor(180, 130, 70));
    p.drawRect(QRectF(1.5, 2.5, 10, 12));
    p.setBrush(QColor(220, 220, 220));
    p.drawRect(QRectF(4.5, 1.5, 4, 2));
    Page(p, QRectF(7.5, 6.5, 7, 9));
  } else if (command == "mnuFind") {
    Magnifier(p, QPointF(6.5, 6.5), 4.5);
  } else if (command == "mnuFindNext" || command == "mnuFindPrevious") {
    Magnifier(p, QPointF(5.5, 5.5), 4);
    Arrow(p, command == "mnuFindNext", QColor(30, 140, 30));
  } else if (command == "mnuEditorEnvironment") {
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    const QColor colors[] = {QColor(0, 0, 255), QColor(0, 128, 128), QColor(128, 0, 128)};
    for (int i = 0; i < 3; ++i) {
      p.setPen(QPen(colors[i], 2));
      p.drawLine(QPointF(4, 4.5 + i * 3.5), QPointF(i == 1 ? 9 : 12, 4.5 + i * 3.5));
    }
  } else if (command == "mnuRun") {
    p.setBrush(QColor(30, 160, 40));
    QPolygonF tri;
    tri << QPointF(3.5, 1.5) << QPointF(14, 8) << QPointF(3.5, 14.5);
    p.drawPolygon(tri);
  } else if (command == "mnuBreak") {
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(3.5, 2.5, 3.5, 11));
    p.drawRect(QRectF(9.5, 2.5, 3.5, 11));
  } else if (command == "mnuSerialMonitor") {
    // A terminal screen with a prompt.
    p.setBrush(QColor(30, 30, 30));
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(QPen(QColor(80, 220, 80), 1.5));
    p.drawLine(QPointF(4, 6), QPointF(6.5, 8));
    p.drawLine(QPointF(6.5, 8), QPointF(4, 10));
    p.drawLine(QPointF(8, 10.5), QPointF(12, 10.5));
  } else if (command == "mnuSerialPlotter") {
    // A graph with two lines.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(30, 90, 200), 1.5));
    p.drawPolyline(QPolygonF({QPointF(3, 11), QPointF(6, 6), QPointF(9, 9), QPointF(13, 3)}));
    p.setPen(QPen(QColor(220, 80, 30), 1.5));
    p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(10, 11), QPointF(13, 8)}));
  } else {
    return {};
  }
  p.end();
  return QIcon(pm);
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 32, 64}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 72, 120));
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
    p.setBrush(QColor(250, 190, 40));
    QPolygonF v;
    v << QPointF(14, 16) << QPointF(24, 16) << QPointF(32, 40) << QPointF(40, 16) << QPointF(50, 16) << QPointF(36, 52)
      << QPointF(28, 52);
    p.drawPolygon(v);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace vn::shell
