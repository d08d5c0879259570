#include "shell/virtual_module_dock.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <string_view>
#include <utility>

#include "serial/virtual_serial_line.h"
#include "sim/board.h"
#include "sim/peripherals/display.h"
#include "sim/peripherals/ports.h"
#include "sim/peripherals/registry.h"
#include "sim/peripherals/serial.h"

namespace vn::shell {

namespace {

constexpr int kCellWidth = 26;
constexpr int kCellHeight = 30;

}  // namespace

PortGrid::PortGrid(VirtualModulePanel& panel, QWidget* parent) : QWidget(parent), panel_(panel) {
  setObjectName(QStringLiteral("picPorts"));
  setToolTip(QStringLiteral("Port levels: red = output, green = input. Click a port to toggle its input level."));
  setMouseTracking(false);
}

QSize PortGrid::sizeHint() const {
  const int rows = (sim::Ports::kPorts + kColumns - 1) / kColumns;
  return {kColumns * kCellWidth + 1, rows * kCellHeight + 1};
}

QRect PortGrid::CellRect(int port) const {
  return {(port % kColumns) * kCellWidth, (port / kColumns) * kCellHeight, kCellWidth, kCellHeight};
}

int PortGrid::PortAt(QPoint p) const {
  if (p.x() < 0 || p.y() < 0) return -1;
  const int col = p.x() / kCellWidth, row = p.y() / kCellHeight;
  if (col >= kColumns) return -1;
  const int port = row * kColumns + col;
  return port < sim::Ports::kPorts ? port : -1;
}

void PortGrid::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QFont small = font();
  small.setPointSizeF(7);
  p.setFont(small);
  for (const PortLamp& lamp : panel_.Ports()) {
    const QRect cell = CellRect(lamp.port).adjusted(1, 1, -1, -1);
    const QColor on = lamp.output ? QColor(230, 40, 30) : QColor(40, 190, 60);
    const QColor off = lamp.output ? QColor(90, 30, 30) : QColor(30, 70, 35);
    p.setPen(QPen(QColor(60, 60, 60)));
    p.setBrush(lamp.level != 0 ? on : off);
    p.drawEllipse(QRect(cell.center().x() - 6, cell.top() + 2, 12, 12));
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(cell.left(), cell.top() + 15, cell.width(), cell.height() - 15), Qt::AlignCenter,
               QString::number(lamp.port));
  }
}

void PortGrid::mousePressEvent(QMouseEvent* event) {
  const int port = PortAt(event->position().toPoint());
  if (port >= 0 && panel_.ToggleInput(port)) update();
}

VirtualModuleDock::VirtualModuleDock(std::function<sim::Board*()> io, std::function<std::string()> status,
                                     QWidget* parent)
    : QDockWidget(QStringLiteral("Virtual module"), parent),
      io_(io),
      panel_(std::move(io)),
      status_(std::move(status)),
      status_line_(new QLabel),
      display_(new QLabel),
      ports_(new PortGrid(panel_)),
      serial_(new QPlainTextEdit),
      input_(new QLineEdit),
      line_label_(new QLabel) {
  setObjectName(QStringLiteral("dckVirtualModule"));
  setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable | QDockWidget::DockWidgetClosable);
  auto* body = new QWidget;

  status_line_->setObjectName(QStringLiteral("lblModuleState"));
  display_->setObjectName(QStringLiteral("lblDisplay"));
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(11);
  display_->setFont(fixed);
  display_->setTextFormat(Qt::PlainText);
  display_->setStyleSheet(QStringLiteral("QLabel { background: #9fc35a; color: #1b2a0c; padding: 6px;"
                                         " border: 3px solid #3a4a22; }"));
  display_->setToolTip(QStringLiteral("The module's character display"));

  serial_->setObjectName(QStringLiteral("txtSerialOut"));
  serial_->setReadOnly(true);
  serial_->setFont(fixed);
  serial_->setMaximumBlockCount(2000);
  serial_->setPlaceholderText(QStringLiteral("Serial output"));
  input_->setObjectName(QStringLiteral("txtSerialIn"));
  input_->setPlaceholderText(QStringLiteral("Serial input (Enter sends the text and CR)"));
  auto* send = new QPushButton(QStringLiteral("Send"));
  send->setObjectName(QStringLiteral("cmdSerialSend"));
  auto send_text = [this] {
    if (panel_.SendSerial(input_->text().toStdString())) input_->clear();
  };
  connect(send, &QPushButton::clicked, this, send_text);
  connect(input_, &QLineEdit::returnPressed, this, send_text);

  line_label_->setObjectName(QStringLiteral("lblSerialLine"));
  line_label_->setTextFormat(Qt::PlainText);
  line_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  line_label_->setWordWrap(true);

  auto* input_row = new QHBoxLayout;
  input_row->addWidget(input_, 1);
  input_row->addWidget(send);
  auto* layout = new QVBoxLayout(body);
  layout->addWidget(status_line_);
  // One section per peripheral the dock can show, in the order of the board's registry: a
  // peripheral with a view of its own is one more row here.
  const std::pair<std::string_view, std::function<void()>> sections[] = {
      {sim::Display::kName, [&] { layout->addWidget(display_); }},
      {sim::Ports::kName,
       [&] {
         layout->addWidget(new QLabel(QStringLiteral("Ports")));
         layout->addWidget(ports_);
       }},
      {sim::Serial::kName,
       [&] {
         // The caption and, under it, the terminal a PC-side program opens.
         auto* caption = new QVBoxLayout;
         caption->setSpacing(0);
         caption->addWidget(new QLabel(QStringLiteral("Serial")));
         caption->addWidget(line_label_);
         layout->addLayout(caption);
         layout->addWidget(serial_, 1);
         layout->addLayout(input_row);
       }},
  };
  for (const sim::PeripheralRegistration& peripheral : sim::PeripheralRegistry())
    for (const auto& [name, add] : sections)
      if (name == peripheral.name) add();
  // On a short screen the body scrolls as a whole instead of cutting off ports or the serial line.
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("scrVirtualModule"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(body);
  setWidget(scroll);
  OpenSerialLine();
  Refresh();
}

VirtualModuleDock::~VirtualModuleDock() = default;

void VirtualModuleDock::OpenSerialLine() {
  if (line_) return;
  std::string error;
  line_ = serial::VirtualSerialLine::Open(&error);
  line_serial_ = nullptr;
  if (line_)
    line_label_->setText(QStringLiteral("PC side: %1 (Run > Serial Monitor: Virtual module)")
                             .arg(QString::fromStdString(line_->path())));
  else
    line_label_->setText(QStringLiteral("No PC side: %1").arg(QString::fromStdString(error)));
}

void VirtualModuleDock::CloseSerialLine() {
  line_.reset();
  line_label_->setText(QString());
}

std::string VirtualModuleDock::serial_line_path() const { return line_ ? line_->path() : std::string(); }

void VirtualModuleDock::PumpSerialLine() {
  sim::Board* board = io_ ? io_() : nullptr;
  if (!line_ || board == nullptr) return;
  sim::Serial& serial = board->serial();
  // A program on a new module: its output begins anew.
  if (&serial != line_serial_) {
    if (line_serial_ != nullptr) line_->Restart();
    line_serial_ = &serial;
  }
  line_->Pump(serial, board->now_us);
}

void VirtualModuleDock::Refresh() {
  status_line_->setText(QString::fromStdString(status_ ? status_() : std::string()));
  QStringList rows;
  for (const std::string& line : panel_.DisplayLines()) rows << QString::fromStdString(line);
  if (rows.isEmpty()) rows << QString(20, QLatin1Char(' ')) << QString(20, QLatin1Char(' '));
  const QString text = rows.join(QLatin1Char('\n'));
  if (display_->text() != text) display_->setText(text);
  bool restart = false;
  const std::string more = panel_.TakeSerialText(restart);
  if (restart) serial_->clear();
  if (!more.empty()) {
    serial_->moveCursor(QTextCursor::End);
    serial_->insertPlainText(QString::fromStdString(more));
    serial_->verticalScrollBar()->setValue(serial_->verticalScrollBar()->maximum());
  }
  ports_->update();
}

}  // namespace vn::shell
