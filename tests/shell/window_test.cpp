// The main window on the offscreen platform: what a user sees and what the files hold after the
// user's commands; the menus in both languages; and the window as drawn, with Korean menus, a
// coloured example and the virtual module's dock (the picture goes to the build tree's
// screenshots/ for the docs; under X, the shell_screenshot_xvfb test, it is the one to look at).
#include <gmock/gmock.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "core/message_table.h"
#include "debug_fixtures.h"
#include "shell/captions.h"
#include "shell/code_editor.h"
#include "shell/editor_settings.h"
#include "shell/message_box.h"
#include "shell/virtual_module_dock.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;

using ::testing::ElementsAre;
using namespace testing;

TEST(MainWindow, TheFirstRunSizeIsTwoThirdsOfTheScreenCentred) {
  const std::pair<QRect, QRect> cases[] = {{{0, 0, 1366, 768}, {228, 128, 910, 512}},
                                           {{1920, 0, 1024, 768}, {2091, 128, 682, 512}},
                                           {{0, 0, 800, 600}, {133, 100, 533, 400}}};
  for (const auto& [area, expected] : cases) EXPECT_EQ(FirstRunGeometry(area), expected) << area.width();
}

TEST(MainWindow, CloseBoxAnswersAndFileExit) {
  for (int answer : {kAnswerCancel, kAnswerNo, kAnswerYes, 0 /* File Exit */}) {
    ScratchDir dir;
    const std::string path = dir.Doc("prog.bas", "A = 1\r\n");
    WindowRig rig(dir);
    rig.Start(path);
    QTest::keyClicks(&rig.window->editor(), "X");
    EXPECT_EQ(rig.window->PanelText(4), "Modified");
    const std::string ini_before = ReadAll(dir.ini_path());
    if (answer == 0) {  // File Exit ends at once, without asking or writing
      rig.Trigger("mnuExit");
      EXPECT_EQ(rig.exits, 1);
      EXPECT_TRUE(rig.script.shown.empty());
      EXPECT_EQ(ReadAll(dir.ini_path()), ini_before);
    } else {
      rig.script.answers = {answer};
      EXPECT_EQ(rig.Close(), answer != kAnswerCancel) << answer;
      ASSERT_EQ(rig.script.shown.size(), 1u);
      EXPECT_EQ(rig.script.shown[0].text, "Document: VARNOLIC Studio [ " + Lower(path) + " ]\nDo you wish to save?");
      EXPECT_EQ(std::tie(rig.script.shown[0].title, rig.script.shown[0].style), std::tuple("Save", 35));
    }
    EXPECT_EQ(ReadAll(path), answer == kAnswerYes ? "XA = 1\r\n" : "A = 1\r\n") << answer;
    // The placement is written by a close that happens, and only then.
    EXPECT_EQ(fs::exists(dir.registry_path()), answer == kAnswerNo || answer == kAnswerYes) << answer;
  }
}

TEST(MainWindow, DeviceMenuCompileErrorStatusBarAndEditorCommands) {
  ScratchDir dir;
  WindowRig rig(dir);
  rig.Start(dir.Doc("wf.bas", "CONST DEVICE = WF\r\nDIM A AS BYTE\r\n"));
  const auto marked = [&] {
    std::string out;
    for (const core::DeviceInfo& item : core::kDevices)
      if (item.has_menu_item() && rig.window->action(item.menu_object)->isChecked()) out += std::string(item.code) + " ";
    return out;
  };
  EXPECT_EQ(marked(), "KF ");
  rig.Trigger("mnuSyntaxCheck");
  EXPECT_EQ(marked(), "WF ");
  rig.window->studio().SelectDevice("KF");
  EXPECT_EQ(marked(), "KF ");
  rig.open_names = {dir.Doc("bad.bas", "DIM A AS BYTE\r\nA = 1\r\nA = = 2\r\nA = 3\r\n")};
  rig.Trigger("mnuOpen");
  rig.script.shown.clear();
  rig.Trigger("mnuSyntaxCheck");
  CodeEditor& e = rig.window->editor();
  int row = -1, column = -1;
  e.getCursorPosition(&row, &column);
  EXPECT_EQ(std::tuple(row, column), std::tuple(2, 0));
  EXPECT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.window->PanelText(3), "Ln 3, Col. 0, Lines 5");
  EXPECT_TRUE(e.markersAtLine(2) & 2);  // highlighted until the text changes
  QTest::keyClicks(&e, "B");
  EXPECT_FALSE(e.markersAtLine(2) & 2);
  rig.script.answers = {kAnswerNo};
  rig.open_names = {dir.Doc("typing.bas", "A = 1\r\nB = 22\r\n")};
  rig.Trigger("mnuOpen");
  e.setFocus();
  e.setCursorPosition(0, 0);
  // Each key, then the panel as it must read right after that key (no later event).
  const struct { Qt::Key key; char text; const char* panel; } steps[] = {
      {Qt::Key_X, 'X', "Ln 1, Col. 1, Lines 3"},       {Qt::Key_Y, 'Y', "Ln 1, Col. 2, Lines 3"},
      {Qt::Key_Right, 0, "Ln 1, Col. 3, Lines 3"},     {Qt::Key_Down, 0, "Ln 2, Col. 3, Lines 3"},
      {Qt::Key_Backspace, 0, "Ln 2, Col. 2, Lines 3"}, {Qt::Key_Return, 0, "Ln 3, Col. 0, Lines 4"},
      {Qt::Key_Z, 'Z', "Ln 3, Col. 1, Lines 4"},       {Qt::Key_End, 0, "Ln 3, Col. 4, Lines 4"},
  };
  for (const auto& s : steps) {
    if (s.text != 0) QTest::keyClick(&e, s.text);
    else QTest::keyClick(&e, s.key);
    EXPECT_EQ(rig.window->PanelText(3).toStdString(), s.panel) << "after key " << s.key;
  }
  EXPECT_EQ(e.Text(), "XYA = 1\nB \nZ 22\n");
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
  SearchOptions o{QStringLiteral("a"), QStringLiteral("COUNT"), false, /*whole_word*/ true};
  EXPECT_EQ(e.ReplaceAll(o), 3);
  EXPECT_EQ(e.Text(), "COUNT = 1\nB = 2\nCOUNT = COUNT + 1\nEND\n");
  e.undo();  // one step
  EXPECT_EQ(e.Text(), "A = 1\nB = 2\nA = A + 1\nEND\n");
  e.ask_line = [](int lines) { return lines == 5 ? 4 : 0; };
  rig.Trigger("mnuGotoLine");
  EXPECT_EQ(e.SelectionEndLine(), 3);
}

TEST(MessageBoxes, EachStyleHasItsIconAndButtonsAndEscapeGivesItsAnswer) {
  using Box = QMessageBox;
  const std::tuple<int, Box::Icon, Box::StandardButtons, int> cases[] = {
      {0, Box::NoIcon, Box::Ok, kAnswerOk}, {16, Box::Critical, Box::Ok, kAnswerOk}, {64, Box::Information, Box::Ok, kAnswerOk},
      {35, Box::Question, Box::Yes | Box::No | Box::Cancel, kAnswerCancel},
      {51, Box::Warning, Box::Yes | Box::No | Box::Cancel, kAnswerCancel},
  };
  for (const auto& [style, icon, buttons, escape] : cases) {
    std::tuple<QString, Box::Icon, Box::StandardButtons> seen;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = {box->windowTitle(), box->icon(), box->standardButtons()};
      QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "Overwrite ? [x.bas] ", "VARNOLIC Studio", style), escape) << style;
    EXPECT_EQ(seen, std::tuple(QString("VARNOLIC Studio"), icon, buttons)) << style;
  }
  EXPECT_EQ(LookOfStyle(35).default_button, Box::Yes);
  EXPECT_EQ(std::tuple(AnswerOf(Box::Yes), AnswerOf(Box::No), AnswerOf(Box::Cancel), AnswerOf(Box::Ok)),
            std::tuple(kAnswerYes, kAnswerNo, kAnswerCancel, kAnswerOk));
}

TEST(Language, TheSwitchRecaptionsEveryItemAndWritesTheKeyButTableMessagesKeepTheStartUpLanguage) {
  ScratchDir dir;
  IdeDebugRig rig(dir, testing::kVirtualUsb);
  rig.Start(dir.Doc("bad.bas", "A = = 1\r\n"));
  MainWindow& w = *rig.window;
  const auto expect_captions = [&](bool korean) {
    for (const MenuEntry& e : kMenuTable) {
      if (e.kind == MenuKind::kTop) {
        ASSERT_NE(w.menu(e.name), nullptr) << e.name;
        EXPECT_EQ(w.menu(e.name)->title(), QString::fromUtf8(korean ? e.korean : e.english)) << e.name;
      } else if (e.kind == MenuKind::kItem) {
        QAction* a = w.action(e.name);
        ASSERT_NE(a, nullptr) << e.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(korean ? e.korean : e.english)) << e.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(e.shortcut))) << e.name;
        const bool variable_item = std::string_view(e.name) == "mnuCheckVariable" ||
                                   std::string_view(e.name) == "mnuModifyVariable";
        EXPECT_EQ(a->isEnabled(), !variable_item) << e.name << " has no handler";
      }
    }
  };
  expect_captions(false);
  EXPECT_FALSE(rig.ini.Find("MenuSetting", "Korean").has_value());
  rig.Trigger("mnuUseKoreanMenu");
  expect_captions(true);
  EXPECT_EQ(rig.ini.Find("MenuSetting", "Korean"), "-1");
  EXPECT_TRUE(w.studio().UseKorean);
  EXPECT_EQ(w.studio().StartupLanguage(), core::LanguageOf(false));
  rig.Trigger("mnuViewLabelList");
  rig.Trigger("mnuSyntaxCheck");
  ASSERT_EQ(rig.script.shown.size(), 2u);
  EXPECT_EQ(rig.script.shown[0].text, "No compile infomation ! Try Run !");
  const auto& message = w.studio().compiler().Outcome.message;
  EXPECT_EQ(rig.script.shown[1].text, message.ko);
  EXPECT_NE(message.en, message.ko);
  rig.Trigger("mnuUseKoreanMenu");
  expect_captions(false);
  EXPECT_EQ(rig.ini.Find("MenuSetting", "Korean"), "0");
  EXPECT_FALSE(w.studio().UseKorean);
  // A Korean start keeps its rows in Korean; before the start-up has read it they follow the switch.
  EXPECT_EQ(shell::ShownMessage({core::MessageCode::kModuleNotFound}, core::LanguageOf(true), false).text,
            "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!");
  EXPECT_EQ(shell::ShownMessage({core::MessageCode::kNoCompileInfo}, std::nullopt, true).text,
            "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.");
}

TEST(Screenshot, TheMainWindowWithKoreanMenus) {
  ScratchDir dir;
  for (const auto& [section, key, value] : {std::tuple{"MenuSetting", "Korean", "-1"}, {"Setup", "TipShow", "0"}})
    core::IniFile(dir.ini_path()).WriteString(section, key, value);
  for (const auto& [section, key, value] : {std::tuple{kOptionsKey, "colorsyntax", "True"}, {kDataKey, "numbering", "True"},
                                            {kFontKey, "size", "10"}, {kWindowKey, "width", "16500"}, {kWindowKey, "height", "10500"}})
    core::RegistryStore(dir.registry_path()).WriteString(section, key, value);
  IdeRig rig(dir);
  rig.Start(CopyExample(dir, "display_counter.bas"));
  MainWindow& w = *rig.window;
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  rig.devices.AdvanceVirtualTime(1'500'000'000);  // let the display count a while
  rig.commands->OnVirtualTime();
  QApplication::processEvents();
  const QImage image = w.grab().toImage();
  const qreal ratio = image.devicePixelRatio();
  const QRect editor(w.editor().mapTo(&w, QPoint(0, 0)) * ratio, w.editor().size() * ratio);
  ASSERT_NE(rig.commands->dock(), nullptr);
  const QWidget& dock = *rig.commands->dock();
  EXPECT_FALSE(editor.intersects(QRect(dock.mapTo(&w, QPoint(0, 0)) * ratio, dock.size() * ratio)));
  long blue = 0;  // keywords
  for (int y = editor.top(); y <= editor.bottom(); ++y)
    for (int x = editor.left(); x <= editor.right(); ++x) blue += image.pixelColor(x, y) == QColor(0, 0, 255);
  EXPECT_GT(blue, 200);
  // A short window scrolls the dock rather than cutting ports off.
  w.resize(w.width(), 400);
  QApplication::processEvents();
  EXPECT_EQ(w.height(), 400);
  EXPECT_GE(rig.commands->dock()->ports()->height(), rig.commands->dock()->ports()->sizeHint().height());
  ASSERT_TRUE(QDir().mkpath(VN_SCREENSHOT_DIR));
  const QString file = QStringLiteral(VN_SCREENSHOT_DIR "/vnstudio-main-korean") +
                       (QGuiApplication::platformName() == "xcb" ? ".png" : "-offscreen.png");
  EXPECT_TRUE(image.save(file)) << file.toStdString();
}

}  // namespace
}  // namespace vn::shell
