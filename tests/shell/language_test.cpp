// The menus in both languages, the language switch and its settings key, and the message
// table that keeps the language the program started in.
#include <gtest/gtest.h>

#include <QMenu>

#include "compiler/compiler.h"
#include "shell/captions.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using testing::IdeRig;
using testing::ScratchDir;
using testing::WriteAll;

struct Caption {
  const char* name;
  const char* english;
  const char* korean;
  const char* shortcut;
};

// Every menu and item with its captions and shortcut, as the user sees them.
const Caption kCaptions[] = {
    {"mnuFile", "&File", "파일(&F)", ""},
    {"mnuNew", "&New", "새로 만들기(&N)", "Ctrl+N"},
    {"mnuOpen", "&Open", "열기(&O)", "Ctrl+O"},
    {"mnuSave", "&Save", "저장하기(&S)", "F2"},
    {"mnuSaveAs", "Save &As...", "다른이름으로 저장(&A)...", ""},
    {"mnuSaveObject", "Save Ob&ject...", "오브젝트만 저장(&J)...", ""},
    {"mnuDownloadfromObject", "&Download from Object...", "오브젝트 다운로드(&D)...", ""},
    {"mnuPrint", "&Print", "인쇄(&P)", ""},
    {"mnuPrinterSetup", "Printer Set&up...", "프린터 설정(&U)...", ""},
    {"mnuExit", "E&xit", "끝내기(&X)", ""},
    {"mnuEdit", "&Edit", "편집(&E)", ""},
    {"mnuUndo", "&Undo", "취소(&U)", "Ctrl+Z"},
    {"mnuRedo", "&Redo", "재실행(&R)", "Ctrl+Y"},
    {"mnuCut", "Cu&t", "잘라내기(&T)", "Ctrl+X"},
    {"mnuCopy", "&Copy", "복사(&C)", "Ctrl+C"},
    {"mnuPaste", "&Paste", "붙여넣기(&P)", ""},
    {"mnuSelectAll", "Sellect A&ll", "전체선택(&L)", "Ctrl+A"},
    {"mnuSearch", "&Search", "찾기(&S)", ""},
    {"mnuFind", "&Find...", "찾기(&F)...", "Ctrl+F"},
    {"mnuFindNext", "Find &Next", "다음 찾기(&N)", "F3"},
    {"mnuFindPrevious", "Find &Previous", "뒤로 찾기(&P)", "Ctrl+F3"},
    {"mnuReplace", "&Replace", "바꾸기(&R)", "Ctrl+H"},
    {"mnuGotoLine", "&Goto Line...", "행번호 가기(&G)...", "Ctrl+G"},
    {"mnuToggleBookmark", "&Toggle Bookmark", "북마크 토글(&T)", ""},
    {"mnuNextBookmark", "N&ext Bookmark", "다음 북마크로 이동(&E)", ""},
    {"mnuPreviousBookmark", "Pre&vious Bookmark", "이전 북마크로 이동(&V)", ""},
    {"mnuBookmarkclearall", "Bookmark clear &all", "전체 북마크 지우기(&A)", ""},
    {"mnuDevice", "&Device", "디바이스(&D)", ""},
    {"mnuRunTop", "&Run", "실행(&R)", ""},
    {"mnuRun", "&Run", "실행(&R)", "F5"},
    {"mnuBreak", "&Break", "중지[디버그모드](&B)", "F6"},
    {"mnuToggleBreakpoint", "Toggle Brea&kpoint", "중단점 설정/해제(&K)", "F9"},
    {"mnuRunToCursor", "Run to C&ursor", "커서까지 실행(&U)", "Ctrl+F10"},
    {"mnuVerify", "&Verify", "비교(&V)", "F4"},
    {"mnuSyntaxCheck", "Syntax &Check", "문법검사(&C)", ""},
    {"mnuViewObjectCode", "View &Object Code...", "오브젝트 코드 확인(&O)...", "F8"},
    {"mnuViewLabelList", "View &Label List...", "라벨 확인(&L)...", ""},
    {"mnuReadFlashMemory", "View VARNOLIC &Flash Memory...", "VARNOLIC플레쉬 메모리 확인(&F)...", ""},
    {"mnuCheckVariable", "C&heck Variable...", "변수창 보기(&H)...", ""},
    {"mnuModifyVariable", "&Modify Variable...", "변수 내용 수정(&M)...", ""},
    {"mnuClearFlashMemory", "Cle&ar Flash Memory", "VARNOLIC플레쉬 메모리 지움(&A)", ""},
    {"mnuSetup", "Se&tup", "설정(&T)", ""},
    {"mnuUseKoreanMenu", "&Use Korean Menu", "영문 메뉴로 전환(&U)", ""},
    {"mnuEditorEnvironment", "&Editor Environment...", "에디터 환경 설정(&E)...", ""},
    {"mnuPortSetup", "&PC Interface Setup...", "PC 인터페이스 설정(&P)...", ""},
    {"mnuHelpTop", "&Help", "도움말(&H)", ""},
    {"mnuHelp", "&Help...", "VARNOLIC 도움말(&H)...", ""},
    {"mnuTipoftheday", "&Tip of the Day...", "오늘의 팁(&T)...", ""},
    {"mnuAbout", "&About VARNOLIC Studio...", "VARNOLIC Studio 정보(&A)...", ""},
};

bool IsTop(const char* name) {
  for (const char* t : {"mnuFile", "mnuEdit", "mnuSearch", "mnuDevice", "mnuRunTop", "mnuSetup", "mnuHelpTop"})
    if (std::string_view(t) == name) return true;
  return false;
}

void ExpectCaptions(MainWindow& w, bool korean) {
  for (const Caption& c : kCaptions) {
    const QString expected = QString::fromUtf8(korean ? c.korean : c.english);
    if (IsTop(c.name)) {
      ASSERT_NE(w.menu(c.name), nullptr) << c.name;
      EXPECT_EQ(w.menu(c.name)->title(), expected) << c.name;
    } else {
      ASSERT_NE(w.action(c.name), nullptr) << c.name;
      EXPECT_EQ(w.action(c.name)->text(), expected) << c.name;
      EXPECT_EQ(w.action(c.name)->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut))) << c.name;
    }
  }
  // The device items keep their names in both languages.
  EXPECT_EQ(w.action("mnuVNMWF")->text(), "VNM-WF");
}

TEST(Language, TheTableHasBothCaptionsOfEveryMenu) {
  for (const Caption& c : kCaptions) {
    EXPECT_EQ(MenuCaption(c.name, false), c.english) << c.name;
    EXPECT_EQ(MenuCaption(c.name, true), c.korean) << c.name;
  }
  EXPECT_EQ(MenuCaption("mnuNothing", true), "");
}

TEST(Language, SwitchingTwiceRestoresTheCaptionsAndWritesTheKey) {
  ScratchDir dir;
  IdeRig rig(dir);
  rig.Start();
  MainWindow& w = *rig.window;
  ExpectCaptions(w, false);
  EXPECT_FALSE(rig.ini.Find("MenuSetting", "Korean").has_value());

  rig.Trigger("mnuUseKoreanMenu");
  ExpectCaptions(w, true);
  EXPECT_EQ(rig.ini.Find("MenuSetting", "Korean"), "-1");
  EXPECT_TRUE(w.studio().UseKorean);

  rig.Trigger("mnuUseKoreanMenu");
  ExpectCaptions(w, false);
  EXPECT_EQ(rig.ini.Find("MenuSetting", "Korean"), "0");
  EXPECT_FALSE(w.studio().UseKorean);
  // The switch opens no tip: that comes only at start.
  EXPECT_EQ(rig.dialogs, 0);
}

TEST(Language, TheMessageTableKeepsTheStartUpLanguage) {
  ScratchDir dir;
  const std::string path = dir.Doc("bad.bas");
  WriteAll(path, "A = = 1\r\n");
  IdeRig rig(dir);
  rig.Start(path);
  rig.Trigger("mnuUseKoreanMenu");
  // Entry 6 of the table: English, as at start.
  rig.Trigger("mnuViewObjectCode");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "No compile infomation ! Try Run !");
  // A compile message is chosen when it is shown: Korean now.
  rig.Trigger("mnuSyntaxCheck");
  ASSERT_EQ(rig.script.shown.size(), 2u);
  EXPECT_EQ(rig.script.shown[1].text, rig.window->studio().compiler().Outcome.message.ko);
  EXPECT_NE(rig.script.shown[1].text, rig.window->studio().compiler().Outcome.message.en);
}

TEST(Language, AKoreanStartHasKoreanMenusAndMessages) {
  ScratchDir dir;
  {
    core::IniFile ini(dir.ini_path());
    ini.WriteString("MenuSetting", "Korean", "-1");
    ini.WriteString("Setup", "TipShow", "0");
  }
  IdeRig rig(dir);
  rig.Start();
  ExpectCaptions(*rig.window, true);
  rig.Trigger("mnuViewLabelList");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.");
  EXPECT_EQ(rig.window->studio().StartupLanguage(), core::Language::kKorean);
  // Back to English menus; the table stays Korean until the next start.
  rig.Trigger("mnuUseKoreanMenu");
  ExpectCaptions(*rig.window, false);
  rig.script.shown.clear();
  rig.Trigger("mnuViewLabelList");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.");
  EXPECT_EQ(rig.window->studio().StartupLanguage(), core::Language::kKorean);
}

}  // namespace
}  // namespace vn::shell
