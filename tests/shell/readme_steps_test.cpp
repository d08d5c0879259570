// The README's getting started walked in the IDE: the example, cable, keys and captions are read
// out of its numbered steps, so a README the IDE does not follow fails here.

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <regex>

#include "../readme_text.h"
#include "debug_fixtures.h"
#include "shell/code_editor.h"
#include "shell/virtual_module_dock.h"

namespace vn::shell {
namespace {

using namespace testing;
namespace readme = vn::testing;

std::string Plain(QString s) { return s.remove(QLatin1Char('&')).toStdString(); }

// Each match of `pattern` (line breaks read as blanks), its groups as strings.
std::vector<std::vector<std::string>> Matches(const std::string& text, const char* pattern) {
  const std::string flat = std::regex_replace(text, std::regex(R"(\s+)"), " ");
  const std::regex re(pattern);
  std::vector<std::vector<std::string>> out;
  for (auto it = std::sregex_iterator(flat.begin(), flat.end(), re); it != std::sregex_iterator(); ++it)
    out.emplace_back(it->begin(), it->end());
  return out;
}
// The bold captions of a step ("**Step Into**"), keys left out.
std::vector<std::string> Captions(const std::string& step) {
  std::vector<std::string> out;
  for (const auto& m : Matches(step, R"(\*\*([^*]+)\*\*)"))
    if (!std::regex_match(m[1], std::regex(R"((Shift\+|Ctrl\+)?F\d+)"))) out.push_back(m[1]);
  return out;
}

int Counted(const QString& display) {  // the number after "COUNT:"; -1 when none shows
  std::smatch m;
  const std::string text = display.toStdString();
  return std::regex_search(text, m, std::regex(R"(COUNT: *(\d+))")) ? std::stoi(m[1].str()) : -1;
}

TEST(ReadmeSteps, TheGettingStartedWorksAsWrittenWithTheKeysItNames) {
  const std::string section = readme::ReadmeSection(readme::ReadmeText(), readme::kGettingStartedHeading);
  const std::vector<std::string> steps = readme::ReadmeSteps(section);
  ASSERT_GE(steps.size(), 3u) << section;
  const std::string ide = readme::SpanStartingWith(steps[0], "vnstudio --cable ");
  const CommandLine cl = ParseCommandLine({"--cable", ide.substr(17, ide.find(' ', 17) - 17), "F.bas"});
  ASSERT_TRUE(cl.error.empty() && cl.cable && cl.cable->is_virtual) << ide;
  testing::ScratchDir dir;
  IdeDebugRig rig(dir, *cl.cable);
  auto pass = [&](int ms) {  // the module's time as the dock's timer lets it pass
    rig.devices.AdvanceVirtualTime(std::int64_t{ms} * 1'000'000);
    rig.commands->OnVirtualTime();
    QApplication::processEvents();
  };
  // Clicks the debug window's button of that caption, when offered, and waits for the stop it brings.
  auto click = [&](const std::string& caption) {
    for (QToolButton* b : rig.debug()->findChildren<QToolButton*>())
      if (Plain(b->text()) == caption)
        return b->isEnabled() && b->isVisible() && rig.Click(b->objectName().toUtf8().constData());
    return false;
  };
  // 1: the example in the IDE with the virtual module's dock on the right.
  const std::string path = testing::CopyExample(dir, readme::SpanStartingWith(steps[0], "examples/").substr(9));
  rig.Start(path);
  ASSERT_TRUE(rig.commands->dock() && rig.commands->dock()->isVisible());
  EXPECT_EQ(rig.window->dockWidgetArea(rig.commands->dock()), Qt::RightDockWidgetArea);
  // 2: Run saves, compiles and downloads; the display counts.
  ASSERT_NE(steps[1].find("(Run > Run)"), std::string::npos) << steps[1];
  ASSERT_NE(steps[1].find("\"Code Size : ... Byte\""), std::string::npos);
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
  ASSERT_EQ(Captions(steps[2]), std::vector<std::string>{"Step Into"});
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
