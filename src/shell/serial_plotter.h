// The Serial Plotter: the numbers a program prints, line by line ("temp:21 light:40", "1,2,3"),
// drawn as live series, one per name, over the last N lines. It reads the same port session as
// the Serial Monitor, so one connection feeds both windows.
#pragma once

#include <QPointF>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "serial/serial_text.h"

class QChart;
class QChartView;
class QCheckBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QSpinBox;
class QTimer;
class QValueAxis;

namespace vn::core {
class IniFile;
}
namespace vn::serial {
class PortSession;
}

namespace vn::shell {

// The series without their widgets: each line that gives values is one step on the x axis;
// a series keeps the points of the last `points` steps.
class PlotData {
 public:
  // More names than this in one session are not drawn (they are counted in dropped_names).
  static constexpr size_t kMaxSeries = 12;

  struct Series {
    std::string name;
    std::deque<QPointF> points;
  };

  explicit PlotData(int points) : points_(points) {}
  // Takes received bytes; true when a line added points. While paused the lines are read but
  // dropped, so the series hold still.
  bool Feed(std::string_view bytes);
  void SetPoints(int points);
  int points() const { return points_; }
  void set_paused(bool paused) { paused_ = paused; }
  bool paused() const { return paused_; }
  void Clear();

  // In the order the names first came.
  const std::vector<Series>& series() const { return series_; }
  // The x of the last line with values (the first is 1); 0 before any.
  long last_x() const { return x_; }
  const std::vector<std::string>& dropped_names() const { return dropped_; }
  // "sample,NAME,...\n" and one row per step still in the window, a name without a value in
  // that line left empty.
  std::string Csv() const;

 private:
  void Trim();

  serial::LineSplitter splitter_;
  int points_;
  bool paused_ = false;
  long x_ = 0;
  std::vector<Series> series_;
  std::vector<std::string> dropped_;
};

class SerialPlotter : public QWidget {
  Q_OBJECT
 public:
  SerialPlotter(serial::PortSession& session, core::IniFile& ini, QWidget* parent = nullptr);
  ~SerialPlotter() override;

  // Shows the Serial Monitor, where the port is chosen and connected.
  std::function<void()> open_monitor;
  // Stand-in for tests: the export dialogs (a name, "" = cancelled); `png` tells which.
  std::function<std::string(bool png)> export_dialog_hook;

  // Feeds bytes as the port's would be (the session's signal does the same).
  void Receive(const QByteArray& bytes);
  // Takes the data onto the chart now (the redraw timer does it ten times a second).
  void Redraw();
  bool ExportPng(const std::string& path);
  bool ExportCsv(const std::string& path);
  // Shows the connection of the shared session.
  void ShowConnection();
  // Captions every text of the window, the state line's included, in Korean or in English.
  void SetLanguage(bool korean);
  bool korean() const { return korean_; }

  PlotData& data() { return data_; }
  QChart* chart() const { return chart_; }
  QChartView* chart_view() const { return view_; }
  QSpinBox* points_box() const { return spnPoints; }
  QCheckBox* pause_box() const { return chkPause; }
  QLabel* state_line() const { return lblState; }
  // The chart's series, by name; null when there is none.
  QLineSeries* SeriesNamed(const std::string& name) const;

 private:
  // A text of the table, said again in the other language when the language changes.
  void Say(const char* name, const QStringList& args, bool problem);
  // A text from below (the port's loss), said as it comes.
  void SetState(const QString& text, bool problem);
  // The row and values that say the session's connection.
  std::pair<const char*, QStringList> Connection() const;

  serial::PortSession& session_;
  core::IniFile& ini_;
  PlotData data_;
  bool dirty_ = false;
  bool korean_ = false;
  QString connection_;  // the connection the state line last said
  const char* said_ = nullptr;  // the row the state line shows, null for a text from below
  QStringList said_args_;
  bool said_problem_ = false;
  QChart* chart_;
  QChartView* view_;
  QValueAxis* x_axis_;
  QValueAxis* y_axis_;
  std::map<std::string, QLineSeries*> lines_;
  QLabel* lblPoints;
  QSpinBox* spnPoints;
  QCheckBox* chkPause;
  QPushButton* cmdClear;
  QPushButton* cmdPng;
  QPushButton* cmdCsv;
  QPushButton* cmdMonitor;
  QLabel* lblState;
  QTimer* tmrRedraw;
};

}  // namespace vn::shell
