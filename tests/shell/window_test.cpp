// The main window itself, on the offscreen platform: what a user sees and what the files hold
// after the user's commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "compiler/compiler.h"
#include "shell/code_editor.h"
#include "shell/message_box.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;

using ::testing::ElementsAre;
using testing::Lower;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WindowRig;
using testing::WriteAll;

TEST(MainWindow, TheFirstRunSizeIsTwoThirdsOfTheScreenCentred) {
  struct Case {
    QRect area, expected;
  };
  const Case cases[] = {
      {{0, 0, 1366, 768}, {228, 128, 910, 512}},
      {{0, 28, 1366, 740}, {228, 151, 910, 493}},
      {{1920, 0, 1024, 768}, {2091, 128, 682, 512}},
      {{0, 0, 800, 600}, {133, 100, 533, 400}},
  };
  for (const Case& c : cases) EXPECT_EQ(FirstRunGeometry(c.area), c.expected) << c.area.width();
}

TEST(MainWindow, CloseBoxAnswers) {
  for (int answer : {kAnswerCancel, kAnswerNo, kAnswerYes}) {
    ScratchDir dir;
    const std::string path = dir.Doc("prog.bas");
    WriteAll(path, "A = 1\r\n");
    WindowRig rig(dir);
    rig.Start(path);
    QTest::keyClicks(&rig.window->editor(), "X");
    EXPECT_EQ(rig.window->PanelText(4), "Modified");
    rig.script.answers = {answer};
    const bool closed = rig.Close();
    ASSERT_EQ(rig.script.shown.size(), 1u);
    EXPECT_EQ(rig.script.shown[0].text, "Document: VARNOLIC Studio [ " + Lower(path) + " ]\nDo you wish to save?");
    EXPECT_EQ(rig.script.shown[0].title, "Save");
    EXPECT_EQ(rig.script.shown[0].style, 35);
    EXPECT_EQ(closed, answer != kAnswerCancel) << answer;
    EXPECT_EQ(ReadAll(path), answer == kAnswerYes ? "XA = 1\r\n" : "A = 1\r\n") << answer;
    // The placement is written by a close that happens, and only then.
    EXPECT_EQ(fs::exists(dir.registry_path()), answer != kAnswerCancel) << answer;
  }
}

TEST(MainWindow, FileExitEndsAtOnceWithoutAskingOrWriting) {
  ScratchDir dir;
  const std::string path = dir.Doc("prog.bas");
  WriteAll(path, "A = 1\r\n");
  WindowRig rig(dir);
  rig.Start(path);
  QTest::keyClicks(&rig.window->editor(), "X");
  const std::string ini_before = ReadAll(dir.ini_path());
  rig.Trigger("mnuExit");
  EXPECT_EQ(rig.exits, 1);
  EXPECT_TRUE(rig.script.shown.empty());
  EXPECT_FALSE(fs::exists(dir.registry_path()));
  EXPECT_EQ(ReadAll(dir.ini_path()), ini_before);
  EXPECT_EQ(ReadAll(path), "A = 1\r\n");
}

TEST(MainWindow, ACompileErrorPutsTheCaretOnItsLine) {
  ScratchDir dir;
  const std::string path = dir.Doc("bad.bas");
  WriteAll(path, "DIM A AS BYTE\r\nA = 1\r\nA = = 2\r\nA = 3\r\n");
  WindowRig rig(dir);
  rig.Start(path);
  rig.Trigger("mnuSyntaxCheck");
  int line = -1, index = -1;
  rig.window->editor().getCursorPosition(&line, &index);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(index, 0);
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].title, "VARNOLIC Studio ERROR !");
  EXPECT_EQ(rig.script.shown[0].text, rig.window->studio().compiler().OutcomeText());
  EXPECT_EQ(rig.window->PanelText(3), "Ln 3, Col. 0, Lines 5");
  // The line stays highlighted until the text changes.
  EXPECT_TRUE(rig.window->editor().markersAtLine(2) & 2);
  QTest::keyClicks(&rig.window->editor(), "B");
  EXPECT_FALSE(rig.window->editor().markersAtLine(2) & 2);
  // Run compiles the same way, after saving.
  rig.script.shown.clear();
  rig.Trigger("mnuRun");
  rig.window->editor().getCursorPosition(&line, &index);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(ReadAll(path), "DIM A AS BYTE\r\nA = 1\r\nBA = = 2\r\nA = 3\r\n");
  EXPECT_EQ(rig.window->PanelText(2), "");
}

TEST(MainWindow, TheStatusBarFollowsTheCaretOnTheKeystrokeThatMovesIt) {
  ScratchDir dir;
  const std::string path = dir.Doc("typing.bas");
  WriteAll(path, "A = 1\r\nB = 22\r\n");
  WindowRig rig(dir);
  rig.Start(path);
  CodeEditor& e = rig.window->editor();
  e.setFocus();
  // Each key, then the panel as it must read right after that key (no later event).
  struct Step {
    Qt::Key key;
    char text;
    const char* panel;
  };
  const Step steps[] = {
      {Qt::Key_X, 'X', "Ln 1, Col. 1, Lines 3"},       {Qt::Key_Y, 'Y', "Ln 1, Col. 2, Lines 3"},
      {Qt::Key_Right, 0, "Ln 1, Col. 3, Lines 3"},     {Qt::Key_Down, 0, "Ln 2, Col. 3, Lines 3"},
      {Qt::Key_Backspace, 0, "Ln 2, Col. 2, Lines 3"}, {Qt::Key_Return, 0, "Ln 3, Col. 0, Lines 4"},
      {Qt::Key_Z, 'Z', "Ln 3, Col. 1, Lines 4"},       {Qt::Key_End, 0, "Ln 3, Col. 4, Lines 4"},
  };
  for (const Step& s : steps) {
    if (s.text != 0) QTest::keyClick(&e, s.text);
    else QTest::keyClick(&e, s.key);
    EXPECT_EQ(rig.window->PanelText(3).toStdString(), s.panel) << "after key " << s.key;
  }
  EXPECT_EQ(e.Text(), "XYA = 1\nB \nZ 22\n");
}

TEST(MainWindow, EditorBookmarksReplaceAllAndGotoLine) {
  ScratchDir dir;
  WindowRig rig(dir);
  rig.Start();
  CodeEditor& e = rig.window->editor();
  e.SetText("A = 1\nB = 2\nA = A + 1\nEND\n");
  for (int line : {2, 0}) {
    e.setCursorPosition(line, 0);
    rig.Trigger("mnuToggleBookmark");
  }
  EXPECT_THAT(e.Bookmarks(), ElementsAre(0, 2));
  for (int line : {2, 0}) {  // the second wraps to the first
    rig.Trigger("mnuNextBookmark");
    EXPECT_EQ(e.SelectionEndLine(), line);
  }
  rig.Trigger("mnuBookmarkclearall");
  EXPECT_TRUE(e.Bookmarks().empty());
  SearchOptions o;
  o.text = "a";
  o.replacement = "COUNT";
  o.whole_word = true;
  EXPECT_EQ(e.ReplaceAll(o), 3);
  EXPECT_EQ(e.Text(), "COUNT = 1\nB = 2\nCOUNT = COUNT + 1\nEND\n");
  e.undo();  // one step
  EXPECT_EQ(e.Text(), "A = 1\nB = 2\nA = A + 1\nEND\n");
  o.case_sensitive = true;
  EXPECT_EQ(e.ReplaceAll(o), 0);
  e.ask_line = [](int lines) { return lines == 5 ? 4 : 0; };
  rig.Trigger("mnuGotoLine");
  EXPECT_EQ(e.SelectionEndLine(), 3);
}

TEST(MessageBoxes, TheRealBoxHasTheTitleIconAndButtonsOfItsStyle) {
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    icon = box->icon();
    buttons = box->standardButtons();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(ShowMessageBox(nullptr, "Overwrite ? [x.bas] ", "VARNOLIC Studio", 51), kAnswerNo);
  EXPECT_EQ(title, "VARNOLIC Studio");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

}  // namespace
}  // namespace vn::shell
