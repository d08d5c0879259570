// The README's getting started walked in the IDE: each numbered step is found by what it names and
// the example, cable, keys and captions are read out of its text, so a README the IDE does not
// follow fails here. A step this walk does not know (another test walks it) is passed over.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <functional>
#include <iostream>
#include <regex>

#include "../readme_text.h"
#include "debug_fixtures.h"
#include "shell/code_editor.h"
#include "shell/virtual_module_dock.h"

namespace vn::shell {
namespace {

using testing::IdeDebugRig;
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
  const std::string ide = readme::SpanStartingWith(section, "vnstudio --cable ");
  const CommandLine cl = ParseCommandLine({"--cable", ide.substr(17, ide.find(' ', 17) - 17), "F.bas"});
  ASSERT_TRUE(cl.error.empty() && cl.cable && cl.cable->is_virtual) << ide;
  testing::ScratchDir dir;
  IdeDebugRig rig(dir, *cl.cable);
  auto pass = [&](int ms) {  // the module's time as the dock's timer lets it pass
    rig.devices.AdvanceVirtualTime(std::int64_t{ms} * 1'000'000);
    rig.commands->OnVirtualTime();
    QApplication::processEvents();
  };
  // A debug-window command offered: its button, or its menu item for those without one; `press`
  // clicks the button and waits for the stop it brings.
  auto offered = [&](const std::string& caption, bool press = false) {
    for (QToolButton* b : rig.debug()->findChildren<QToolButton*>())
      if (Plain(b->text()) == caption)
        return b->isEnabled() && b->isVisible() && (!press || rig.Click(b->objectName().toUtf8().constData()));
    for (QAction* a : rig.debug()->findChildren<QAction*>())
      if (!a->menu() && !press && Plain(a->text()).compare(0, caption.size(), caption) == 0) return a->isEnabled();
    return false;
  };
  auto click = [&](const std::string& caption) { return offered(caption, true); };
  auto stop = [&] {
    rig.Trigger("mnuBreak");
    return rig.DebugOpen() && rig.Poll();
  };
  std::string path, variable, shown;
  const std::pair<const char*, std::function<void(const std::string&)>> walk[] = {
      {"vnstudio --cable ", [&](const std::string& step) {
         rig.Start(path = testing::CopyExample(dir, readme::SpanStartingWith(step, "examples/").substr(9)));
         EXPECT_EQ(rig.window->editor().text().toStdString().substr(0, 10), testing::ReadAll(path).substr(0, 10));
         ASSERT_NE(rig.commands->dock(), nullptr);
         EXPECT_TRUE(rig.commands->dock()->isVisible());
         EXPECT_EQ(rig.window->dockWidgetArea(rig.commands->dock()), Qt::RightDockWidgetArea);
         EXPECT_TRUE(rig.commands->dock()->ports() && rig.commands->dock()->serial_view());
       }},
      {"(Run > Run)", [&](const std::string& step) {
         ASSERT_NE(step.find("\"Code Size : ... Byte\""), std::string::npos);
         rig.window->editor().insertAt(QStringLiteral("' mine\n"), 0, 0);
         rig.Trigger("mnuRun");
         ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
         EXPECT_EQ(testing::ReadAll(path).substr(0, 8), "' mine\r\n");  // saved first
         EXPECT_TRUE(std::regex_match(rig.window->PanelText(2).toStdString(), std::regex("Code Size : [0-9A-F]+ Byte")));
         pass(500);
         const int before = Counted(rig.commands->dock()->display_view()->text());
         pass(1000);
         EXPECT_TRUE(before >= 0 && Counted(rig.commands->dock()->display_view()->text()) > before);
       }},
      {"(Run > Break)", [&](const std::string& step) {
         ASSERT_TRUE(stop());
         const int stopped = rig.Line();
         EXPECT_EQ(rig.Row(), stopped - 1);
         ASSERT_EQ(Captions(step), std::vector<std::string>{"Step Into"});
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
         ASSERT_TRUE(click("Exit"));
       }},
      {"`CONST DEVICE = WF`", [&](const std::string& step) {
         const std::vector<std::string> spans = readme::CodeSpans(step);  // example, CONST, variable, name, value
         ASSERT_EQ(spans.size(), 5u);
         variable = spans[2];
         EXPECT_EQ(spans[3], variable);
         rig.open_names.push_back(testing::CopyExample(dir, spans[0].substr(9)));
         rig.Trigger("mnuOpen");
         rig.Trigger("mnuRun");  // the command line's module takes the series Run downloads
         ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
         pass(200);
         ASSERT_TRUE(stop());
         EXPECT_EQ(rig.VariableRow(variable).rfind(" " + variable + " ", 0), 0u);
         const std::vector<std::string> captions = Captions(step);
         ASSERT_EQ(captions, (std::vector<std::string>{"Step Over", "Step Out", "Reset", "Modify Variable"}));
         for (const std::string& caption : captions) EXPECT_TRUE(offered(caption)) << caption;
         rig.on_modal = [&](QDialog& d) {
           auto& m = dynamic_cast<ModifyVariableDialog&>(d);
           m.name_box()->setText(QString::fromStdString(spans[3]));
           m.value_box()->setText(QString::fromStdString(spans[4]));
           m.ok_button()->click();
         };
         rig.debug()->button("cmdModifyVariable")->click();
         ASSERT_EQ(rig.modal_dialogs, 1);
         std::string label = variable;  // an INTEGER: " NAME        :  value   hexH"
         label.resize(12, ' ');
         shown = " " + label + ":  " + spans[4] + "   " + QString::number(std::stoi(spans[4]), 16).toUpper().toStdString() + "H";
         EXPECT_EQ(rig.VariableRow(variable), shown);
         ASSERT_TRUE(click("Step Over"));
         EXPECT_EQ(rig.VariableRow(variable), shown);  // read back from the module
       }},
      {"**Erase Flash**", [&](const std::string& step) {
         ASSERT_EQ(Captions(step), (std::vector<std::string>{"Exit", "Erase Flash"}));
         ASSERT_TRUE(click("Exit"));
         EXPECT_TRUE(!rig.DebugOpen() && rig.window->break_timer()->isActive() && !rig.module().in_debug());
         pass(300);
         ASSERT_TRUE(stop());
         EXPECT_EQ(rig.VariableRow(variable), shown);  // it ran on with the value written
         ASSERT_TRUE(click("Erase Flash"));
         EXPECT_FALSE(rig.DebugOpen());
         // A jump to its own address at 24, nothing else of the program left to run.
         EXPECT_EQ(std::vector<int>({rig.module().FlashByte(24), rig.module().FlashByte(25), rig.module().FlashByte(26)}),
                   std::vector<int>({0x88, 24, 0}));
       }},
  };
  size_t next = 0;
  for (const std::string& step : readme::ReadmeSteps(section)) {
    size_t k = 0;
    while (k < std::size(walk) && step.find(walk[k].first) == std::string::npos) ++k;
    if (k == std::size(walk)) {
      std::cout << "README step passed over here: " << step.substr(0, 60) << "\n";
      continue;
    }
    SCOPED_TRACE(step);
    ASSERT_EQ(k, next) << "a step out of its place";
    walk[next++].second(step);
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(next, std::size(walk));
}

}  // namespace
}  // namespace vn::shell
