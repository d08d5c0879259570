// The README's getting started walked in the IDE: the example, cable, keys and captions are read
// out of its numbered steps, so a README the IDE does not follow fails here.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "../readme_text.h"
#include "debug_fixtures.h"
#include "shell/code_editor.h"
#include "shell/virtual_module_dock.h"

namespace vn::shell {
namespace {

using namespace testing;
using namespace vn::testing;

std::string Plain(QString s) { return s.remove(QLatin1Char('&')).toStdString(); }

int Counted(const QString& display) {  // the number after "COUNT:"; -1 when none shows
  const auto m = Matches(display.toStdString(), R"(COUNT: *(\d+))");
  return m.empty() ? -1 : std::stoi(m[0][1]);
}

TEST(ReadmeSteps, TheGettingStartedWorksAsWrittenWithTheKeysItNames) {
  const std::string section = GettingStartedSection();
  const std::vector<std::string> steps = ReadmeSteps(section);
  ASSERT_GE(steps.size(), 3u) << section;
  const std::string ide = SpanStartingWith(steps[0], "vnstudio --cable ");
  const CommandLine cl = ParseCommandLine({"--cable", ide.substr(17, ide.find(' ', 17) - 17), "F.bas"});
  ASSERT_TRUE(cl.error.empty() && cl.cable && cl.cable->is_virtual) << ide;
  testing::ScratchDir dir;
  IdeDebugRig rig(dir, *cl.cable);
  auto pass = [&](int ms) {  // the module's time as the dock's timer lets it pass
    rig.devices.AdvanceVirtualTime(std::int64_t{ms} * 1'000'000);
    rig.commands->OnVirtualTime();
    QApplication::processEvents();
  };
  auto click = [&](const std::string& caption) {  // the debug window's button, when offered; waits for the stop
    for (QToolButton* b : rig.debug()->findChildren<QToolButton*>())
      if (Plain(b->text()) == caption)
        return b->isEnabled() && b->isVisible() && rig.Click(b->objectName().toUtf8().constData());
    return false;
  };
  // 1: the example in the IDE with the virtual module's dock on the right.
  const std::string path = testing::CopyExample(dir, SpanStartingWith(steps[0], "examples/").substr(9));
  rig.Start(path);
  ASSERT_TRUE(rig.commands->dock() && rig.commands->dock()->isVisible());
  EXPECT_EQ(rig.window->dockWidgetArea(rig.commands->dock()), Qt::RightDockWidgetArea);
  // 2: Run saves, compiles and downloads; the display counts.
  ASSERT_TRUE(steps[1].find("(Run > Run)") != std::string::npos && steps[1].find("\"Code Size : ... Byte\"") != std::string::npos) << steps[1];
  rig.window->editor().insertAt(QStringLiteral("' mine\n"), 0, 0);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_EQ(testing::ReadAll(path).substr(0, 8), "' mine\n'");  // saved first, keeping its LF line ends
  EXPECT_TRUE(std::regex_match(rig.window->PanelText(2).toStdString(), std::regex("Code Size : [0-9A-F]+ Byte")));
  pass(500);
  const int before = Counted(rig.commands->dock()->display_view()->text());
  pass(1000);
  EXPECT_TRUE(before >= 0 && Counted(rig.commands->dock()->display_view()->text()) > before);
  // 3: Break opens the debug window on the line; Step Into moves on.
  ASSERT_NE(steps[2].find("(Run > Break)"), std::string::npos) << steps[2];
  rig.Trigger("mnuBreak");
  ASSERT_TRUE(rig.DebugOpen() && rig.Poll());
  const int stopped = rig.Line();
  EXPECT_EQ(rig.Row(), stopped - 1);
  ASSERT_EQ(Matches(steps[2], R"(\*\*([^*]+)\*\*)"),  // its key, then the one caption it names
            (std::vector<std::vector<std::string>>{{"**F6**", "F6"}, {"**Step Into**", "Step Into"}}));
  ASSERT_TRUE(click("Step Into"));
  EXPECT_NE(rig.Line(), stopped);
  EXPECT_EQ(rig.Row(), rig.Line() - 1);
  // Every key the section names, in the main menus or (without a menu) the debug window's.
  const auto keys = Matches(section, R"(\*\*([A-Za-z0-9+]+)\*\* \((?:([^)>]+) > )?([^)]+)\))");
  EXPECT_GE(keys.size(), 9u);
  for (const auto& k : keys) {
    QAction* found = nullptr;
    for (QAction* top : rig.window->menuBar()->actions())
      for (QAction* a : top->menu() && Plain(top->text()) == k[2] ? top->menu()->actions() : QList<QAction*>())
        if (Plain(a->text()) == k[3]) found = a;
    for (QAction* a : k[2].empty() ? rig.debug()->findChildren<QAction*>() : QList<QAction*>())
      if (a->shortcut() == QKeySequence(QString::fromStdString(k[1])) &&
          QString::fromStdString(Plain(a->text())).compare(QString::fromStdString(k[3]), Qt::CaseInsensitive) == 0)
        found = a;
    ASSERT_NE(found, nullptr) << k[0];
    EXPECT_EQ(found->shortcut(), QKeySequence(QString::fromStdString(k[1]))) << k[0];
  }
  EXPECT_TRUE(click("Exit"));
}

}  // namespace
}  // namespace vn::shell
