// A debugging session on a real X desktop (Xvfb with openbox, started by desktop_run.sh): the
// frames the window manager puts round the windows are measured. Elsewhere these tests skip.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <cstdlib>

#include "debug_fixtures.h"

namespace vn::shell {
namespace {

using namespace testing;

constexpr char kCounter[] =
    "' Counts rounds; stops at BREAK every round.\r\nCONST DEVICE = WF\r\nDIM COUNTER AS BYTE, TOTAL AS INTEGER\r\n"
    "AGAIN:\r\n    COUNTER = COUNTER + 1\r\n    TOTAL = TOTAL + COUNTER\r\n    BREAK\r\n    GOTO AGAIN\r\n";

#define SKIP_UNLESS_ON_DESKTOP()                                                              \
  if (QGuiApplication::platformName() != "xcb" || std::getenv("VN_DESKTOP_WM") == nullptr) GTEST_SKIP() << "needs X with a window manager: run by the shell_desktop test (Xvfb, openbox)"

// Lets the window manager do what it was asked (map, frame, move, focus) until `done` holds or
// `ms` have passed: it answers in its own time, later on a busy machine.
template <class Done>
void SettleUntil(Done done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
}
void Settle(int ms = 400) { SettleUntil([] { return false; }, ms); }

// True when the window manager stacks `above` over `below` (its client list, bottom to top).
bool StackedOver(const QWidget& above, const QWidget& below) {
  QProcess p;
  p.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
  p.waitForFinished(5000);
  const QString out = QString::fromLatin1(p.readAllStandardOutput());
  std::vector<WId> ids;
  for (const QString& part : out.mid(out.indexOf(QLatin1Char('#')) + 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
    ids.push_back(static_cast<WId>(part.trimmed().toULongLong(nullptr, 16)));
  auto a = std::find(ids.begin(), ids.end(), above.winId());
  auto b = std::find(ids.begin(), ids.end(), below.winId());
  return a != ids.end() && b != ids.end() && a > b;
}

void Shot(const char* name) {  // into VN_DESKTOP_SCREENSHOTS when given
  const QString dir = qEnvironmentVariable("VN_DESKTOP_SCREENSHOTS");
  if (dir.isEmpty()) return;
  Settle(300);
  EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QLatin1Char('/') + QString::fromLatin1(name))) << name;
}

std::string Text(const QRect& r) {
  return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

bool RunToBreak(DebugRig& rig) {
  rig.Trigger("mnuRun");
  Settle(100);
  const bool stopped = rig.script.shown.empty() && rig.WatchForStop() && rig.Poll();
  Settle();
  return stopped;
}

TEST(Desktop, AtTheFirstRunSizeTheSessionFitsAndExitPutsTheWindowBack) {
  SKIP_UNLESS_ON_DESKTOP();
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(CableChoice::Cable::kUsb, 2));
  rig.Start(dir.Doc("prog.bas", kCounter));
  MainWindow& main = *rig.window;
  const QRect area = main.screen()->availableGeometry();
  SettleUntil([&] { return main.geometry() == FirstRunGeometry(area) && main.frameGeometry() != main.geometry(); });
  EXPECT_EQ(main.geometry(), FirstRunGeometry(area));
  const QRect frame_before = main.frameGeometry(), client_before = main.geometry();
  ASSERT_TRUE(area.contains(frame_before)) << Text(frame_before);
  // Twice: no creeping from session to session.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(round == 0 ? RunToBreak(rig) : rig.WatchForStop() && rig.Poll());
    auto in_a_row = [&] {
      return SideBySideFault(rig).empty() && rig.debug()->frameGeometry().left() == main.frameGeometry().right() + 1 &&
             rig.variables()->frameGeometry().left() == rig.debug()->frameGeometry().right() + 1 &&
             StackedOver(*rig.debug(), main);
    };
    SettleUntil(in_a_row);
    EXPECT_EQ(SideBySideFault(rig), "");
    EXPECT_TRUE(in_a_row()) << Text(main.frameGeometry()) << " " << Text(rig.debug()->frameGeometry());
    if (round == 0) {
      EXPECT_EQ(rig.VariableRow("COUNTER"), testing::ByteRow("COUNTER", 1, "1"));
      Shot("debug-stop-variables.png");
      // Modify Variable from the debug window: afterwards the debug window is in front.
      rig.on_modal = [](QDialog& d) {
        auto& m = dynamic_cast<ModifyVariableDialog&>(d);
        Settle(200);
        m.name_box()->setText("COUNTER");
        m.value_box()->setText("41");
        m.ok_button()->click();
      };
      rig.debug()->button("cmdModifyVariable")->click();
      SettleUntil([&] { return QApplication::activeWindow() == rig.debug() && StackedOver(*rig.debug(), main); });
      EXPECT_EQ(rig.VariableRow("COUNTER"), testing::ByteRow("COUNTER", 41, "29"));
      EXPECT_TRUE(StackedOver(*rig.debug(), main));
      EXPECT_EQ(QApplication::activeWindow(), rig.debug());
      EXPECT_EQ(SideBySideFault(rig), "");
    }
    // Exit: the main window exactly where and as large as it was, frame and client.
    ASSERT_TRUE(rig.Click("cmdExit"));
    SettleUntil([&] { return main.frameGeometry() == frame_before; });
    EXPECT_FALSE(rig.DebugOpen());
    EXPECT_EQ(Text(main.frameGeometry()), Text(frame_before));
    EXPECT_EQ(Text(main.geometry()), Text(client_before));
  }
}

TEST(Desktop, FromAMaximizedWindowTheSessionFitsAndExitMaximizesAgain) {
  SKIP_UNLESS_ON_DESKTOP();
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(CableChoice::Cable::kUsb, 2));
  rig.Start(dir.Doc("prog.bas", kCounter));
  Settle();
  MainWindow& main = *rig.window;
  main.showMaximized();
  const QRect area = main.screen()->availableGeometry();
  auto maximized = [&] { return main.isMaximized() && main.frameGeometry().contains(area); };
  SettleUntil(maximized);
  ASSERT_TRUE(main.isMaximized());
  const QRect normal_before = main.normalGeometry();
  ASSERT_TRUE(RunToBreak(rig));
  // The whole free area, from its left edge to its right.
  auto spread = [&] {
    return !main.isMaximized() && SideBySideFault(rig).empty() && main.frameGeometry().left() == area.left() &&
           rig.variables()->frameGeometry().right() == area.right() && rig.debug()->frameGeometry().top() == area.top();
  };
  SettleUntil(spread);
  EXPECT_EQ(SideBySideFault(rig), "");
  EXPECT_TRUE(spread()) << Text(main.frameGeometry()) << " " << Text(rig.variables()->frameGeometry());
  Shot("debug-maximized-session.png");
  ASSERT_TRUE(rig.Click("cmdExit"));
  SettleUntil(maximized);
  // Maximized again over the whole free area (whether the window manager has sent the frame's
  // extents again yet or not), with the normal placement under it as it was.
  EXPECT_TRUE(maximized()) << Text(main.frameGeometry());
  EXPECT_EQ(Text(main.normalGeometry()), Text(normal_before));
}

}  // namespace
}  // namespace vn::shell
