// The window logic without a window: documents, recent files, captions, start-up and
// shut-down, Run and Syntax Check, over an in-memory editor and view.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "compiler/compiler.h"
#include "platform/codepage.h"
#include "shell/recent_files.h"
#include "shell/studio.h"
#include "shell/text_file.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;

using ::testing::ElementsAre;
using testing::Lower;
using testing::ReadAll;
using testing::ScratchDir;
using testing::StudioRig;
using testing::WriteAll;

// ---- Pure rules ---------------------------------------------------------------------------------

TEST(Rules, CaptionNamesThePathInLowerCaseWithTwoBlanksAfterNew) {
  EXPECT_EQ(CaptionFor("/home/Kim/PROG.BAS", false), "VARNOLIC Studio [ /home/kim/prog.bas ]");
  EXPECT_EQ(CaptionFor("Untitled.bas", true), "VARNOLIC Studio  [ untitled.bas ]");
  // Only ASCII letters change: a Korean path stays readable.
  EXPECT_EQ(CaptionFor("/자료/A.bas", false), "VARNOLIC Studio [ /자료/a.bas ]");
}

TEST(Rules, BasExtensionIsAddedUnlessTheNameEndsInBasInAnyCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"prog", "prog.BAS"},          {"prog.bas", "prog.bas"}, {"PROG.Bas", "PROG.Bas"},
      {"prog.txt", "prog.txt.BAS"},  {"verbas", "verbas"},     {"ba", "ba.BAS"},
      {"/a/b/x.BAS", "/a/b/x.BAS"},  {"", ".BAS"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(WithBasExtension(in), out) << in;
}

TEST(Rules, FolderAndPositionTexts) {
  EXPECT_EQ(FolderOf("/work/x/prog.bas"), "/work/x");
  EXPECT_EQ(FolderOf("/prog.bas"), "/");
  EXPECT_EQ(FolderOf("Untitled.bas"), "");
  EXPECT_EQ(PositionText(0, 0, 1), "Ln 1, Col. 0, Lines 1");
  EXPECT_EQ(PositionText(11, 7, 240), "Ln 12, Col. 7, Lines 240");
}

// ---- Recent files -------------------------------------------------------------------------------

std::vector<std::string> Slots(const core::IniFile& ini) {
  std::vector<std::string> v;
  for (int k = 1; k <= 5; ++k) v.push_back(ini.GetString(kLastOpenSection, "File" + std::to_string(k), "(absent)", 4096));
  return v;
}

TEST(RecentFilesList, FiveOpensShiftTheOldestIntoTheSpareSlot) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  RecentFiles recent(ini);
  recent.Load();
  for (const char* p : {"A", "B", "C", "D", "E"}) recent.Update(p);
  EXPECT_THAT(Slots(ini), ElementsAre("E", "D", "C", "B", "A"));
  EXPECT_EQ(recent.item(1), "E");
  EXPECT_EQ(recent.item(4), "B");
  EXPECT_TRUE(recent.visible(4));
}

TEST(RecentFilesList, ReopeningAnOlderEntryMovesItToTheHead) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  RecentFiles recent(ini);
  recent.Load();
  for (const char* p : {"A", "B", "C", "D", "E"}) recent.Update(p);
  recent.Update("C");
  EXPECT_THAT(Slots(ini), ElementsAre("C", "E", "D", "B", "none"));
  recent.Update("B");  // the last visible entry
  EXPECT_THAT(Slots(ini), ElementsAre("B", "C", "E", "D", "none"));
  recent.Update("C");  // the second entry
  EXPECT_THAT(Slots(ini), ElementsAre("C", "B", "E", "D", "none"));
}

TEST(RecentFilesList, ReopeningTheNewestEntryLeavesTheFileAlone) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  RecentFiles recent(ini);
  recent.Load();
  for (const char* p : {"A", "B"}) recent.Update(p);
  const std::string before = ReadAll(dir.ini_path());
  recent.Update("B");
  EXPECT_EQ(ReadAll(dir.ini_path()), before);
}

TEST(RecentFilesList, FewEntriesCloseTheirGapsAndHideUnusedItems) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  RecentFiles recent(ini);
  recent.Load();
  EXPECT_FALSE(recent.visible(1));
  recent.Update("A");
  recent.Update("B");
  recent.Update("A");
  EXPECT_THAT(Slots(ini), ElementsAre("A", "B", "none", "none", "none"));
  EXPECT_TRUE(recent.visible(2));
  EXPECT_FALSE(recent.visible(3));
}

TEST(RecentFilesList, LongPathsAreKeptWhole) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  RecentFiles recent(ini);
  recent.Load();
  const std::string longer = "/home/someone/" + std::string(150, 'x') + "/program.bas";
  recent.Update(longer);
  RecentFiles again(ini);
  again.Load();
  EXPECT_EQ(again.item(1), longer);
}

// ---- Encodings and the safe save ------------------------------------------------------------------

TEST(SourceEncoding, EachFileComesBackByteForByteAfterALoadAndASave) {
  platform::CodePage cp;
  struct Case {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
  };
  const Case cases[] = {
      {"ascii", "A = 1\r\nB = 2\r\n", TextEncoding::kCp949},
      {"korean cp949", "PRINT \"\xC7\xD1\xB1\xDB\"\r\n", TextEncoding::kCp949},
      {"utf-8", "PLAY 3, \"\xEB\x8F\x84" "4\"\r\n", TextEncoding::kUtf8},
      {"utf-8 with bom", "\xEF\xBB\xBF' \xED\x95\x9C\r\nEND\r\n", TextEncoding::kUtf8Bom},
      {"bytes that are no code page 949", "' caf\xE9 \x80\xFF\r\nX = 1\r\n", TextEncoding::kCp949},
      {"empty", "", TextEncoding::kCp949},
      {"no final line end", "END", TextEncoding::kCp949},
  };
  for (const Case& c : cases) {
    const DecodedText d = DecodeSourceBytes(c.bytes, cp);
    EXPECT_EQ(d.encoding, c.encoding) << c.name;
    EXPECT_EQ(d.utf8.find('\r'), std::string::npos) << c.name;
    const EncodedText e = EncodeSourceText(d.utf8, d.encoding, cp);
    EXPECT_EQ(e.bytes, c.bytes) << c.name;
    EXPECT_EQ(e.encoding, c.encoding) << c.name;
  }
}

TEST(SourceEncoding, LineEndsBecomeCrLfAndKoreanReadsAsKorean) {
  platform::CodePage cp;
  EXPECT_EQ(DecodeSourceBytes("A\nB\rC\r\nD", cp).utf8, "A\nB\nC\nD");
  EXPECT_EQ(EncodeSourceText("A\nB\n", TextEncoding::kCp949, cp).bytes, "A\r\nB\r\n");
  EXPECT_EQ(DecodeSourceBytes("\xC7\xD1", cp).utf8, "\xED\x95\x9C");  // 한
  // A new document typed with Korean text is written in code page 949.
  EXPECT_EQ(EncodeSourceText("' \xED\x95\x9C\n", TextEncoding::kCp949, cp).bytes, "' \xC7\xD1\r\n");
}

TEST(SourceEncoding, ACharacterCodePage949CannotHoldTurnsTheFileIntoUtf8) {
  platform::CodePage cp;
  const std::string text = "' \xE0\xB8\x81 and \xED\x95\x9C\n";  // Thai ko kai, 한
  const EncodedText e = EncodeSourceText(text, TextEncoding::kCp949, cp);
  EXPECT_EQ(e.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(e.bytes, "' \xE0\xB8\x81 and \xED\x95\x9C\r\n");
}

// Replacing the file itself (its mode, a link, a full disk, a folder) is core::ReplaceFile's
// and is tested with it.

// ---- Documents through the Studio -----------------------------------------------------------------

TEST(Documents, NewSetsTheUntitledCaptionAndClearsTheStatus) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  rig.editor.text = "X = 1";
  rig.studio.OnTextChanged();
  rig.view.script.answers = {kAnswerNo};  // do not keep the changes
  rig.studio.New();
  EXPECT_EQ(rig.editor.text, "");
  EXPECT_EQ(rig.studio.SourcePath(), "Untitled.bas");
  EXPECT_EQ(rig.view.caption, "VARNOLIC Studio  [ untitled.bas ]");
  EXPECT_FALSE(rig.studio.Modified());
  EXPECT_EQ(rig.view.panels[3], "");
  EXPECT_EQ(rig.view.panels[4], "");
  EXPECT_EQ(rig.editor.language, "BASIC");
}

TEST(Documents, NewAndOpenAskBeforeThrowingAwayChanges) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  rig.editor.text = "X = 1";
  rig.studio.OnTextChanged();
  rig.view.script.answers = {kAnswerCancel};
  rig.studio.New();
  EXPECT_EQ(rig.editor.text, "X = 1");
  ASSERT_EQ(rig.view.script.shown.size(), 1u);
  EXPECT_EQ(rig.view.script.shown[0].title, "Save");
  EXPECT_EQ(rig.view.script.shown[0].style, 35);
  rig.view.script.answers = {kAnswerCancel};
  rig.view.open_names = {dir.Doc("other.bas")};
  rig.studio.Open();
  EXPECT_EQ(rig.editor.text, "X = 1");
  EXPECT_EQ(rig.view.open_names.size(), 1u);  // the dialog was not even shown
}

TEST(Documents, OpenReadsTheFileAndSetsCaptionDeviceAndList) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  const std::string path = dir.Doc("Blink.BAS");
  WriteAll(path, "' blink\r\nHIGH 1\r\n");
  rig.studio.SelectDevice("WF");
  rig.view.open_names = {path};
  rig.studio.Open();
  EXPECT_EQ(rig.editor.text, "' blink\nHIGH 1\n");
  EXPECT_EQ(rig.view.caption, "VARNOLIC Studio [ " + Lower(dir.Doc("blink.bas")) + " ]");
  EXPECT_EQ(rig.studio.compiler().Device.DeviceSeries, "KX");
  EXPECT_EQ(rig.studio.compiler().Device.DeviceKind, 1);
  EXPECT_EQ(rig.view.device_item, "KF");
  EXPECT_EQ(rig.view.recent[1].first, path);
  EXPECT_FALSE(rig.view.break_timer);
  EXPECT_GE(rig.editor.focus_count, 1);
}

// The device menu and CONST DEVICE share one device table but not one series for LF and LG:
// the menu puts them in the KX series, CONST DEVICE (Symbols.ConstDevice) in the LX series.
TEST(Documents, TheDeviceMenuSetsItsOwnSeries) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  struct Case {
    const char* code;
    const char* series;
    int kind;
  } cases[] = {{"KD", "KX", 1}, {"LF", "KX", 1}, {"LG", "KX", 1}, {"NG", "NX", 1}, {"WD", "WX", 2}};
  for (const Case& k : cases) {
    rig.studio.SelectDevice(k.code);
    EXPECT_EQ(rig.studio.compiler().Device.DeviceSeries, k.series) << k.code;
    EXPECT_EQ(rig.studio.compiler().Device.DeviceKind, k.kind) << k.code;
    EXPECT_EQ(rig.studio.compiler().Device.DeviceItem, k.code);
    EXPECT_EQ(rig.view.device_item, k.code);
  }
  // ZQ1 has no menu item of its own: choosing it changes nothing.
  rig.view.device_item = "";
  rig.studio.SelectDevice("ZQ1");
  EXPECT_EQ(rig.view.device_item, "");
  EXPECT_EQ(rig.studio.compiler().Device.DeviceItem, "WD");
}

TEST(Documents, AFileThatCannotBeReadIsReportedNotTakenForEmpty) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  fs::create_directory(dir.docs() / "folder.bas");
  rig.view.open_names = {dir.Doc("folder.bas")};
  rig.studio.Open();
  ASSERT_FALSE(rig.view.script.shown.empty());
  EXPECT_EQ(rig.view.script.shown.back().text, "Open Error:" + dir.Doc("folder.bas") + ": Is a directory");
  EXPECT_EQ(rig.view.script.shown.back().title, "VARNOLIC Studio ERROR !");
  // A missing file is simply a new document.
  rig.view.script.shown.clear();
  rig.view.open_names = {dir.Doc("new.bas")};
  rig.studio.Open();
  EXPECT_TRUE(rig.view.script.shown.empty());
  EXPECT_EQ(rig.editor.text, "");
}

TEST(Documents, AFifoOrADeviceIsNeitherWaitedForNorWrittenOver) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  const std::string fifo = dir.Doc("pipe.bas");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    rig.view.script.shown.clear();
    rig.view.open_names = {path};
    rig.studio.Open();  // a FIFO without a writer: an open that waited would never come back
    ASSERT_EQ(rig.view.script.shown.size(), 1u);
    EXPECT_EQ(rig.view.script.shown.back().text, "Open Error:" + path + ": Not a regular file");
    EXPECT_EQ(rig.editor.text, "");
  }
  // A save under the FIFO's name refuses to put a file in its place.
  rig.view.open_names = {fifo};
  rig.studio.Open();
  rig.editor.text = "X = 1\n";
  rig.studio.OnTextChanged();
  EXPECT_FALSE(rig.studio.SaveDocument());
  EXPECT_EQ(rig.view.script.shown.back().text, "Save Error:" + fifo + "\nNot a regular file");
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(rig.studio.Modified());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.docs()), fs::directory_iterator()), 1);
}

TEST(Documents, SaveWritesCrLfInTheEncodingTheFileWasReadIn) {
  ScratchDir dir;
  StudioRig rig(dir);
  const std::string path = dir.Doc("melody.bas");
  WriteAll(path, "PLAY 3, \"\xEB\x8F\x84" "4\"\n");
  rig.studio.Load(path);
  EXPECT_EQ(rig.studio.encoding(), TextEncoding::kUtf8);
  rig.editor.text += "BEEP 3\n";
  rig.studio.OnTextChanged();
  EXPECT_EQ(rig.view.panels[4], "Modified");
  EXPECT_TRUE(rig.studio.SaveDocument());
  EXPECT_EQ(ReadAll(path), "PLAY 3, \"\xEB\x8F\x84" "4\"\r\nBEEP 3\r\n");
  EXPECT_FALSE(rig.studio.Modified());
  EXPECT_EQ(rig.view.panels[4], "");
}

TEST(Documents, AFailedSaveSaysSoAndKeepsTheDocumentModified) {
  ScratchDir dir;
  StudioRig rig(dir);
  const std::string path = dir.Doc("gone/prog.bas");
  rig.studio.Load(path);
  rig.editor.text = "X = 1\n";
  rig.studio.OnTextChanged();
  EXPECT_FALSE(rig.studio.SaveDocument());
  ASSERT_FALSE(rig.view.script.shown.empty());
  EXPECT_EQ(rig.view.script.shown.back().title, "VARNOLIC Studio ERROR !");
  EXPECT_EQ(rig.view.script.shown.back().text.rfind("Save Error:" + path + "\n", 0), 0u);
  EXPECT_TRUE(rig.studio.Modified());
  EXPECT_EQ(rig.view.panels[4], "Modified");
}

TEST(Documents, SaveOfAnUntitledDocumentAsksForAName) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  rig.editor.text = "END\n";
  rig.view.save_names = {dir.Doc("first")};
  EXPECT_TRUE(rig.studio.SaveDocument());
  EXPECT_EQ(rig.studio.SourcePath(), dir.Doc("first.BAS"));
  EXPECT_EQ(ReadAll(dir.Doc("first.BAS")), "END\r\n");
  EXPECT_EQ(rig.view.caption, "VARNOLIC Studio [ " + Lower(dir.Doc("first.bas")) + " ]");
  EXPECT_EQ(rig.view.recent[1].first, dir.Doc("first.BAS"));
}

TEST(Documents, SaveAsOntoAnExistingFileAnsweredNoWritesNothingAndKeepsTheOldName) {
  ScratchDir dir;
  StudioRig rig(dir);
  const std::string mine = dir.Doc("mine.bas");
  const std::string theirs = dir.Doc("theirs.bas");
  WriteAll(mine, "X = 1\r\n");
  WriteAll(theirs, "KEEP ME\r\n");
  rig.studio.Load(mine);
  rig.editor.text = "X = 2\n";
  rig.studio.OnTextChanged();
  for (int answer : {kAnswerNo, kAnswerCancel}) {
    rig.view.save_names = {theirs};
    rig.view.script.answers = {answer};
    EXPECT_FALSE(rig.studio.SaveDocumentAs());
    const auto& box = rig.view.script.shown.back();
    EXPECT_EQ(box.text, "Overwrite ? [" + theirs + "] ");
    EXPECT_EQ(box.title, "VARNOLIC Studio");
    EXPECT_EQ(box.style, 51);
    EXPECT_EQ(ReadAll(theirs), "KEEP ME\r\n");
    EXPECT_EQ(rig.studio.SourcePath(), mine);
  }
  // The next Save goes to the document's own file, not to the one the user kept.
  EXPECT_TRUE(rig.studio.SaveDocument());
  EXPECT_EQ(ReadAll(theirs), "KEEP ME\r\n");
  EXPECT_EQ(ReadAll(mine), "X = 2\r\n");
  // Yes overwrites.
  rig.view.save_names = {theirs};
  rig.view.script.answers = {kAnswerYes};
  EXPECT_TRUE(rig.studio.SaveDocumentAs());
  EXPECT_EQ(ReadAll(theirs), "X = 2\r\n");
  EXPECT_EQ(rig.studio.SourcePath(), theirs);
}

TEST(Documents, ARecentFileThatIsGoneGivesOpenErrorAndStaysListed) {
  ScratchDir dir;
  StudioRig rig(dir);
  const std::string a = dir.Doc("a.bas"), b = dir.Doc("b.bas");
  WriteAll(a, "");
  WriteAll(b, "");
  rig.studio.Load(a);
  rig.view.open_names = {b};
  rig.studio.Open();
  fs::remove(a);
  rig.studio.OpenRecent(2);
  ASSERT_FALSE(rig.view.script.shown.empty());
  EXPECT_EQ(rig.view.script.shown.back().text, "Open Error:" + a);
  EXPECT_EQ(rig.view.script.shown.back().style, 64);
  EXPECT_EQ(rig.view.recent[2].first, a);
  EXPECT_EQ(rig.studio.SourcePath(), b);
}

// ---- Start-up and shut-down -------------------------------------------------------------------------

TEST(Lifecycle, FirstRunUsesEveryDefault) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  const Placement& p = rig.view.placement;
  EXPECT_EQ(p.left, 1980);
  EXPECT_EQ(p.top, 1980);
  EXPECT_EQ(p.width, 10080);
  EXPECT_EQ(p.height, 5640);
  EXPECT_EQ(p.state, 0);
  EXPECT_FALSE(rig.view.korean_menus);
  EXPECT_EQ(rig.studio.TipShow, 1);
  EXPECT_EQ(rig.studio.SourcePath(), "Untitled.bas");
  EXPECT_EQ(rig.view.caption, "VARNOLIC Studio [ untitled.bas ]");
  EXPECT_EQ(rig.studio.compiler().Device.DeviceSeries, "KX");
  EXPECT_EQ(rig.studio.compiler().Device.DeviceKind, 1);
  EXPECT_EQ(rig.studio.compiler().Device.NextVarAddr, 160);
  EXPECT_EQ(rig.view.device_item, "KF");
  ASSERT_EQ(rig.studio.StartupLanguage(), core::Language::kEnglish);
  EXPECT_EQ(core::MessageTextOf({core::MessageCode::kModuleNotFound}, *rig.studio.StartupLanguage()),
            "VARNOLIC module not found ! Check cable or power");
  EXPECT_EQ(core::MessageTextOf({core::MessageCode::kIfWithoutEndIf}, *rig.studio.StartupLanguage()),
            "IF without END IF !   Line :");
  EXPECT_TRUE(rig.view.script.shown.empty());  // the virtual cable opens without complaint
}

TEST(Lifecycle, KoreanSettingFillsTheMessageTableInKorean) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.ini.WriteString("MenuSetting", "Korean", "-1");
  rig.ini.WriteString("Setup", "TipShow", "0");
  rig.studio.Load();
  EXPECT_TRUE(rig.studio.UseKorean);
  EXPECT_EQ(rig.studio.TipShow, 0);
  EXPECT_TRUE(rig.view.korean_menus);
  ASSERT_EQ(rig.studio.StartupLanguage(), core::Language::kKorean);
  EXPECT_EQ(core::MessageTextOf({core::MessageCode::kFirmwareUnmatch}, *rig.studio.StartupLanguage()),
            "펌웨어 버젼이 맞지 않습니다.");
}

TEST(Lifecycle, CableMessagesAreShownAndStartUpGoesOn) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.start_link = [] {
    return std::vector<link::LinkMessage>{{core::MessageCode::kInitPort}};
  };
  rig.studio.Load();
  ASSERT_EQ(rig.view.script.shown.size(), 1u);
  EXPECT_EQ(rig.view.script.shown[0].text, "There is a problem with Initialize Port");
  EXPECT_EQ(rig.view.script.shown[0].title, "VARNOLIC Studio");
  EXPECT_EQ(rig.view.script.shown[0].style, 16);
  EXPECT_EQ(rig.view.caption, "VARNOLIC Studio [ untitled.bas ]");
}

TEST(Lifecycle, UnloadWritesStateThenTheNormalRectangleAndTheWhiteSpaceSwitch) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  rig.view.placement = {300, 450, 9000, 6000, 2};
  rig.editor.options[kOptWhiteSpace] = 1;
  rig.studio.Unload();
  const std::string reg = ReadAll(dir.registry_path());
  const auto window = reg.find("[VNstudio\\window\\]");
  ASSERT_NE(window, std::string::npos) << reg;
  EXPECT_NE(reg.find("windowstate=2\nleft=300\ntop=450\nwidth=9000\nheight=6000", window), std::string::npos) << reg;
  EXPECT_EQ(rig.reg.ReadString("VNstudio\\options\\", "whitespace", 0), "True");
  StudioRig again(dir);
  again.studio.Load();
  EXPECT_EQ(again.view.placement.state, 2);
  EXPECT_EQ(again.view.placement.left, 300);
  EXPECT_EQ(again.view.placement.height, 6000);
  EXPECT_EQ(again.editor.options[kOptWhiteSpace], 1);
}

TEST(Lifecycle, UnreadablePlacementValuesFallBackToTheDefaults) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.reg.WriteString(kWindowKey, "left", "wide");
  rig.reg.WriteString(kWindowKey, "width", "12000");
  rig.studio.Load();
  EXPECT_EQ(rig.view.placement.left, 1980);
  EXPECT_EQ(rig.view.placement.width, 12000);
}

TEST(Lifecycle, CloseAsksOnlyWhenModifiedAndKeepsUnsavedWorkOnCancel) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  EXPECT_TRUE(rig.studio.CloseRequest());
  EXPECT_TRUE(rig.view.script.shown.empty());
  rig.editor.text = "END\n";
  rig.studio.OnTextChanged();
  rig.view.script.answers = {kAnswerCancel};
  EXPECT_FALSE(rig.studio.CloseRequest());
  EXPECT_EQ(rig.view.script.shown.back().text,
            "Document: VARNOLIC Studio [ untitled.bas ]\nDo you wish to save?");
  // Yes on an untitled document asks for a name; cancelling that keeps the window open.
  rig.view.script.answers = {kAnswerYes};
  EXPECT_FALSE(rig.studio.CloseRequest());
  EXPECT_TRUE(rig.studio.Modified());
  rig.view.script.answers = {kAnswerYes};
  rig.view.save_names = {dir.Doc("kept.bas")};
  EXPECT_TRUE(rig.studio.CloseRequest());
  EXPECT_EQ(ReadAll(dir.Doc("kept.bas")), "END\r\n");
}

// ---- Run and Syntax Check -------------------------------------------------------------------------

TEST(Compile, SyntaxCheckMovesTheCaretToTheErrorAndSaysWhatIsWrong) {
  ScratchDir dir;
  StudioRig rig(dir);
  const std::string path = dir.Doc("bad.bas");
  rig.studio.Load(path);
  rig.editor.text = "DIM A AS BYTE\nA = 1\nA = = 2\nEND\n";
  EXPECT_EQ(rig.studio.SyntaxCheck(), 1);
  EXPECT_EQ(rig.editor.caret_line, 2);
  EXPECT_EQ(rig.editor.error_line, 2);
  ASSERT_EQ(rig.view.script.shown.size(), 1u);
  EXPECT_EQ(rig.view.script.shown[0].title, "VARNOLIC Studio ERROR !");
  EXPECT_EQ(rig.view.script.shown[0].style, 64);
  EXPECT_EQ(rig.view.script.shown[0].text, rig.studio.compiler().Outcome.message.en);
  EXPECT_FALSE(fs::exists(path));  // Syntax Check does not save
  EXPECT_TRUE(fs::exists(dir.Doc("bad.$$$")));
}

TEST(Compile, SyntaxCheckOfAGoodProgramSaysSo) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load(dir.Doc("good.bas"));
  rig.editor.text = "CONST DEVICE = WF\nDIM A AS BYTE\nA = 1\n";
  EXPECT_EQ(rig.studio.SyntaxCheck(), 0);
  ASSERT_EQ(rig.view.script.shown.size(), 1u);
  EXPECT_EQ(rig.view.script.shown[0].text, "Syntax is OK !. Very Good !");
  EXPECT_EQ(rig.view.script.shown[0].title, "VARNOLIC Studio Message");
  EXPECT_EQ(rig.view.script.shown[0].style, 64);
  // CONST DEVICE chose the device; the hidden menu follows it.
  EXPECT_EQ(rig.view.device_item, "WF");
}

TEST(Compile, AnOpenIfIsReportedWithoutMovingTheCaret) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load(dir.Doc("if.bas"));
  rig.editor.text = "DIM A AS BYTE\nIF A = 1 THEN\nA = 2\n";
  rig.editor.caret_line = 0;
  EXPECT_EQ(rig.studio.SyntaxCheck(), 1);
  EXPECT_EQ(rig.view.script.shown.back().text, "IF without END IF !   Line : 2");
  EXPECT_EQ(rig.editor.error_line, -1);
}

TEST(Run, WithoutADownloadItSavesCompilesAndSaysSoInPanelTwo) {
  ScratchDir dir;
  StudioRig rig(dir);
  const std::string path = dir.Doc("run.bas");
  rig.studio.Load(path);
  rig.editor.text = "DIM A AS BYTE\nA = 1\n";
  rig.studio.OnTextChanged();
  EXPECT_EQ(rig.studio.Run(), 0);
  EXPECT_EQ(ReadAll(path), "DIM A AS BYTE\r\nA = 1\r\n");
  EXPECT_THAT(rig.view.panel_history, ::testing::IsSupersetOf({"2:Now Compile...", "2:"}));
  EXPECT_EQ(rig.view.panels[2], kNoDownloadText);
  EXPECT_FALSE(rig.view.break_timer);
  EXPECT_TRUE(rig.view.script.shown.empty());
}

TEST(Run, AnUntitledDocumentWhoseSaveAsIsCancelledIsNeitherCompiledNorSent) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  ASSERT_EQ(rig.studio.SourcePath(), "Untitled.bas");
  int downloads = 0;
  rig.studio.SetDownload([&](DownloadContext&) { return ++downloads, 0; });
  rig.editor.text = "DIM A AS BYTE\nA = 1\n";
  rig.studio.OnTextChanged();
  rig.view.save_names = {""};  // the Save As dialog cancelled
  const long code_addr_before = rig.studio.compiler().CodeAddr;
  EXPECT_EQ(rig.studio.Run(), -1);
  EXPECT_TRUE(rig.view.save_names.empty());  // it was asked
  EXPECT_EQ(downloads, 0);
  EXPECT_EQ(rig.studio.compiler().CompiledOK, 0);
  EXPECT_EQ(rig.studio.compiler().CodeAddr, code_addr_before);
  EXPECT_THAT(rig.view.panel_history, ::testing::Not(::testing::Contains("2:Now Compile...")));
  EXPECT_FALSE(rig.view.break_timer);
  EXPECT_TRUE(rig.studio.Modified());
  EXPECT_EQ(rig.studio.SourcePath(), "Untitled.bas");
  // No compile copy anywhere the program could have written it.
  EXPECT_FALSE(fs::exists(dir.docs() / "Untitled.$$$"));
  EXPECT_FALSE(fs::exists(fs::current_path() / "Untitled.$$$"));
  EXPECT_TRUE(rig.view.script.shown.empty());
}

TEST(Run, ACompileErrorStopsBeforeTheDownload) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load(dir.Doc("run.bas"));
  int downloads = 0;
  rig.studio.SetDownload([&](DownloadContext&) { return ++downloads, 0; });
  rig.editor.text = "GOTO NOWHERE\n";
  EXPECT_EQ(rig.studio.Run(), 1);
  EXPECT_EQ(downloads, 0);
  EXPECT_EQ(rig.view.script.shown.back().text, "Invalid label : NOWHERE");
  EXPECT_EQ(rig.view.panels[2], "");
}

TEST(Run, TheDownloadGetsTheWindowAndItsResultArmsTheBreakTimer) {
  ScratchDir dir;
  struct Case {
    const char* source;
    int result;
    bool timer;
    bool variable_items;
  };
  const Case cases[] = {
      {"DIM A AS BYTE\n", 0, true, false},
      {"CONST DEVICE = WF\nDIM A AS BYTE\n", 0, true, true},
      {"DIM A AS BYTE\n", -1, false, false},
      {"CONST DEVICE = WD\n", -1, false, true},
  };
  for (const Case& c : cases) {
    StudioRig rig(dir);
    rig.studio.Load(dir.Doc("run.bas"));
    rig.editor.text = c.source;
    rig.view.break_timer = true;
    bool blocked = false, timer_during = true;
    long code_addr = 0;
    int kind = 0;
    rig.studio.SetDownload([&](DownloadContext& ctx) {
      blocked = rig.view.in_transfer;
      timer_during = rig.view.break_timer;
      code_addr = ctx.compiler.CodeAddr;
      kind = core::KindOfSeries(ctx.link.series());
      ctx.ui.progress_max(ctx.compiler.CodeAddr / 2);
      ctx.ui.progress(5);
      ctx.ui.status("Code Size : 1B Byte");
      if (c.result != 0)
        ctx.ui.message(core::MessageTextOf({core::MessageCode::kModuleNotFound}, *ctx.startup_language),
                       "VARNOLIC Studio ERROR !", 64);
      return c.result;
    });
    EXPECT_EQ(rig.studio.Run(), c.result) << c.source;
    EXPECT_TRUE(blocked);
    EXPECT_FALSE(rig.view.in_transfer);
    EXPECT_FALSE(timer_during);
    EXPECT_EQ(code_addr, rig.studio.compiler().CodeAddr);
    EXPECT_EQ(kind, rig.studio.compiler().Device.DeviceKind);
    EXPECT_EQ(rig.view.break_timer, c.timer) << c.source;
    EXPECT_EQ(rig.view.variable_items, c.variable_items) << c.source;
    EXPECT_EQ(rig.view.progress_max, code_addr / 2);
    EXPECT_EQ(rig.view.panels[2], "Code Size : 1B Byte");
    if (c.result != 0) {
      EXPECT_EQ(rig.view.script.shown.back().text, "VARNOLIC module not found ! Check cable or power");
    }
  }
}

}  // namespace
}  // namespace vn::shell
