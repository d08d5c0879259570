// Debugging in the IDE on the virtual module: breakpoints (the margin and F9, markers following
// edits, kept per file, Run stopping on them, Run to Cursor, variable tips), Break and tmrBreak,
// the debug window's source view, stepping, status bar and Exit, the windows' layout, and the
// check-variable and modify-variable windows.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include "debug_fixtures.h"
#include "link/commands.h"
#include "shell/breakpoints.h"
#include "shell/code_editor.h"
#include "shell/debug_layout.h"
#include "sim/virtual_usb.h"

namespace vn::shell {
namespace {

using namespace testing;
using Cable = CableChoice::Cable;

// A loop with a subroutine (lines 11-13) and BREAKs on lines 3 and 9; on a VN module. On a VNM
// module every line is one further down. kLoop never stops by itself.
constexpr char kProgram[] =
    "DIM N AS BYTE, K AS BYTE, FLAG AS BYTE\r\nN = 1\r\nBREAK\r\nAGAIN:\r\nK = K + N\r\nGOSUB BUMP\r\n"
    "IF FLAG = 0 THEN GOTO AGAIN\r\nN = 7\r\nBREAK\r\nDONE: GOTO DONE\r\nBUMP:\r\nK = K + 1\r\nRETURN\r\n";
const std::string kProgramVnm = std::string("CONST DEVICE = WF\r\n") + kProgram;
constexpr char kLoop[] = "DIM K AS BYTE\r\nAGAIN:\r\nK = K + 1\r\nGOTO AGAIN\r\n";
constexpr int kMainWidth = 1000;

std::string Shown(const DebugRig& rig) {  // "text|title|style" a line
  std::string out;
  for (const auto& m : rig.script.shown) out += (out.empty() ? "" : "\n") + m.text + "|" + m.title + "|" + std::to_string(m.style);
  return out;
}

class BreakOnCable : public ::testing::TestWithParam<Cable> {};

TEST_P(BreakOnCable, BreakOnARunningProgramOpensTheDebugWindowOnItsLine) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(GetParam(), 1));
  rig.RunProgram(dir.Doc("prog.bas", kLoop));
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  EXPECT_FALSE(rig.WatchForStop(2));  // the loop announces nothing
  rig.Trigger("mnuBreak");
  ASSERT_TRUE(rig.DebugOpen());
  EXPECT_FALSE(rig.window->break_timer()->isActive());
  // Over USB the stop report is polled for on its own timer, and only on that one.
  EXPECT_EQ(std::pair(rig.debug()->return_status_usb_timer()->isActive(), rig.debug()->return_status_timer()->isActive()),
            std::pair(GetParam() == Cable::kUsb, false));
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.dbg().InDebug, -1);
  const int line = rig.Line();
  ASSERT_TRUE(line == 3 || line == 4) << line;
  EXPECT_EQ(rig.Row(), line - 1);
  EXPECT_EQ(rig.RowText(), line == 3 ? "K = K + 1" : "GOTO AGAIN");
  EXPECT_EQ(rig.debug()->PanelText(1).toStdString(), " PC : " + core::Hex(static_cast<unsigned long>(rig.dbg().ModulePc)));
  EXPECT_EQ(rig.debug()->PanelText(2).toStdString(), line == 3 ? " Object Code : 91" : " Object Code : 88");
  EXPECT_EQ(rig.debug()->windowTitle().toStdString(), kDebugWindowTitle);
  // The VN series steps into only.
  for (const auto& [name, enabled] : std::vector<std::pair<const char*, bool>>{
           {"cmdStepInto", true}, {"cmdEraseFlash", true}, {"cmdExit", true}, {"cmdStepOver", false},
           {"cmdStepOut", false}, {"cmdModifyVariable", false}})
    EXPECT_EQ(rig.debug()->button(name)->isEnabled(), enabled) << name;
  EXPECT_FALSE(rig.debug()->menu_action("mnuReset")->isEnabled() || rig.debug()->menu_action("mnuModifyVariable")->isEnabled());
  // The main window narrowed, the debug window and the variable window right of it, as high.
  EXPECT_EQ(testing::SideBySideFault(rig), "");
  EXPECT_EQ(rig.debug()->geometry().height(), rig.window->geometry().height());
  EXPECT_EQ(rig.variables()->windowTitle().toStdString(), "Check Variable");
}

INSTANTIATE_TEST_SUITE_P(Cables, BreakOnCable, ::testing::Values(Cable::kUsb, Cable::kRevB),
                         [](const auto& i) { return std::string(i.param == Cable::kUsb ? "Usb" : "RevB"); });

TEST(DebugWindow, SteppingAndModifyingOnAVnmModule) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(dir.Doc("prog.bas", kProgramVnm));
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 6);
  DebugWindow& w = *rig.debug();
  EXPECT_TRUE(w.button("cmdStepOver")->isEnabled() && w.menu_action("mnuReset")->isEnabled());
  // A button's tip names its menu item's keys.
  for (const auto& [item, button] : {std::pair{"mnuStepOut", "cmdStepOut"}, {"mnuSingleStepinto", "cmdStepInto"}})
    EXPECT_EQ(w.button(button)->toolTip(), w.button(button)->text() + " (" + w.menu_action(item)->shortcut().toString(QKeySequence::NativeText) + ")");
  w.activateWindow();  // F8 in the debug window: a plain statement, one step
  QApplication::processEvents();
  QTest::keyClick(&w, Qt::Key_F8);
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.Line(), 7);
  EXPECT_EQ(rig.RowText(), "GOSUB BUMP");
  EXPECT_EQ(rig.debug()->PanelText(2).toStdString(), " Object Code : 89");
  ASSERT_TRUE(rig.Click("cmdStepOver"));  // the GOSUB runs whole
  EXPECT_EQ(rig.Line(), 8);
  EXPECT_EQ(rig.RowText(), "IF FLAG = 0 THEN GOTO AGAIN");
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 2, "2"));
  for (int line : {8, 6, 7, 13}) ASSERT_TRUE(rig.Click("cmdStepInto") && rig.Line() == line) << line << " " << rig.Line();
  ASSERT_TRUE(rig.Click("cmdStepOut"));
  EXPECT_EQ(rig.Line(), 8);
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 4, "4"));
  // Reset: the first instruction, the variables cleared.
  rig.debug()->menu_action("mnuReset")->trigger();
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.Line(), 3);
  EXPECT_EQ(rig.RowText(), "N = 1");
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 0, "0"));
  EXPECT_TRUE(rig.script.shown.empty());
  // The debug window's Modify Variable: modal; an unknown name first, then K.
  rig.on_modal = [&](QDialog& d) {
    auto& m = dynamic_cast<ModifyVariableDialog&>(d);
    // Owned by the debug window: closing it gives the focus back there, not to the main window.
    EXPECT_TRUE(m.isModal() && m.parentWidget() == rig.debug());
    EXPECT_EQ(m.windowTitle().toStdString(), "Modify Variable");
    m.name_box()->setText("nothing");
    m.value_box()->setText("5");
    m.ok_button()->click();
    EXPECT_TRUE(m.isVisible());  // the dialog stays for another try
    m.name_box()->setText("k");
    m.value_box()->setText("100");
    QTest::keyClick(m.value_box(), Qt::Key_Return);  // Enter is Ok
    EXPECT_FALSE(m.isVisible());
  };
  rig.debug()->button("cmdModifyVariable")->click();
  EXPECT_EQ(rig.modal_dialogs, 1);
  EXPECT_EQ(Shown(rig), "Variable Not Found : NOTHING|VARNOLIC Studio ERROR !|64");
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 100, "64"));
  // The module has it: read back after the next step (N = 1).
  ASSERT_TRUE(rig.Click("cmdStepInto"));
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 100, "64"));
  // The main menu's Modify Variable: a window of its own, not modal; asked again, the same one.
  for (int i = 0; i < 2; ++i) rig.Trigger("mnuModifyVariable");
  const auto dialogs = rig.window->findChildren<ModifyVariableDialog*>();
  ASSERT_EQ(dialogs.size(), 1);
  EXPECT_TRUE(dialogs[0]->isVisible() && !dialogs[0]->isModal());
  EXPECT_EQ(rig.modal_dialogs, 1);
  // Exit with the cable gone: said, and the window put back all the same.
  rig.devices.virtual_usb()->faults().unplugged = true;
  rig.debug()->menu_action("mnuExit")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Shown(rig), "Variable Not Found : NOTHING|VARNOLIC Studio ERROR !|64\n"
                        "VARNOLIC module not found ! Check cable or power|VARNOLIC Studio ERROR !|64");
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_EQ(rig.window->width(), kMainWidth);
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  EXPECT_EQ(rig.dbg().InDebug, 0);
}

// Exit, the close box, Run and closing the main window all end a session and put the main window
// back exactly.
TEST(DebugWindow, ExitRestoresTheMainWindowsWidth) {
  ScratchDir dir;
  {
    DebugRig rig(dir);
    rig.RunProgram(dir.Doc("prog.bas", kProgram));
    const QRect before(40, 30, kMainWidth, 600);
    ASSERT_EQ(rig.window->geometry(), before);
    ASSERT_TRUE(rig.WatchForStop());
    EXPECT_EQ(rig.session->narrowed_by(), kMainWidth - rig.window->width());
    ASSERT_TRUE(rig.Click("cmdExit"));
    EXPECT_FALSE(rig.DebugOpen() || rig.variables()->isVisible());
    EXPECT_EQ(rig.window->geometry(), before);  // no width given back by arithmetic
    EXPECT_EQ(rig.session->narrowed_by(), 0);
    EXPECT_TRUE(rig.window->break_timer()->isActive());
    EXPECT_EQ(rig.module().commands().back(), link::CmdReset);  // the VN series leaves with &HE2
    // The program starts over and stops at its BREAK again; the close box leaves the same way.
    ASSERT_TRUE(rig.WatchForStop());
    EXPECT_EQ(rig.Line(), 5);
    rig.window->studio().SwitchLanguage();  // a window on its way out is not redrawn
    rig.debug()->close();
    QApplication::processEvents();
    EXPECT_EQ(rig.debug()->StateText(), "Stopped at line 5");
    EXPECT_FALSE(rig.DebugOpen());
    EXPECT_EQ(rig.window->geometry(), before);
    EXPECT_TRUE(rig.window->break_timer()->isActive());
    // Run in a session ends it first; the new download stops at its BREAK again.
    ASSERT_TRUE(rig.WatchForStop());
    rig.Trigger("mnuRun");
    EXPECT_TRUE(rig.script.shown.empty());
    EXPECT_FALSE(rig.DebugOpen());
    EXPECT_EQ(rig.window->geometry(), before);
    ASSERT_TRUE(rig.WatchForStop());
    ASSERT_LT(rig.window->width(), kMainWidth);
    // Closing the main window ends it as Exit does (the module is not left stopped) and stores
    // the placement from before the session.
    const size_t sent = rig.module().commands().size();
    rig.window->close();
    QApplication::processEvents();
    EXPECT_FALSE(rig.DebugOpen());
    ASSERT_GT(rig.module().commands().size(), sent);
    EXPECT_EQ(rig.module().commands().back(), link::CmdReset);
  }
  core::RegistryStore reg(dir.registry_path());
  for (const auto& [key, value] : {std::pair{"windowstate", "0"}, {"left", "600"}, {"top", "450"}, {"width", "15000"}, {"height", "9000"}})
    EXPECT_EQ(reg.ReadString(kWindowKey, key, -1), value) << key;
}

constexpr char kBpProgram[] = "DIM K AS BYTE\r\nK = 1\r\n' count\r\nK = K + 2\r\nDONE: GOTO DONE\r\n";

// The centre of the breakpoint margin on a zero-based line, in the editor's viewport.
QPoint MarginPoint(CodeEditor& e, int line) {
  const long pos = e.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const int y = static_cast<int>(e.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos));
  return {e.marginWidth(0) + e.marginWidth(1) + e.marginWidth(2) / 2, y + e.textHeight(line) / 2};
}

TEST(Breakpoints, TheMarginClickAndF9ToggleTheLineAndTheMarksFollowEdits) {
  ScratchDir dir;
  WindowRig rig(dir);
  const std::string path = dir.Doc("prog.bas", kBpProgram);
  rig.Start(path);
  CodeEditor& e = rig.window->editor();
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, MarginPoint(e, 1));
  // Clicking the bookmark margin still sets a bookmark, not a breakpoint.
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(e.marginWidth(1) / 2, MarginPoint(e, 4).y()));
  EXPECT_EQ(e.Bookmarks(), std::vector<int>{4});
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{1});
  e.setCursorPosition(3, 0);
  rig.Trigger("mnuToggleBreakpoint");
  EXPECT_EQ(e.BreakpointLines(), (std::vector<int>{1, 3}));
  EXPECT_EQ(rig.window->breakpoints().Lines(), (std::vector<int>{2, 4}));
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "2,4");
  // The margin click on a marked line takes it off again.
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, MarginPoint(e, 1));
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{3});
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "4");
  rig.Trigger("mnuToggleBreakpoint");
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "");
  EXPECT_TRUE(e.BreakpointLines().empty());
  // The markers follow deleted and inserted lines. Set as the user sets them: the first change of
  // the text after a toggle once crashed the window.
  for (int line : {1, 3}) rig.window->breakpoints().Toggle(line);
  e.setSelection(2, 0, 3, 0);  // the comment line between the marks
  e.removeSelectedText();
  EXPECT_EQ(e.BreakpointLines(), (std::vector<int>{1, 2}));
  e.insertAt(QStringLiteral("' a comment\n' another\n"), 0, 0);
  EXPECT_EQ(e.BreakpointLines(), (std::vector<int>{3, 4}));
  EXPECT_EQ(rig.window->breakpoints().Lines(), (std::vector<int>{4, 5}));
}

TEST(Breakpoints, TheyAreKeptPerFileAndComeBackWhenTheFileIsOpened) {
  ScratchDir dir;
  const std::string first = dir.Doc("first.bas", kBpProgram), second = dir.Doc("second.bas", kBpProgram);
  {
    WindowRig rig(dir);
    rig.Start(first);
    for (int line : {4, 1}) rig.window->breakpoints().Toggle(line);
    rig.open_names.push_back(second);
    rig.Trigger("mnuOpen");
    EXPECT_TRUE(rig.window->editor().BreakpointLines().empty());  // the other file has none of them
    rig.window->breakpoints().Toggle(2);
    rig.window->editor().insertAt(QStringLiteral("\n"), 0, 0);  // the mark moved, kept by Save
    rig.Trigger("mnuSave");
    EXPECT_EQ(rig.ini.Find(kBreakpointsSection, second), "4");
  }
  // The settings file as another start of the program reads it.
  EXPECT_NE(ReadAll(dir.ini_path()).find("[Breakpoints]\n" + first + "=2,5\n"), std::string::npos) << ReadAll(dir.ini_path());
  WindowRig again(dir);
  again.Start(first);
  EXPECT_EQ(again.window->editor().BreakpointLines(), (std::vector<int>{1, 4}));
  again.open_names.push_back(second);
  again.Trigger("mnuOpen");
  EXPECT_EQ(again.window->editor().BreakpointLines(), std::vector<int>{3});
  // A hand-edited list: blanks, repeats, disorder; what is not a line from 1 up is skipped.
  EXPECT_EQ(ParseLines(" 9, 3,3,x,0,-4,,7y, 12 "), (std::vector<int>{3, 9, 12}));
  EXPECT_EQ(JoinLines({2, 5, 17}), "2,5,17");
}

// The module kind on the USB cable, the program's first lines (`shift` of them), the code size.
struct SeriesCase { const char* name; int kind; std::string prefix; int shift; const char* code_size; };

class RunOnSeries : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(RunOnSeries, RunStopsAtTheMarkedLineAndMovesTheMarkThatHadNoStatement) {
  const SeriesCase& s = GetParam();
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, s.kind));
  const std::string path = dir.Doc("prog.bas", s.prefix + kBpProgram);
  rig.Start(path);
  rig.window->setGeometry(40, 30, 1000, 600);
  CodeEditor& e = rig.window->editor();
  rig.window->breakpoints().Toggle(2 + s.shift);  // the comment: goes to the statement after it
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  const int moved_to = 4 + s.shift;
  EXPECT_EQ(rig.window->PanelText(2).toStdString(), std::string("Code Size : ") + s.code_size + " Byte - breakpoint at line " +
                                                        std::to_string(3 + s.shift) + " moved to line " + std::to_string(moved_to));
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{moved_to - 1});
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), std::to_string(moved_to));
  EXPECT_EQ(ReadAll(path), s.prefix + kBpProgram);  // the source untouched
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), moved_to);
  EXPECT_EQ(rig.RowText(), "K = K + 2");
  EXPECT_EQ(rig.VariableRow("K"), testing::ByteRow("K", 1, "1"));
  // Toggling now changes the next Run's code, not this one's.
  rig.window->breakpoints().Toggle(1 + s.shift);
  EXPECT_EQ(rig.window->PanelText(2), "The breakpoint takes effect at the next Run");
  EXPECT_EQ(e.BreakpointLines(), (std::vector<int>{1 + s.shift, moved_to - 1}));
}

INSTANTIATE_TEST_SUITE_P(Series, RunOnSeries,
                         ::testing::Values(SeriesCase{"KF", 1, "", 0, "2E"}, SeriesCase{"WF", 2, "CONST DEVICE = WF\r\n", 1, "31"}),
                         [](const ::testing::TestParamInfo<SeriesCase>& i) { return std::string(i.param.name); });

// The text position of the first occurrence of `word` on a zero-based line.
int PositionOf(CodeEditor& e, int line, const QString& word) {
  return e.positionFromLineIndex(line, static_cast<int>(e.text(line).indexOf(word)));
}

TEST(Breakpoints, RunToCursorStopsThereOnceAndTheVariablesShowTheirValues) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.Start(dir.Doc("prog.bas", "CONST DEVICE = WF\r\nDIM K AS BYTE, COUNT AS INTEGER\r\nK = 5\r\nCOUNT = 300\r\n"
                                "K = K + 2\r\nDONE: GOTO DONE\r\n"));
  rig.window->setGeometry(40, 30, 1000, 600);
  CodeEditor& e = rig.window->editor();
  const int k = PositionOf(e, 4, QStringLiteral("K"));
  e.setCursorPosition(4, 0);
  rig.Trigger("mnuRunToCursor");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_TRUE(e.BreakpointLines().empty());
  const QString with_stop = rig.window->PanelText(2);
  EXPECT_EQ(e.HoverTextAt(k), "");  // running: no tip
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.RowText(), "K = K + 2");
  emit e.SCN_DWELLSTART(k, 20, 20);  // the mouse resting there
  EXPECT_EQ(QToolTip::text(), "K : 5 5H");
  emit e.SCN_DWELLEND(k, 20, 20);
  // Names whole (K is not the start of another name); a keyword, a label, nothing: no tip.
  for (const auto& [line, word, tip] : {std::tuple{3, "COUNT", "COUNT : 300 12CH"}, {1, "K", "K : 5 5H"}, {5, "GOTO", ""}, {5, "DONE", ""}})
    EXPECT_EQ(e.HoverTextAt(PositionOf(e, line, QString::fromLatin1(word))), tip) << word;
  EXPECT_EQ(e.HoverTextAt(-1), "");
  // Exit: the program runs on to its end loop, stops nowhere else, and shows no tips.
  ASSERT_TRUE(rig.Click("cmdExit"));
  EXPECT_EQ(e.HoverTextAt(k), "");
  EXPECT_FALSE(rig.WatchForStop(4));
  // The next Run has no stop there: one byte less code.
  rig.Trigger("mnuRun");
  const QString plain = rig.window->PanelText(2);
  ASSERT_TRUE(with_stop.startsWith("Code Size : ") && with_stop.endsWith(" Byte") && plain.endsWith(" Byte")) << with_stop.toStdString();
  EXPECT_EQ(with_stop.mid(12).chopped(5).toInt(nullptr, 16), plain.mid(12).chopped(5).toInt(nullptr, 16) + 1);
  EXPECT_FALSE(rig.WatchForStop(4));
}

// Title bars and borders as a window manager draws them.
DebugLayoutInput Input(QRect area, QRect main_frame, int main_min = 500) {
  const QMargins frame(1, 20, 1, 4);
  return {area, main_frame, {frame, QSize(main_min, 200), 0}, {frame, QSize(400, 150), 500}, {frame, QSize(150, 100), 360}};
}
std::string Text(const QRect& r) {
  return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

TEST(DebugLayout, FramesSideBySideOnTheFreeArea) {
  const struct { const char* what; DebugLayoutInput in; QRect main, debug, variable; bool overlapping; } cases[] = {
      {"room enough: the main window keeps its width and place",
       Input({0, 0, 1920, 1040}, {100, 100, 700, 400}), {100, 100, 700, 400}, {800, 100, 502, 400}, {1302, 100, 362, 400}, false},
      {"near the right and bottom edges: the row moves onto the screen",
       Input({0, 0, 1920, 1040}, {1500, 700, 700, 400}), {356, 640, 700, 400}, {1056, 640, 502, 400}, {1558, 640, 362, 400}, false},
      {"from a maximized window: the whole area, the main window narrowed",
       Input({0, 28, 1366, 740}, {0, 28, 1366, 740}), {0, 28, 502, 740}, {502, 28, 502, 740}, {1004, 28, 362, 740}, false},
      {"the main window's minimum wins: the others give up their extra width",
       Input({0, 0, 1366, 740}, {228, 123, 912, 520}, 700), {0, 123, 702, 520}, {702, 123, 402, 520}, {1104, 123, 262, 520}, false},
      {"taller than the area: as high as the area",
       Input({0, 0, 1920, 740}, {0, -30, 800, 900}), {0, 0, 800, 740}, {800, 0, 502, 740}, {1302, 0, 362, 740}, false},
      {"a screen too narrow for three: the debug window over the main window only",
       Input({0, 0, 1024, 768}, {100, 100, 700, 400}), {0, 100, 662, 400}, {0, 100, 662, 400}, {662, 100, 362, 400}, true},
  };
  for (const auto& c : cases) {
    const DebugLayout out = PlaceDebugWindows(c.in);
    EXPECT_EQ(std::tuple(Text(out.main), Text(out.debug), Text(out.variable), out.overlapping),
              std::tuple(Text(c.main), Text(c.debug), Text(c.variable), c.overlapping)) << c.what;
  }
}

}  // namespace
}  // namespace vn::shell
