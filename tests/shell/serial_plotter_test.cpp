// The Serial Plotter: series from the lines printed, the window of points, pause, chart, exports.
#include <gtest/gtest.h>

#include <QChart>
#include <QCheckBox>
#include <QLabel>
#include <QLineSeries>
#include <QSpinBox>

#include "serial/port_session.h"
#include "shell/serial_monitor.h"
#include "shell/serial_plotter.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using testing::ScratchDir;

// "name: x,y x,y | name: ..." in the series' order.
std::string Points(const PlotData& data) {
  std::string out;
  for (const PlotData::Series& s : data.series()) {
    out += (out.empty() ? "" : " | ") + s.name + ":";
    for (const QPointF& p : s.points) out += " " + QString::number(p.x()).toStdString() + "," + QString::number(p.y()).toStdString();
  }
  return out;
}

TEST(PlotData, SeriesFromMixedLines) {
  const struct {
    std::vector<std::string> reads;
    const char* points;
  } cases[] = {
      {{"temp:21 light:40\r\nhello\r\n1,2\ntemp:22\n"}, "temp: 1,21 3,22 | light: 1,40 | 1: 2,1 | 2: 2,2"},  // text no step
      {{"a:1", ".5\r", "\na:-2\rb:", "3\n"}, "a: 1,1.5 2,-2 | b: 3,3"},  // split lines, CR, CR LF split
      {{"x:1\nx:2"}, "x: 1,1"},                                       // a line not yet ended: no point
      {{"v:1 v:7\n"}, "v: 1,7"},                                      // a name twice: the later value
  };
  for (const auto& c : cases) {
    PlotData data(200);
    for (const std::string& r : c.reads) data.Feed(r);
    EXPECT_EQ(Points(data), c.points) << c.reads[0];
  }
}

TEST(PlotData, KeepsTheLastPointsAndHoldsStillWhilePaused) {
  PlotData data(20);
  for (int i = 1; i <= 15; ++i) data.Feed("a:" + std::to_string(i * 10) + (i % 3 == 0 ? " b:" + std::to_string(i) : "") + "\n");
  data.SetPoints(10);
  EXPECT_EQ(Points(data), "a: 6,60 7,70 8,80 9,90 10,100 11,110 12,120 13,130 14,140 15,150 | b: 6,6 9,9 12,12 15,15");
  data.SetPoints(1);  // below the least window: the least
  EXPECT_EQ(data.points(), kMinPlotPoints);

  data.set_paused(true);
  EXPECT_FALSE(data.Feed("a:1\nc:5\n"));
  data.Feed("a:");
  data.set_paused(false);
  // A line is taken when it ends: one begun while paused and ended after it counts.
  EXPECT_TRUE(data.Feed("2\na:3\n"));
  EXPECT_EQ(data.last_x(), 17);
  EXPECT_EQ(Points(data), "a: 8,80 9,90 10,100 11,110 12,120 13,130 14,140 15,150 16,2 17,3 | b: 9,9 12,12 15,15");
}

TEST(PlotData, DropsNamesBeyondItsSeriesAndSaysWhich) {
  PlotData data(50);
  std::string line;
  for (size_t i = 0; i <= PlotData::kMaxSeries; ++i) line += "s" + std::to_string(i) + ":1 ";
  data.Feed(line + "\n");
  EXPECT_EQ(data.series().size(), PlotData::kMaxSeries);
  EXPECT_EQ(data.dropped_names(), std::vector<std::string>{"s" + std::to_string(PlotData::kMaxSeries)});
}

TEST(SerialPlotter, DrawsAndExportsTheSeries) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  serial::PortSession session;
  SerialPlotter plotter(session, ini);
  plotter.Receive("temp:21 light:40\ntemp:22.5\n,7\n");
  plotter.Redraw();
  ASSERT_EQ(plotter.chart()->series().size(), 3);
  ASSERT_NE(plotter.SeriesNamed("temp"), nullptr);
  EXPECT_EQ(plotter.SeriesNamed("temp")->points(), (QList<QPointF>{{1, 21}, {2, 22.5}}));
  const std::string csv = dir.Doc("plot.csv"), png = dir.Doc("plot.png");
  ASSERT_TRUE(plotter.ExportCsv(csv));
  EXPECT_EQ(testing::ReadAll(csv), "sample,temp,light,1\n1,21,40,\n2,22.5,,\n3,,,7\n");
  ASSERT_TRUE(plotter.ExportPng(png));
  EXPECT_EQ(testing::ReadAll(png).substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_FALSE(plotter.ExportCsv(dir.Doc("no-such-folder/plot.csv")));
  EXPECT_NE(plotter.state_line()->text().toStdString().find("no-such-folder/plot.csv"), std::string::npos);

  // The window of points is a setting of the monitor's section; Clear empties the chart.
  plotter.points_box()->setValue(40);
  EXPECT_EQ(ReadSerialMonitorSettings(ini).plot_points, 40);
  EXPECT_EQ(SerialPlotter(session, ini).data().points(), 40);
  plotter.pause_box()->setChecked(true);
  plotter.Receive("temp:99\n");
  EXPECT_EQ(plotter.data().last_x(), 3);
  plotter.data().Clear();
  plotter.Redraw();
  EXPECT_EQ(plotter.chart()->series().size(), 0);
}

}  // namespace
}  // namespace vn::shell
