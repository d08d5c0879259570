// A debugging session on a real X desktop (Xvfb with openbox, started by desktop_run.sh): the
// frames the window manager puts round the windows are measured, at the first-run size and
// from a maximized main window. Elsewhere these tests are skipped.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <cstdlib>

#include "debug_fixtures.h"
#include "shell/code_editor.h"

namespace vn::shell {
namespace {

using testing::DebugRig;
using testing::ScratchDir;
using testing::SideBySideFault;
using testing::VirtualCable;
using testing::WriteAll;

constexpr char kCounter[] =
    "' Counts rounds; stops at BREAK every round.\r\n"  // 1
    "CONST DEVICE = WF\r\n"                             // 2
    "DIM COUNTER AS BYTE, TOTAL AS INTEGER\r\n"         // 3
    "AGAIN:\r\n"                                        // 4
    "    COUNTER = COUNTER + 1\r\n"                     // 5
    "    TOTAL = TOTAL + COUNTER\r\n"                   // 6
    "    BREAK\r\n"                                     // 7
    "    GOTO AGAIN\r\n";                               // 8

bool OnDesktop() {
  return QGuiApplication::platformName() == "xcb" && std::getenv("VN_DESKTOP_WM") != nullptr;
}

#define SKIP_UNLESS_ON_DESKTOP() \
  if (!OnDesktop()) GTEST_SKIP() << "needs X with a window manager: run by the shell_desktop test (Xvfb, openbox)"

// Lets the window manager do what it was asked (map, frame, move, focus).
void Settle(int ms = 400) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
}

// Settles until `done` holds or `ms` have passed; the window manager places and frames windows
// in its own time, later on a busy machine. The checks after it say what did not come true.
template <class Done>
void SettleUntil(Done done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) Settle(50);
}

// The window manager answers in its own time, later on a busy machine: the frame as it is once
// it equals `expected` or after at most `ms`.
QRect FrameOnceSettled(const QWidget& w, const QRect& expected) {
  SettleUntil([&] { return w.frameGeometry() == expected; });
  return w.frameGeometry();
}

// The client windows bottom to top, as the window manager stacks them.
std::vector<WId> Stacking() {
  QProcess p;
  p.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
  p.waitForFinished(5000);
  const QString out = QString::fromLatin1(p.readAllStandardOutput());
  std::vector<WId> ids;
  const qsizetype hash = out.indexOf(QLatin1Char('#'));
  if (hash < 0) return ids;
  for (const QString& part : out.mid(hash + 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
    ids.push_back(static_cast<WId>(part.trimmed().toULongLong(nullptr, 16)));
  return ids;
}

// True when `above` is stacked over `below`.
bool StackedOver(const QWidget& above, const QWidget& below) {
  const std::vector<WId> ids = Stacking();
  auto a = std::find(ids.begin(), ids.end(), above.winId());
  auto b = std::find(ids.begin(), ids.end(), below.winId());
  return a != ids.end() && b != ids.end() && a > b;
}

void Shot(const char* name) {
  const char* dir = std::getenv("VN_DESKTOP_SCREENSHOTS");
  if (dir == nullptr || dir[0] == '\0') return;
  Settle(300);
  const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
  const QString file = QString::fromUtf8(dir) + QLatin1Char('/') + QString::fromLatin1(name);
  EXPECT_TRUE(screen.save(file)) << file.toStdString();
}

std::string Text(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

struct Session {
  explicit Session(const ScratchDir& dir) : rig(dir, VirtualCable(CableChoice::Cable::kUsb, 2)) {
    path = dir.Doc("counter.bas");
    WriteAll(path, kCounter);
  }
  // Runs the program and waits for its BREAK.
  bool RunToBreak() {
    rig.Trigger("mnuRun");
    Settle(100);
    if (!rig.script.shown.empty()) return false;
    if (!rig.WatchForStop() || !rig.Poll()) return false;
    Settle();
    return true;
  }
  DebugRig rig;
  std::string path;
};

TEST(Desktop, AtTheFirstRunSizeTheSessionFitsAndExitPutsTheWindowBack) {
  SKIP_UNLESS_ON_DESKTOP();
  ScratchDir dir;
  Session s(dir);
  s.rig.Start(s.path);
  Settle();
  MainWindow& main = *s.rig.window;
  const QRect area = main.screen()->availableGeometry();
  SettleUntil([&] { return main.geometry() == FirstRunGeometry(area) && main.frameGeometry() != main.geometry(); });
  EXPECT_EQ(main.geometry(), FirstRunGeometry(area));
  const QRect frame_before = main.frameGeometry(), client_before = main.geometry();
  ASSERT_TRUE(area.contains(frame_before)) << Text(frame_before);

  ASSERT_TRUE(s.RunToBreak());
  SettleUntil([&] {
    return SideBySideFault(s.rig).empty() &&
           s.rig.debug()->frameGeometry().left() == main.frameGeometry().right() + 1 &&
           s.rig.variables()->frameGeometry().left() == s.rig.debug()->frameGeometry().right() + 1 &&
           StackedOver(*s.rig.debug(), main);
  });
  EXPECT_EQ(SideBySideFault(s.rig), "");
  EXPECT_EQ(s.rig.debug()->frameGeometry().left(), main.frameGeometry().right() + 1);
  EXPECT_EQ(s.rig.variables()->frameGeometry().left(), s.rig.debug()->frameGeometry().right() + 1);
  EXPECT_EQ(s.rig.VariableRow("COUNTER"), testing::ByteRow("COUNTER", 1, "1"));
  EXPECT_TRUE(StackedOver(*s.rig.debug(), main));
  Shot("debug-stop-variables.png");

  // Modify Variable from the debug window: afterwards the debug window is in front.
  s.rig.on_modal = [](QDialog& d) {
    auto& m = dynamic_cast<ModifyVariableDialog&>(d);
    Settle(200);
    m.name_box()->setText("COUNTER");
    m.value_box()->setText("41");
    m.ok_button()->click();
  };
  s.rig.debug()->button("cmdModifyVariable")->click();
  Settle();
  SettleUntil([&] { return QApplication::activeWindow() == s.rig.debug() && StackedOver(*s.rig.debug(), main); });
  EXPECT_EQ(s.rig.modal_dialogs, 1);
  EXPECT_EQ(s.rig.VariableRow("COUNTER"), testing::ByteRow("COUNTER", 41, "29"));
  EXPECT_TRUE(StackedOver(*s.rig.debug(), main));
  EXPECT_EQ(QApplication::activeWindow(), s.rig.debug());
  EXPECT_EQ(SideBySideFault(s.rig), "");
  Shot("debug-after-modify-variable.png");

  // Exit: the main window exactly where and as large as it was, frame and client.
  ASSERT_TRUE(s.rig.Click("cmdExit"));
  Settle();
  EXPECT_FALSE(s.rig.DebugOpen());
  EXPECT_EQ(Text(FrameOnceSettled(main, frame_before)), Text(frame_before));
  EXPECT_EQ(Text(main.geometry()), Text(client_before));
  Shot("debug-after-exit.png");

  // And again: no creeping from session to session.
  ASSERT_TRUE(s.rig.WatchForStop());
  ASSERT_TRUE(s.rig.Poll());
  Settle();
  SettleUntil([&] { return SideBySideFault(s.rig).empty(); });
  EXPECT_EQ(SideBySideFault(s.rig), "");
  ASSERT_TRUE(s.rig.Click("cmdExit"));
  Settle();
  EXPECT_EQ(Text(FrameOnceSettled(main, frame_before)), Text(frame_before));
}

TEST(Desktop, FromAMaximizedWindowTheSessionFitsAndExitMaximizesAgain) {
  SKIP_UNLESS_ON_DESKTOP();
  ScratchDir dir;
  Session s(dir);
  s.rig.Start(s.path);
  Settle();
  MainWindow& main = *s.rig.window;
  main.showMaximized();
  Settle();
  const QRect area = main.screen()->availableGeometry();
  SettleUntil([&] { return main.isMaximized() && main.frameGeometry().contains(area); });
  ASSERT_TRUE(main.isMaximized());
  const QRect frame_before = main.frameGeometry(), normal_before = main.normalGeometry();

  ASSERT_TRUE(s.RunToBreak());
  SettleUntil([&] {
    return !main.isMaximized() && SideBySideFault(s.rig).empty() && main.frameGeometry().left() == area.left() &&
           s.rig.variables()->frameGeometry().right() == area.right();
  });
  EXPECT_FALSE(main.isMaximized());
  EXPECT_EQ(SideBySideFault(s.rig), "");
  EXPECT_EQ(main.frameGeometry().left(), area.left());
  EXPECT_EQ(s.rig.variables()->frameGeometry().right(), area.right());
  EXPECT_EQ(s.rig.debug()->frameGeometry().top(), area.top());
  Shot("debug-maximized-session.png");

  ASSERT_TRUE(s.rig.Click("cmdExit"));
  Settle();
  SettleUntil([&] { return main.isMaximized() && main.frameGeometry().contains(area); });
  EXPECT_TRUE(main.isMaximized());
  // Maximized again over the whole free area (whether the window manager has sent the frame's
  // extents again yet or not), with the normal placement under it as it was.
  EXPECT_TRUE(main.frameGeometry().contains(area)) << Text(main.frameGeometry()) << " before " << Text(frame_before);
  EXPECT_EQ(Text(main.normalGeometry()), Text(normal_before));
}

// A stop at a breakpoint set with a click in the editor's margin: the marker stays in view in
// the narrowed main window beside the debug and variable windows.
TEST(Desktop, AStopAtABreakpointSetInTheMargin) {
  SKIP_UNLESS_ON_DESKTOP();
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(CableChoice::Cable::kUsb, 2));
  const std::string path = dir.Doc("counter.bas");
  std::string program = kCounter;
  program.erase(program.find("    BREAK\r\n"), 11);  // the margin's mark stops it instead
  program.replace(0, program.find("\r\n"), "' Counts rounds; the mark in the margin stops each round.");
  WriteAll(path, program);
  rig.Start(path);
  Settle();
  CodeEditor& e = rig.window->editor();
  // The centre of the breakpoint margin on zero-based line 5, "TOTAL = TOTAL + COUNTER".
  const long pos = e.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, 5UL);
  const int y = static_cast<int>(e.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos));
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(e.marginWidth(0) + e.marginWidth(1) + e.marginWidth(2) / 2, y + e.textHeight(5) / 2));
  ASSERT_EQ(e.BreakpointLines(), std::vector<int>{5});

  rig.Trigger("mnuRun");
  Settle(100);
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  ASSERT_TRUE(rig.WatchForStop());
  ASSERT_TRUE(rig.Poll());
  Settle();
  EXPECT_EQ(rig.Line(), 6);
  EXPECT_EQ(rig.RowText(), "    TOTAL = TOTAL + COUNTER");
  EXPECT_EQ(rig.VariableRow("COUNTER"), testing::ByteRow("COUNTER", 1, "1"));
  SettleUntil([&] { return SideBySideFault(rig).empty(); });
  EXPECT_EQ(SideBySideFault(rig), "");
  // The marked line is on the editor's screen, its margin wide enough to show the marker.
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{5});
  EXPECT_GT(e.marginWidth(2), 0);
  EXPECT_GE(5, e.firstVisibleLine());
  EXPECT_LT(5, e.firstVisibleLine() + static_cast<int>(e.SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN)));
  Shot("vnstudio-breakpoint-stop.png");
  ASSERT_TRUE(rig.Click("cmdExit"));
}

// The editor keeps most of the width beside the virtual module's dock at the first-run size.
TEST(Desktop, TheFirstRunWindowLeavesTheEditorMostOfTheWidth) {
  SKIP_UNLESS_ON_DESKTOP();
  ScratchDir dir;
  testing::IdeRig rig(dir, CableChoice{CableChoice::Cable::kUsb, true, 1});
  rig.on_dialog = [](QDialog& d) { d.reject(); };  // the tip of the day
  rig.Start();
  Settle();
  const int client = rig.window->width();
  const int editor = rig.window->editor().width();
  EXPECT_GE(editor * 3, client * 2) << editor << " of " << client;
}

}  // namespace
}  // namespace vn::shell
