// Breakpoints in the IDE: the margin and F9, markers following edits, the settings per file, Run
// stopping on the marked lines on both series, Run to Cursor, and the variable tips at a stop.
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
using testing::Source;
using Cable = CableChoice::Cable;

constexpr char kProgram[] = "DIM K AS BYTE\r\nK = 1\r\n' count\r\nK = K + 2\r\nDONE: GOTO DONE\r\n";

// The centre of the breakpoint margin on a zero-based line, in the editor's viewport.
QPoint MarginPoint(CodeEditor& e, int line) {
  const long pos = e.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const int y = static_cast<int>(e.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos));
  return {e.marginWidth(0) + e.marginWidth(1) + e.marginWidth(2) / 2, y + e.textHeight(line) / 2};
}

TEST(Breakpoints, TheMarginClickAndF9ToggleTheLine) {
  ScratchDir dir;
  WindowRig rig(dir);
  const std::string path = Source(dir, kProgram);
  rig.Start(path);
  CodeEditor& e = rig.window->editor();
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, MarginPoint(e, 1));
  // Clicking the bookmark margin still sets a bookmark, not a breakpoint.
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(e.marginWidth(1) / 2, MarginPoint(e, 4).y()));
  EXPECT_EQ(e.Bookmarks(), std::vector<int>{4});
  EXPECT_EQ(e.BreakpointLines(), std::vector<int>{1});
  e.setCursorPosition(3, 0);
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
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "");
  EXPECT_TRUE(e.BreakpointLines().empty());
}

TEST(Breakpoints, MarkersFollowDeletedAndInsertedLines) {
  ScratchDir dir;
  WindowRig rig(dir);
  rig.Start(Source(dir, kProgram));
  CodeEditor& e = rig.window->editor();
  // Set as the user sets them: the first change of the text after a toggle once crashed the window.
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
  const std::string first = Source(dir, kProgram, "first.bas"), second = Source(dir, kProgram, "second.bas");
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
}

TEST(Breakpoints, LineListsReadBackAsWritten) {
  EXPECT_EQ(JoinLines({2, 5, 17}), "2,5,17");
  EXPECT_EQ(ParseLines(JoinLines({2, 5, 17})), (std::vector<int>{2, 5, 17}));
  // Hand-edited: blanks, repeats, disorder; what is not a line from 1 up is skipped.
  EXPECT_EQ(ParseLines(" 9, 3,3,x,0,-4,,7y, 12 "), (std::vector<int>{3, 9, 12}));
}

struct SeriesCase {
  const char* name;
  int kind;            // of the virtual module on the USB cable
  std::string prefix;  // the program's first lines, `shift` of them
  int shift;
  const char* code_size;
};

class RunOnSeries : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(RunOnSeries, RunStopsAtTheMarkedLineAndMovesTheMarkThatHadNoStatement) {
  const SeriesCase& s = GetParam();
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, s.kind));
  const std::string path = Source(dir, s.prefix + kProgram);
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
  EXPECT_EQ(ReadAll(path), s.prefix + kProgram);  // the source untouched
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

TEST(Breakpoints, OneAfterTheLastStatementIsNotSetAndSaysSoInKorean) {
  ScratchDir dir;
  DebugRig rig(dir);
  const std::string path = Source(dir, std::string(kProgram) + "' the end\r\n");
  rig.Start(path);
  rig.window->studio().SwitchLanguage();  // the menus and messages in Korean
  rig.window->breakpoints().Toggle(5);  // the closing comment
  rig.window->breakpoints().Toggle(1);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_EQ(rig.window->PanelText(2).toStdString(), "Code Size : 2E Byte - 6행의 중단점: 그 뒤로 문장이 없어 놓지 못했습니다");
  EXPECT_EQ(rig.window->editor().BreakpointLines(), std::vector<int>{1});  // its mark gone, the other kept
  EXPECT_EQ(rig.ini.Find(kBreakpointsSection, path), "2");
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 2);
  rig.window->breakpoints().Toggle(3);
  EXPECT_EQ(rig.window->PanelText(2).toStdString(), "중단점은 다음 실행부터 적용됩니다");
}

// The text position of the first occurrence of `word` on a zero-based line.
int PositionOf(CodeEditor& e, int line, const QString& word) {
  return e.positionFromLineIndex(line, static_cast<int>(e.text(line).indexOf(word)));
}

// Run to Cursor on a VNM module: one stop there, no mark kept; at the stop the variable under the
// mouse shows its value.
TEST(Breakpoints, RunToCursorStopsThereOnceAndTheVariablesShowTheirValues) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.Start(Source(dir, "CONST DEVICE = WF\r\nDIM K AS BYTE, COUNT AS INTEGER\r\nK = 5\r\nCOUNT = 300\r\n"
                        "K = K + 2\r\nDONE: GOTO DONE\r\n"));
  rig.window->setGeometry(40, 30, 1000, 600);
  CodeEditor& e = rig.window->editor();
  const int k = PositionOf(e, 4, QStringLiteral("K"));
  e.setCursorPosition(4, 0);
  EXPECT_EQ(rig.window->action("mnuRunToCursor")->shortcut(), QKeySequence(QStringLiteral("Ctrl+F10")));
  rig.Trigger("mnuRunToCursor");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_TRUE(e.BreakpointLines().empty());
  const QString with_stop = rig.window->PanelText(2);
  EXPECT_EQ(e.HoverTextAt(k), "");  // running: no tip
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.RowText(), "K = K + 2");
  EXPECT_EQ(e.HoverTextAt(k), "K : 5 5H");
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

}  // namespace
}  // namespace vn::shell
