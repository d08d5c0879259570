#include "shell/serial_plotter.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/file_io.h"
#include "core/settings_store.h"
#include "serial/port_session.h"
#include "shell/captions.h"
#include "shell/serial_monitor.h"

namespace vn::shell {

namespace {

constexpr int kRedrawMs = 100;

std::string NumberText(double v) { return QString::number(v, 'g', 12).toStdString(); }

}  // namespace

// ---- PlotData -------------------------------------------------------------------------------------

bool PlotData::Feed(std::string_view bytes) {
  bool added = false;
  for (const std::string& line : splitter_.Feed(bytes)) {
    if (paused_) continue;
    const std::vector<serial::PlotValue> values = serial::ParsePlotLine(line);
    if (values.empty()) continue;
    ++x_;
    for (const serial::PlotValue& v : values) {
      if (!std::isfinite(v.value)) continue;
      auto it = std::find_if(series_.begin(), series_.end(), [&](const Series& s) { return s.name == v.name; });
      if (it == series_.end()) {
        if (series_.size() >= kMaxSeries) {
          if (std::find(dropped_.begin(), dropped_.end(), v.name) == dropped_.end()) dropped_.push_back(v.name);
          continue;
        }
        series_.push_back({v.name, {}});
        it = series_.end() - 1;
      }
      // A name twice in one line: the later value stands.
      if (!it->points.empty() && it->points.back().x() == static_cast<double>(x_)) it->points.back().setY(v.value);
      else it->points.emplace_back(static_cast<double>(x_), v.value);
      added = true;
    }
  }
  Trim();
  return added;
}

void PlotData::SetPoints(int points) {
  points_ = std::clamp(points, kMinPlotPoints, kMaxPlotPoints);
  Trim();
}

void PlotData::Trim() {
  const double first = static_cast<double>(x_ - points_ + 1);
  for (Series& s : series_)
    while (!s.points.empty() && s.points.front().x() < first) s.points.pop_front();
}

void PlotData::Clear() {
  series_.clear();
  dropped_.clear();
  x_ = 0;
}

std::string PlotData::Csv() const {
  std::string csv = "sample";
  for (const Series& s : series_) csv += "," + s.name;
  csv += "\n";
  std::vector<size_t> at(series_.size(), 0);
  for (long x = std::max(1L, x_ - points_ + 1); x <= x_ && x_ > 0; ++x) {
    std::string row = std::to_string(x);
    bool any = false;
    for (size_t i = 0; i < series_.size(); ++i) {
      row += ",";
      const std::deque<QPointF>& p = series_[i].points;
      while (at[i] < p.size() && p[at[i]].x() < static_cast<double>(x)) ++at[i];
      if (at[i] < p.size() && p[at[i]].x() == static_cast<double>(x)) {
        row += NumberText(p[at[i]].y());
        any = true;
      }
    }
    if (any) csv += row + "\n";
  }
  return csv;
}

// ---- The window ------------------------------------------------------------------------------------

SerialPlotter::SerialPlotter(serial::PortSession& session, core::IniFile& ini, QWidget* parent)
    : QWidget(parent, Qt::Window),
      session_(session),
      ini_(ini),
      data_(ReadSerialMonitorSettings(ini).plot_points),
      chart_(new QChart),
      view_(new QChartView(chart_)),
      x_axis_(new QValueAxis),
      y_axis_(new QValueAxis),
      lblPoints(new QLabel),
      spnPoints(new QSpinBox),
      chkPause(new QCheckBox),
      cmdClear(new QPushButton),
      cmdPng(new QPushButton),
      cmdCsv(new QPushButton),
      cmdMonitor(new QPushButton),
      lblState(new QLabel),
      tmrRedraw(new QTimer(this)) {
  setObjectName(QStringLiteral("frmSerialPlotter"));
  view_->setObjectName(QStringLiteral("chtPlot"));
  view_->setRenderHint(QPainter::Antialiasing);
  chart_->legend()->setVisible(true);
  chart_->legend()->setAlignment(Qt::AlignTop);
  chart_->addAxis(x_axis_, Qt::AlignBottom);
  chart_->addAxis(y_axis_, Qt::AlignLeft);
  x_axis_->setLabelFormat(QStringLiteral("%d"));
  x_axis_->setRange(0, data_.points());
  y_axis_->setRange(0, 1);
  y_axis_->setLabelFormat(QStringLiteral("%g"));
  lblPoints->setObjectName(QStringLiteral("lblPoints"));
  spnPoints->setObjectName(QStringLiteral("spnPoints"));
  spnPoints->setRange(kMinPlotPoints, kMaxPlotPoints);
  spnPoints->setValue(data_.points());
  chkPause->setObjectName(QStringLiteral("chkPause"));
  cmdClear->setObjectName(QStringLiteral("cmdPlotClear"));
  cmdPng->setObjectName(QStringLiteral("cmdExportPng"));
  cmdCsv->setObjectName(QStringLiteral("cmdExportCsv"));
  cmdMonitor->setObjectName(QStringLiteral("cmdOpenMonitor"));
  lblState->setObjectName(QStringLiteral("lblPlotState"));
  lblState->setTextFormat(Qt::PlainText);

  auto* row = new QHBoxLayout;
  row->addWidget(lblPoints);
  row->addWidget(spnPoints);
  row->addWidget(chkPause);
  row->addWidget(cmdClear);
  row->addStretch(1);
  row->addWidget(cmdPng);
  row->addWidget(cmdCsv);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lblState, 1);
  bottom->addWidget(cmdMonitor);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(view_, 1);
  layout->addLayout(bottom);
  resize(720, 440);

  connect(spnPoints, &QSpinBox::valueChanged, this, [this](int n) {
    data_.SetPoints(n);
    SerialMonitorSettings s = ReadSerialMonitorSettings(ini_);
    s.plot_points = data_.points();
    WriteSerialMonitorSettings(ini_, s);
    dirty_ = true;
  });
  connect(chkPause, &QCheckBox::toggled, this, [this](bool on) { data_.set_paused(on); });
  connect(cmdClear, &QPushButton::clicked, this, [this] {
    data_.Clear();
    dirty_ = true;
    Redraw();
  });
  auto ask = [this](bool png) -> std::string {
    if (export_dialog_hook) return export_dialog_hook(png);
    return QFileDialog::getSaveFileName(this, SerialText(png ? "dlgExportPng" : "dlgExportCsv", korean_),
                                        png ? QStringLiteral("plot.png") : QStringLiteral("plot.csv"),
                                        SerialText(png ? "dlgPngFilter" : "dlgCsvFilter", korean_), nullptr,
                                        QFileDialog::DontUseNativeDialog)
        .toStdString();
  };
  connect(cmdPng, &QPushButton::clicked, this, [this, ask] {
    if (const std::string path = ask(true); !path.empty()) ExportPng(path);
  });
  connect(cmdCsv, &QPushButton::clicked, this, [this, ask] {
    if (const std::string path = ask(false); !path.empty()) ExportCsv(path);
  });
  connect(cmdMonitor, &QPushButton::clicked, this, [this] {
    if (open_monitor) open_monitor();
  });
  connect(&session_, &serial::PortSession::Received, this, &SerialPlotter::Receive);
  connect(&session_, &serial::PortSession::Lost, this, [this](const QString& message) {
    ShowConnection();
    SetState(message, true);
  });
  tmrRedraw->setInterval(kRedrawMs);
  connect(tmrRedraw, &QTimer::timeout, this, [this] {
    if (dirty_) Redraw();
    ShowConnection();
  });
  tmrRedraw->start();
  ShowConnection();
  SetLanguage(false);
}

SerialPlotter::~SerialPlotter() = default;

void SerialPlotter::SetLanguage(bool korean) {
  korean_ = korean;
  setWindowTitle(SerialText("frmSerialPlotter", korean));
  lblPoints->setText(SerialText("lblPoints", korean));
  spnPoints->setToolTip(SerialText("tipPoints", korean));
  chkPause->setText(SerialText("chkPause", korean));
  cmdClear->setText(SerialText("cmdClear", korean));
  cmdPng->setText(SerialText("cmdExportPng", korean));
  cmdCsv->setText(SerialText("cmdExportCsv", korean));
  cmdMonitor->setText(SerialText("cmdOpenMonitor", korean));
  x_axis_->setTitleText(SerialText("axsSample", korean));
  // The same connection in the other language is no change of the connection.
  const auto [name, args] = Connection();
  connection_ = SerialText(name, korean, args);
  if (said_ != nullptr) Say(said_, said_args_, said_problem_);
}

std::pair<const char*, QStringList> SerialPlotter::Connection() const {
  if (session_.IsOpen()) return {"stPlotting", {session_.port(), QString::number(session_.baud())}};
  return {"stPlotNotConnected", {}};
}

void SerialPlotter::ShowConnection() {
  const auto [name, args] = Connection();
  const QString text = SerialText(name, korean_, args);
  // Only a change of the connection replaces what the line says (an export's result, a loss).
  if (text == connection_) return;
  connection_ = text;
  Say(name, args, false);
}

void SerialPlotter::Say(const char* name, const QStringList& args, bool problem) {
  SetState(SerialText(name, korean_, args), problem);
  said_ = name;
  said_args_ = args;
  said_problem_ = problem;
}

void SerialPlotter::SetState(const QString& text, bool problem) {
  said_ = nullptr;
  if (lblState->text() != text) lblState->setText(text);
  lblState->setStyleSheet(problem ? QStringLiteral("QLabel { color: #b00020; }") : QString());
}

void SerialPlotter::Receive(const QByteArray& bytes) {
  if (data_.Feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) dirty_ = true;
}

QLineSeries* SerialPlotter::SeriesNamed(const std::string& name) const {
  auto it = lines_.find(name);
  return it == lines_.end() ? nullptr : it->second;
}

void SerialPlotter::Redraw() {
  dirty_ = false;
  // Series of names cleared away leave the chart.
  for (auto it = lines_.begin(); it != lines_.end();) {
    const bool kept = std::any_of(data_.series().begin(), data_.series().end(),
                                  [&](const PlotData::Series& s) { return s.name == it->first; });
    if (kept) {
      ++it;
      continue;
    }
    chart_->removeSeries(it->second);
    delete it->second;
    it = lines_.erase(it);
  }
  double low = std::numeric_limits<double>::infinity(), high = -low;
  for (const PlotData::Series& s : data_.series()) {
    QLineSeries*& line = lines_[s.name];
    if (line == nullptr) {
      line = new QLineSeries;
      line->setName(QString::fromStdString(s.name));
      chart_->addSeries(line);
      line->attachAxis(x_axis_);
      line->attachAxis(y_axis_);
    }
    line->replace(QList<QPointF>(s.points.begin(), s.points.end()));
    for (const QPointF& p : s.points) {
      low = std::min(low, p.y());
      high = std::max(high, p.y());
    }
  }
  const double last = static_cast<double>(data_.last_x());
  x_axis_->setRange(std::max(0.0, last - data_.points()), std::max(last, static_cast<double>(data_.points())));
  if (low <= high) {
    // Round ticks (0, 20, 40 ...) read better than the data's own ends: about five steps of
    // 1, 2 or 5 times a power of ten, the ends on a step.
    if (high - low < 1e-9) {
      low -= 1;
      high += 1;
    }
    const double raw = (high - low) / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    const double step = (norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10) * magnitude;
    const double bottom = std::floor(low / step) * step, top = std::ceil(high / step) * step;
    y_axis_->setRange(bottom, top);
    y_axis_->setTickCount(static_cast<int>(std::lround((top - bottom) / step)) + 1);
  }
  if (!data_.dropped_names().empty())
    Say("stTooManyNames", {QString::number(PlotData::kMaxSeries), QString::fromStdString(data_.dropped_names().front())},
        true);
}

bool SerialPlotter::ExportPng(const std::string& path) {
  Redraw();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  view_->grab().save(&buffer, "PNG");
  const core::FileError e = core::ReplaceFile(path, std::string_view(png.constData(), static_cast<size_t>(png.size())));
  if (!e.ok()) {
    Say("stExportError", {QString::fromStdString(path), QString::fromStdString(e.Reason())}, true);
    return false;
  }
  Say("stExported", {QString::fromStdString(path)}, false);
  return true;
}

bool SerialPlotter::ExportCsv(const std::string& path) {
  const core::FileError e = core::ReplaceFile(path, data_.Csv());
  if (!e.ok()) {
    Say("stExportError", {QString::fromStdString(path), QString::fromStdString(e.Reason())}, true);
    return false;
  }
  Say("stExported", {QString::fromStdString(path)}, false);
  return true;
}

}  // namespace vn::shell
