// The README's getting started, the IDE half: its five steps walked in the main window with the
// virtual module on the cable step 1 names, the keys and captions it gives checked against the
// menus and the debug window. The examples, the cable, the keys and the button names are read
// out of the README, so a change there that the IDE does not follow fails here.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <regex>

#include "../readme_text.h"
#include "debug_fixtures.h"
#include "shell/code_editor.h"
#include "shell/virtual_module_dock.h"

namespace vn::shell {
namespace {

using testing::CopyExample;
using testing::DebugRig;
using testing::ScratchDir;

// The debugging session with every command of the IDE connected, as vnstudio starts them: the
// virtual module's dock and Run's download of the series compiled.
struct IdeDebugRig : DebugRig {
  IdeDebugRig(const ScratchDir& dir, CableChoice cable) : DebugRig(dir, cable) {
    setenv("VNSTUDIO_DATA_DIR", VN_SOURCE_DIR "/data", 1);
    ini.WriteString("Setup", "TipShow", "0");
    commands = std::make_unique<ShellCommands>(*window, devices, ini);
    commands->modal_hook = [](QDialog& d) { ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString(); };
  }
  ~IdeDebugRig() { commands.reset(); }  // before the window it works on

  // Lets `ms` of the module's time pass as the dock's timer does, and shows what it did.
  void Pass(int ms) {
    devices.AdvanceVirtualTime(static_cast<std::int64_t>(ms) * 1'000'000);
    commands->OnVirtualTime();
    QApplication::processEvents();
  }
  std::unique_ptr<ShellCommands> commands;
};

std::string Plain(const QString& caption) {
  QString s = caption;
  s.remove(QLatin1Char('&'));
  return s.toStdString();
}

// The README's "**KEY** (Menu > Item)" and "**KEY** (Item)" pairs, line breaks read as blanks.
struct KeyMention {
  std::string keys, menu, item;
};
std::vector<KeyMention> KeyMentions(const std::string& text) {
  const std::string flat = std::regex_replace(text, std::regex(R"(\s+)"), " ");
  const std::regex pair(R"(\*\*([A-Za-z0-9+]+)\*\* \((?:([^)>]+) > )?([^)]+)\))");
  std::vector<KeyMention> found;
  for (auto it = std::sregex_iterator(flat.begin(), flat.end(), pair); it != std::sregex_iterator(); ++it)
    found.push_back({(*it)[1].str(), (*it)[2].str(), (*it)[3].str()});
  return found;
}

// The main window's item of that menu with that caption; null when there is none.
QAction* MenuItem(MainWindow& w, const std::string& menu, const std::string& item) {
  for (QAction* top : w.menuBar()->actions()) {
    if (top->menu() == nullptr || Plain(top->text()) != menu) continue;
    for (QAction* a : top->menu()->actions())
      if (Plain(a->text()) == item) return a;
  }
  return nullptr;
}

// The debug window's menu item with these keys; null when none has them.
QAction* DebugItemWithKeys(DebugWindow& w, const std::string& keys) {
  for (QAction* a : w.findChildren<QAction*>())
    if (!a->shortcut().isEmpty() && a->shortcut() == QKeySequence(QString::fromStdString(keys))) return a;
  return nullptr;
}

// The debug window's button with this caption; null when there is none.
QToolButton* DebugButton(DebugWindow& w, const std::string& caption) {
  for (QToolButton* b : w.findChildren<QToolButton*>())
    if (Plain(b->text()) == caption) return b;
  return nullptr;
}

// The debug window's command of this caption is there and can be used: its button, or its menu
// item for those without one.
bool Offered(DebugWindow& w, const std::string& caption) {
  if (QToolButton* b = DebugButton(w, caption)) return b->isEnabled() && b->isVisible();
  for (QAction* a : w.findChildren<QAction*>())
    if (a->menu() == nullptr && Plain(a->text()).substr(0, caption.size()) == caption) return a->isEnabled();
  return false;
}

// The number after "COUNT:" on the dock's display; -1 when it does not show one.
int Counted(const QString& display) {
  std::smatch m;
  const std::string text = display.toStdString();
  if (!std::regex_search(text, m, std::regex(R"(COUNT: *(\d+))"))) return -1;
  return std::stoi(m[1].str());
}

// The bold captions of a step ("**Step Into**"), without the keys.
std::vector<std::string> BoldCaptions(const std::string& step) {
  std::vector<std::string> found;
  const std::regex bold(R"(\*\*([^*]+)\*\*)");
  for (auto it = std::sregex_iterator(step.begin(), step.end(), bold); it != std::sregex_iterator(); ++it)
    if (!std::regex_match((*it)[1].str(), std::regex(R"((Shift\+|Ctrl\+)?F\d+)"))) found.push_back((*it)[1].str());
  return found;
}

class ReadmeSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    section_ = vn::testing::ReadmeSection(vn::testing::ReadmeText(), vn::testing::kGettingStartedHeading);
    steps_ = vn::testing::ReadmeSteps(section_);
    ASSERT_EQ(steps_.size(), 5u) << section_;
    // Step 1's command line: the cable the IDE is started with.
    const std::string ide = vn::testing::SpanStartingWith(steps_[0], "vnstudio --cable ");
    ASSERT_FALSE(ide.empty()) << steps_[0];
    const std::string name = ide.substr(17, ide.find(' ', 17) - 17);
    const CommandLine cl = ParseCommandLine({"--cable", name, "FILE.bas"});
    ASSERT_EQ(cl.error, "") << name;
    ASSERT_TRUE(cl.cable.has_value());
    cable_ = *cl.cable;
    ASSERT_TRUE(cable_.is_virtual) << name;
  }
  std::string section_;
  std::vector<std::string> steps_;
  CableChoice cable_;
};

TEST_F(ReadmeSteps, TheKeysAndMenusTheyNameAreTheIdes) {
  const std::vector<KeyMention> keys = KeyMentions(section_);
  ASSERT_GE(keys.size(), 9u);
  ScratchDir dir;
  IdeDebugRig rig(dir, cable_);
  rig.Start(CopyExample(dir, "display_counter.bas"));
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  rig.Trigger("mnuBreak");
  ASSERT_TRUE(rig.DebugOpen());
  ASSERT_TRUE(rig.Poll());
  for (const KeyMention& k : keys) {
    SCOPED_TRACE(k.keys + " (" + k.menu + " > " + k.item + ")");
    QAction* a = nullptr;
    if (!k.menu.empty()) {
      a = MenuItem(*rig.window, k.menu, k.item);
    } else {
      // The debug window's own keys.
      a = DebugItemWithKeys(*rig.debug(), k.keys);
      ASSERT_NE(a, nullptr);
      EXPECT_EQ(QString::fromStdString(Plain(a->text())).toLower().toStdString(),
                QString::fromStdString(k.item).toLower().toStdString());
    }
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->shortcut().toString().toStdString(), QKeySequence(QString::fromStdString(k.keys)).toString().toStdString());
  }
}

TEST_F(ReadmeSteps, TheWalkThroughWorksAsWritten) {
  ScratchDir dir;
  IdeDebugRig rig(dir, cable_);

  // 1. The example in the editor, the dock on the right with the display, the lamps and the
  // serial line.
  const std::string first = vn::testing::SpanStartingWith(steps_[0], "examples/");
  ASSERT_EQ(first.rfind("examples/", 0), 0u) << steps_[0];
  const std::string path = CopyExample(dir, first.substr(9));
  rig.Start(path);
  rig.window->setGeometry(40, 30, 1000, 600);
  EXPECT_EQ(rig.window->editor().text().toStdString().substr(0, 10),
            testing::ReadAll(testing::fs::path(VN_SOURCE_DIR) / first).substr(0, 10));
  VirtualModuleDock* dock = rig.commands->dock();
  ASSERT_NE(dock, nullptr);
  EXPECT_TRUE(dock->isVisible());
  EXPECT_EQ(rig.window->dockWidgetArea(dock), Qt::RightDockWidgetArea);
  EXPECT_NE(dock->ports(), nullptr);
  EXPECT_NE(dock->serial_view(), nullptr);

  // 2. Run: saved, compiled, downloaded; panel 2 as quoted; the display counts.
  ASSERT_NE(steps_[1].find("\"Code Size : ... Byte\""), std::string::npos) << steps_[1];
  rig.window->editor().insertAt(QStringLiteral("' mine\n"), 0, 0);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_EQ(testing::ReadAll(path).substr(0, 8), "' mine\r\n");
  EXPECT_TRUE(std::regex_match(rig.window->PanelText(2).toStdString(), std::regex("Code Size : [0-9A-F]+ Byte")))
      << rig.window->PanelText(2).toStdString();
  rig.Pass(500);
  const int before = Counted(dock->display_view()->text());
  rig.Pass(1000);
  const int after = Counted(dock->display_view()->text());
  EXPECT_GE(before, 0) << dock->display_view()->text().toStdString();
  EXPECT_GT(after, before) << dock->display_view()->text().toStdString();

  // 3. Break: the debug window opens on the line highlighted; Step Into moves on. (Beside the
  // editor is measured on a real desktop; the offscreen screen is too narrow for three windows
  // and the dock.)
  rig.Trigger("mnuBreak");
  ASSERT_TRUE(rig.DebugOpen());
  ASSERT_TRUE(rig.Poll());
  EXPECT_TRUE(rig.window->isVisible());
  const int stopped = rig.Line();
  EXPECT_EQ(rig.Row(), stopped - 1);
  EXPECT_NE(rig.RowText(), "<no row>");
  const std::vector<std::string> step3 = BoldCaptions(steps_[2]);
  ASSERT_EQ(step3, std::vector<std::string>{"Step Into"});
  QToolButton* into = DebugButton(*rig.debug(), step3[0]);
  ASSERT_NE(into, nullptr);
  ASSERT_TRUE(rig.Click(into->objectName().toUtf8().constData()));
  EXPECT_NE(rig.Line(), stopped);
  EXPECT_EQ(rig.Row(), rig.Line() - 1);
  ASSERT_TRUE(rig.Click("cmdExit"));
  ASSERT_FALSE(rig.DebugOpen());

  // 4. The VNM example: Run, Break; the variable listed; the commands offered; Modify Variable
  // writes the value into the module, and the program goes on with it.
  const std::string vnm = vn::testing::SpanStartingWith(steps_[3], "examples/");
  ASSERT_EQ(vn::testing::SpanStartingWith(steps_[3], "CONST DEVICE"), "CONST DEVICE = WF");
  const std::vector<std::string> spans = vn::testing::CodeSpans(steps_[3]);
  // `examples/...`, `CONST DEVICE = WF`, the variable, then the name and the value typed.
  ASSERT_EQ(spans.size(), 5u) << steps_[3];
  const std::string variable = spans[2], typed_name = spans[3], typed_value = spans[4];
  EXPECT_EQ(typed_name, variable);
  rig.open_names.push_back(CopyExample(dir, vnm.substr(9)));
  rig.Trigger("mnuOpen");
  rig.Trigger("mnuRun");
  // The command line's virtual module takes the series of the program Run downloads.
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  rig.Pass(200);
  rig.Trigger("mnuBreak");
  ASSERT_TRUE(rig.DebugOpen());
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.VariableRow(variable).rfind(" " + variable + " ", 0), 0u) << rig.VariableRow(variable);
  const std::vector<std::string> step4 = BoldCaptions(steps_[3]);
  ASSERT_EQ(step4, (std::vector<std::string>{"Step Over", "Step Out", "Reset", "Modify Variable"}));
  for (const std::string& caption : step4) EXPECT_TRUE(Offered(*rig.debug(), caption)) << caption;
  rig.on_modal = [&](QDialog& d) {
    auto& m = dynamic_cast<ModifyVariableDialog&>(d);
    m.name_box()->setText(QString::fromStdString(typed_name));
    m.value_box()->setText(QString::fromStdString(typed_value));
    m.ok_button()->click();
  };
  DebugButton(*rig.debug(), "Modify Variable")->click();
  QApplication::processEvents();
  EXPECT_EQ(rig.modal_dialogs, 1);
  // " NAME        :  value   hexH", as the listing writes an INTEGER scalar.
  std::string label = variable;
  label.resize(12, ' ');
  const std::string shown =
      " " + label + ":  " + typed_value + "   " + QString::number(std::stoi(typed_value), 16).toUpper().toStdString() + "H";
  EXPECT_EQ(rig.VariableRow(variable), shown);
  // The module's memory holds it: read back at the next stop.
  ASSERT_TRUE(rig.Click(DebugButton(*rig.debug(), "Step Over")->objectName().toUtf8().constData()));
  EXPECT_EQ(rig.VariableRow(variable), shown);

  // 5. Exit: the window closes and the program runs on; Erase Flash leaves the smallest program.
  const std::vector<std::string> step5 = BoldCaptions(steps_[4]);
  ASSERT_EQ(step5, (std::vector<std::string>{"Exit", "Erase Flash"}));
  ASSERT_TRUE(rig.Click(DebugButton(*rig.debug(), step5[0])->objectName().toUtf8().constData()));
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  EXPECT_FALSE(rig.module().in_debug());
  rig.Pass(300);
  rig.Trigger("mnuBreak");
  ASSERT_TRUE(rig.DebugOpen());
  ASSERT_TRUE(rig.Poll());
  // It ran on with the value written.
  EXPECT_EQ(rig.VariableRow(variable), shown);
  ASSERT_TRUE(rig.Click(DebugButton(*rig.debug(), step5[1])->objectName().toUtf8().constData()));
  EXPECT_FALSE(rig.DebugOpen());
  // A jump to its own address at 24, nothing else of the program left to run.
  EXPECT_EQ(rig.module().FlashByte(24), 0x88);
  EXPECT_EQ(rig.module().FlashByte(25), 24);
  EXPECT_EQ(rig.module().FlashByte(26), 0);
}

}  // namespace
}  // namespace vn::shell
