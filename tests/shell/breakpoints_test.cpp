// Breakpoints in the IDE: the margin and F9, markers that follow the edits, the settings kept
// per file, Run stopping on the marked lines of the virtual module on both series, the moved
// ones said in the status bar, Run to Cursor, and the variable tips at a stop.
#include <gtest/gtest.h>

#include <QTest>
#include <QToolTip>

#include "debug_fixtures.h"
#include "shell/breakpoints.h"
#include "shell/code_editor.h"

namespace vn::shell {
namespace {

using testing::DebugRig;
using testing::ReadAll;
using testing::ScratchDir;
using testing::VirtualCable;
using testing::WindowRig;
using testing::WriteAll;
using Cable = CableChoice::Cable;

constexpr char kProgram[] =
    "DIM K AS BYTE\r\n"     // 1
    "K = 1\r\n"             // 2
    "' count\r\n"           // 3
    "K = K + 2\r\n"         // 4
    "DONE: GOTO DONE\r\n";  // 5

std::string Source(const ScratchDir& dir, const std::string& text, const char* name = "prog.bas") {
  const std::string path = dir.Doc(name);
  WriteAll(path, text);
  return path;
}

void Caret(CodeEditor& e, int line) { e.setCursorPosition(line, 0); }

// The centre of the breakpoint margin on a zero-based line, in the editor's viewport.
QPoint MarginPoint(CodeEditor& e, int line) {
  const long pos = e.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const int y = static_cast<int>(e.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos));
  const int x = e.marginWidth(0) + e.marginWidth(1) + e.marginWidth(2) / 2;
  return {x, y + e.textHeight(line) / 2};
}

// ---- Setting them ------------------------------------------------------------------------------

TEST(Breakpoints, TheMarginClickAndF9ToggleTheLineAndTheSettingsFollow) {
  ScratchDir dir;
  WindowRig rig(dir);
  const std::string path = Source(dir, kProgram);
  rig.Start(path);
  CodeEditor& e = rig.window->editor();
  ASSERT_GT(e.marginWidth(2), 0);

  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, MarginPoint(e, 1));
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{1});
  // Clicking the bookmark margin still sets a bookmark, not a breakpoint.
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(e.marginWidth(1) / 2, MarginPoint(e, 4).y()));
  EXPECT_EQ(e.Bookmarks(), std::vector<int>{4});
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{1});

  Caret(e, 3);
  EXPECT_EQ(rig.window->action("mnuToggleBreakpoint")->shortcut(), QKeySequence(Qt::Key_F9));
  rig.Trigger("mnuToggleBreakpoint");
  EXPECT_EQ(e.BreakpointLines(), (std::vector<int>{1, 3}));
  EXPECT_EQ(rig.window->breakpoints().Lines(), (std::vector<int>{2, 4}));
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "2,4");

  // The margin click on a marked line takes it off again.
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, MarginPoint(e, 1));
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{3});
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "4");
  rig.Trigger("mnuToggleBreakpoint");
  EXPECT_TRUE(e.BreakpointLines().empty());
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "");
}

TEST(Breakpoints, MarkersFollowInsertedAndDeletedLines) {
  ScratchDir dir;
  WindowRig rig(dir);
  rig.Start(Source(dir, kProgram));
  CodeEditor& e = rig.window->editor();
  e.SetBreakpoints({1, 3});
  e.insertAt(QStringLiteral("' a comment\n' another\n"), 0, 0);
  EXPECT_EQ(e.BreakpointLines(), (std::vector<int>{3, 5}));
  EXPECT_EQ(rig.window->breakpoints().Lines(), (std::vector<int>{4, 6}));
  e.setSelection(4, 0, 5, 0);  // the comment line between the marks
  e.removeSelectedText();
  EXPECT_EQ(e.BreakpointLines(), (std::vector<int>{3, 4}));
}

TEST(Breakpoints, TheyAreKeptPerFileAndComeBackWhenTheFileIsOpened) {
  ScratchDir dir;
  const std::string first = Source(dir, kProgram, "first.bas");
  const std::string second = Source(dir, kProgram, "second.bas");
  {
    WindowRig rig(dir);
    rig.Start(first);
    CodeEditor& e = rig.window->editor();
    for (int line : {4, 1}) rig.window->breakpoints().Toggle(line);
    rig.open_names.push_back(second);
    rig.Trigger("mnuOpen");
    // The other file has none of them.
    EXPECT_TRUE(e.BreakpointLines().empty());
    rig.window->breakpoints().Toggle(2);
    // An edit that moves the mark is kept when the document is saved.
    e.insertAt(QStringLiteral("\n"), 0, 0);
    rig.Trigger("mnuSave");
    EXPECT_EQ(rig.ini.Find(kBreakpointsSection, second), "4");
  }
  // The settings file as another start of the program reads it.
  const std::string ini = ReadAll(dir.ini_path());
  EXPECT_NE(ini.find("[Breakpoints]"), std::string::npos) << ini;
  EXPECT_NE(ini.find(first + "=2,5"), std::string::npos) << ini;
  WindowRig again(dir);
  again.Start(first);
  EXPECT_EQ(again.window->editor().BreakpointLines(), (std::vector<int>{1, 4}));
  again.open_names.push_back(second);
  again.Trigger("mnuOpen");
  EXPECT_EQ(again.window->editor().BreakpointLines(), std::vector<int>{3});
}

TEST(Breakpoints, LineListsReadBackAsWritten) {
  EXPECT_EQ(JoinLines({2, 5, 17}), "2,5,17");
  EXPECT_EQ(ParseLines("2,5,17"), (std::vector<int>{2, 5, 17}));
  // Hand-edited values: blanks, repeats, disorder; what is not a line from 1 up is skipped.
  EXPECT_EQ(ParseLines(" 9, 3,3,x,0,-4,,7y, 12 "), (std::vector<int>{3, 9, 12}));
  EXPECT_TRUE(ParseLines("").empty());
}

// ---- Run with them -----------------------------------------------------------------------------

struct SeriesCase {
  const char* name;
  Cable cable;
  int kind;
  std::string prefix;  // the program's first lines
  int shift;           // lines the prefix adds
  const char* code_size;
};

class RunOnSeries : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(RunOnSeries, RunStopsAtTheMarkedLineAndMovesTheMarkThatHadNoStatement) {
  const SeriesCase& s = GetParam();
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(s.cable, s.kind));
  const std::string path = Source(dir, s.prefix + kProgram);
  rig.Start(path);
  rig.window->setGeometry(40, 30, 1000, 600);
  CodeEditor& e = rig.window->editor();
  // The comment line: the breakpoint goes to the statement after it.
  rig.window->breakpoints().Toggle(2 + s.shift);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  const int moved_to = 4 + s.shift;
  EXPECT_EQ(rig.window->PanelText(2).toStdString(),
            std::string("Code Size : ") + s.code_size + " Byte - breakpoint at line " + std::to_string(3 + s.shift) +
                " moved to line " + std::to_string(moved_to));
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{moved_to - 1});
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), std::to_string(moved_to));
  // The source is untouched.
  EXPECT_EQ(ReadAll(path), s.prefix + kProgram);

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
                         ::testing::Values(SeriesCase{"KF", Cable::kUsb, 1, "", 0, "2E"},
                                           SeriesCase{"WF", Cable::kUsb, 2, "CONST DEVICE = WF\r\n", 1, "31"}),
                         [](const ::testing::TestParamInfo<SeriesCase>& i) { return std::string(i.param.name); });

TEST(Breakpoints, RunToCursorStopsThereOnceAndKeepsNoMark) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.Start(Source(dir, std::string("CONST DEVICE = WF\r\n") + kProgram));
  rig.window->setGeometry(40, 30, 1000, 600);
  CodeEditor& e = rig.window->editor();
  Caret(e, 4);  // "K = K + 2"
  EXPECT_EQ(rig.window->action("mnuRunToCursor")->shortcut(), QKeySequence(QStringLiteral("Ctrl+F10")));
  rig.Trigger("mnuRunToCursor");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_TRUE(e.BreakpointLines().empty());
  EXPECT_EQ(rig.window->PanelText(2), "Code Size : 31 Byte");
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 5);
  EXPECT_EQ(rig.RowText(), "K = K + 2");
  // Leaving the stop: the program runs on to its end loop and stops nowhere else.
  ASSERT_TRUE(rig.Click("cmdExit"));
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_FALSE(rig.WatchForStop(4));
  // The next Run has no breakpoint there.
  rig.Trigger("mnuRun");
  EXPECT_EQ(rig.window->PanelText(2), "Code Size : 30 Byte");
  EXPECT_FALSE(rig.WatchForStop(4));
}

TEST(Breakpoints, OneAfterTheLastStatementIsNotSetAndSaysSoInKorean) {
  ScratchDir dir;
  DebugRig rig(dir);
  const std::string path = Source(dir, std::string(kProgram) + "' the end\r\n");
  rig.Start(path);
  rig.window->studio().SwitchLanguage();  // the menus and messages in Korean
  CodeEditor& e = rig.window->editor();
  rig.window->breakpoints().Toggle(5);  // the closing comment
  rig.window->breakpoints().Toggle(1);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_EQ(rig.window->PanelText(2).toStdString(), "Code Size : 2E Byte - 6행의 중단점: 그 뒤로 문장이 없어 놓지 못했습니다");
  // Its mark is gone; the other stays.
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{1});
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "2");
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 2);
  rig.window->breakpoints().Toggle(3);
  EXPECT_EQ(rig.window->PanelText(2).toStdString(), "중단점은 다음 실행부터 적용됩니다");
}

// ---- The variable tips -------------------------------------------------------------------------

// The text position of the first occurrence of `word` on a zero-based line.
int PositionOf(CodeEditor& e, int line, const QString& word) {
  return e.positionFromLineIndex(line, static_cast<int>(e.text(line).indexOf(word)));
}

TEST(Breakpoints, AtAVnmStopTheVariableUnderTheMouseShowsItsValue) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.Start(Source(dir, "CONST DEVICE = WF\r\nDIM K AS BYTE, COUNT AS INTEGER\r\nK = 5\r\nCOUNT = 300\r\n"
                        "K = K + 2\r\nDONE: GOTO DONE\r\n"));
  rig.window->setGeometry(40, 30, 1000, 600);
  CodeEditor& e = rig.window->editor();
  const int k = PositionOf(e, 4, QStringLiteral("K"));
  // Running: no tip.
  rig.window->breakpoints().Toggle(4);
  rig.Trigger("mnuRun");
  EXPECT_EQ(e.HoverTextAt(k), "");
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(e.HoverTextAt(k), "K : 5 5H");
  // The mouse resting there shows it as the tip.
  emit e.SCN_DWELLSTART(k, 20, 20);
  EXPECT_EQ(QToolTip::text(), "K : 5 5H");
  emit e.SCN_DWELLEND(k, 20, 20);
  EXPECT_EQ(e.HoverTextAt(PositionOf(e, 3, QStringLiteral("COUNT"))), "COUNT : 300 12CH");
  // Names are matched without regard to case, and whole: "K" is not the start of another name.
  EXPECT_EQ(e.HoverTextAt(PositionOf(e, 1, QStringLiteral("K"))), "K : 5 5H");
  // A keyword, a label and a blank are no variables.
  EXPECT_EQ(e.HoverTextAt(PositionOf(e, 5, QStringLiteral("GOTO"))), "");
  EXPECT_EQ(e.HoverTextAt(PositionOf(e, 5, QStringLiteral("DONE"))), "");
  EXPECT_EQ(e.HoverTextAt(-1), "");
  // After Exit the program runs again: no tip.
  ASSERT_TRUE(rig.Click("cmdExit"));
  EXPECT_EQ(e.HoverTextAt(k), "");
}

}  // namespace
}  // namespace vn::shell
