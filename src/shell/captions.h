// Every caption of the main window's menu bar and toolbar, in menu order and in both languages.
// The menus are built from this table, and a change of language sets the captions again from it.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vn::shell {

enum class MenuKind {
  kTop,        // a menu of the menu bar; the items after it belong to it
  kItem,
  kSeparator,
  kRecent,     // the place of the recent-files items 1..4
};

struct MenuEntry {
  MenuKind kind;
  const char* name;      // object name of the menu or item
  const char* english;   // caption with its access key
  const char* korean;    // the Korean caption (the device items keep their codes)
  const char* shortcut;  // QKeySequence text, or ""
};

inline constexpr MenuEntry kMenuTable[] = {
    {MenuKind::kTop, "mnuFile", "&File", "파일(&F)", ""},
    {MenuKind::kItem, "mnuNew", "&New", "새로 만들기(&N)", "Ctrl+N"},
    {MenuKind::kItem, "mnuOpen", "&Open", "열기(&O)", "Ctrl+O"},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuSave", "&Save", "저장하기(&S)", "F2"},
    {MenuKind::kItem, "mnuSaveAs", "Save &As...", "다른이름으로 저장(&A)...", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuSaveObject", "Save Ob&ject...", "오브젝트만 저장(&J)...", ""},
    {MenuKind::kItem, "mnuDownloadfromObject", "&Download from Object...", "오브젝트 다운로드(&D)...", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuPrint", "&Print", "인쇄(&P)", ""},
    {MenuKind::kItem, "mnuPrinterSetup", "Printer Set&up...", "프린터 설정(&U)...", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kRecent, "mnuLastOpen", "", "", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuExit", "E&xit", "끝내기(&X)", ""},

    {MenuKind::kTop, "mnuEdit", "&Edit", "편집(&E)", ""},
    {MenuKind::kItem, "mnuUndo", "&Undo", "취소(&U)", "Ctrl+Z"},
    {MenuKind::kItem, "mnuRedo", "&Redo", "재실행(&R)", "Ctrl+Y"},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuCut", "Cu&t", "잘라내기(&T)", "Ctrl+X"},
    {MenuKind::kItem, "mnuCopy", "&Copy", "복사(&C)", "Ctrl+C"},
    {MenuKind::kItem, "mnuPaste", "&Paste", "붙여넣기(&P)", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuSelectAll", "Sellect A&ll", "전체선택(&L)", "Ctrl+A"},

    {MenuKind::kTop, "mnuSearch", "&Search", "찾기(&S)", ""},
    {MenuKind::kItem, "mnuFind", "&Find...", "찾기(&F)...", "Ctrl+F"},
    {MenuKind::kItem, "mnuFindNext", "Find &Next", "다음 찾기(&N)", "F3"},
    {MenuKind::kItem, "mnuFindPrevious", "Find &Previous", "뒤로 찾기(&P)", "Ctrl+F3"},
    {MenuKind::kItem, "mnuReplace", "&Replace", "바꾸기(&R)", "Ctrl+H"},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuGotoLine", "&Goto Line...", "행번호 가기(&G)...", "Ctrl+G"},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuToggleBookmark", "&Toggle Bookmark", "북마크 토글(&T)", ""},
    {MenuKind::kItem, "mnuNextBookmark", "N&ext Bookmark", "다음 북마크로 이동(&E)", ""},
    {MenuKind::kItem, "mnuPreviousBookmark", "Pre&vious Bookmark", "이전 북마크로 이동(&V)", ""},
    {MenuKind::kItem, "mnuBookmarkclearall", "Bookmark clear &all", "전체 북마크 지우기(&A)", ""},

    {MenuKind::kTop, "mnuDevice", "&Device", "디바이스(&D)", ""},
    {MenuKind::kItem, "mnuVNKD", "VN-KD", "VN-KD", ""},
    {MenuKind::kItem, "mnuVNKF", "VN-KF", "VN-KF", ""},
    {MenuKind::kItem, "mnuVNLF", "VN-LF", "VN-LF", ""},
    {MenuKind::kItem, "mnuVNLG", "VN-LG", "VN-LG", ""},
    {MenuKind::kItem, "mnuVNND", "VN-ND", "VN-ND", ""},
    {MenuKind::kItem, "mnuVNNG", "VN-NG", "VN-NG", ""},
    {MenuKind::kItem, "mnuVNMWD", "VNM-WD", "VNM-WD", ""},
    {MenuKind::kItem, "mnuVNMWF", "VNM-WF", "VNM-WF", ""},

    {MenuKind::kTop, "mnuRunTop", "&Run", "실행(&R)", ""},
    {MenuKind::kItem, "mnuRun", "&Run", "실행(&R)", "F5"},
    {MenuKind::kItem, "mnuBreak", "&Break", "중지[디버그모드](&B)", "F6"},
    {MenuKind::kItem, "mnuToggleBreakpoint", "Toggle Brea&kpoint", "중단점 설정/해제(&K)", "F9"},
    {MenuKind::kItem, "mnuRunToCursor", "Run to C&ursor", "커서까지 실행(&U)", "Ctrl+F10"},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuVerify", "&Verify", "비교(&V)", "F4"},
    {MenuKind::kItem, "mnuSyntaxCheck", "Syntax &Check", "문법검사(&C)", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuViewObjectCode", "View &Object Code...", "오브젝트 코드 확인(&O)...", "F8"},
    {MenuKind::kItem, "mnuViewLabelList", "View &Label List...", "라벨 확인(&L)...", ""},
    {MenuKind::kItem, "mnuReadFlashMemory", "View VARNOLIC &Flash Memory...", "VARNOLIC플레쉬 메모리 확인(&F)...", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuCheckVariable", "C&heck Variable...", "변수창 보기(&H)...", ""},
    {MenuKind::kItem, "mnuModifyVariable", "&Modify Variable...", "변수 내용 수정(&M)...", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuClearFlashMemory", "Cle&ar Flash Memory", "VARNOLIC플레쉬 메모리 지움(&A)", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuSerialMonitor", "&Serial Monitor...", "시리얼 모니터(&S)...", ""},
    {MenuKind::kItem, "mnuSerialPlotter", "Serial &Plotter...", "시리얼 플로터(&P)...", ""},

    {MenuKind::kTop, "mnuSetup", "Se&tup", "설정(&T)", ""},
    {MenuKind::kItem, "mnuUseKoreanMenu", "&Use Korean Menu", "영문 메뉴로 전환(&U)", ""},
    {MenuKind::kItem, "mnuEditorEnvironment", "&Editor Environment...", "에디터 환경 설정(&E)...", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuPortSetup", "&PC Interface Setup...", "PC 인터페이스 설정(&P)...", ""},

    {MenuKind::kTop, "mnuHelpTop", "&Help", "도움말(&H)", ""},
    {MenuKind::kItem, "mnuHelp", "&Help...", "VARNOLIC 도움말(&H)...", ""},
    {MenuKind::kItem, "mnuTipoftheday", "&Tip of the Day...", "오늘의 팁(&T)...", ""},
    {MenuKind::kSeparator, "", "", "", ""},
    {MenuKind::kItem, "mnuAbout", "&About VARNOLIC Studio...", "VARNOLIC Studio 정보(&A)...", ""},
};

// Toolbar buttons in order; an entry without a command is a separator.
struct ToolButton {
  const char* tooltip;
  const char* command;  // the menu item whose command the button runs
};
inline constexpr ToolButton kToolbar[] = {
    {"New", "mnuNew"},         {"Open", "mnuOpen"},   {"Save", "mnuSave"},
    {"", ""},
    {"Print", "mnuPrint"},
    {"", ""},
    {"Undo", "mnuUndo"},       {"Redo", "mnuRedo"},
    {"", ""},
    {"Cut", "mnuCut"},         {"Copy", "mnuCopy"},   {"Paste", "mnuPaste"},
    {"", ""},
    {"Find", "mnuFind"},       {"Find Next", "mnuFindNext"}, {"Find Previous", "mnuFindPrevious"},
    {"", ""},
    {"Editor Environment", "mnuEditorEnvironment"},
    {"", ""},
    {"Run", "mnuRun"},         {"Break", "mnuBreak"},
};

// The debug window's state line in both languages; "%1" stands for the line number.
struct StateCaption {
  const char* name;
  const char* english;
  const char* korean;
};
inline constexpr StateCaption kDebugStateCaptions[] = {
    {"lblRunning", "Running", "실행 중"},
    {"lblStopped", "Stopped at line %1", "%1행에서 정지"},
};
// "Running" while the module runs, "Stopped at line N" at a stop, in the menu language.
std::string DebugStateText(bool running, int line, bool korean);

// The Serial Monitor's and the Serial Plotter's texts in both languages: window titles, labels,
// buttons, tips, placeholders and state lines. "%1" and "%2" stand for a port, a baud, a path or
// a count; the code sets, the line endings' CR and LF and the PNG and CSV formats keep their
// names in both.
inline constexpr StateCaption kSerialCaptions[] = {
    {"frmSerialMonitor", "Serial Monitor", "시리얼 모니터"},
    {"lblPort", "Port", "포트"},
    {"lblBaud", "Baud", "통신속도"},
    {"cmdConnect", "Connect", "연결"},
    {"cmdDisconnect", "Disconnect", "연결 끊기"},
    {"lblCodeSet", "Code set", "문자 코드"},
    {"tipCodeSet", "The code set of the text received and sent", "받고 보내는 글자의 문자 코드"},
    {"chkHex", "Hex", "16진수"},
    {"tipHex", "Show each read as hexadecimal bytes with its time", "받은 바이트를 받은 시각과 함께 16진수로 표시"},
    {"chkAutoscroll", "Autoscroll", "자동 스크롤"},
    {"cmdClear", "Clear", "지우기"},
    {"cmdSave", "Save...", "저장하기..."},
    {"txtSend", "Text to send (Enter sends it)", "보낼 내용 (Enter를 누르면 보냅니다)"},
    {"endNone", "No line ending", "줄바꿈 없음"},
    {"endCr", "CR", "CR"},
    {"endLf", "LF", "LF"},
    {"endCrLf", "CR LF", "CR LF"},
    {"cmdSend", "Send", "보내기"},
    {"itmVirtual", "Virtual module (%1)", "가상 모듈 (%1)"},
    {"dlgSave", "Save received text", "받은 내용 저장"},
    {"dlgSaveFilter", "Text (*.txt);;All files (*)", "텍스트 (*.txt);;모든 파일 (*)"},
    {"stConnected", "Connected to %1 at %2 baud", "%1에 %2 baud로 연결됨"},
    {"stNotConnected", "Not connected", "연결되지 않음"},
    {"stNoPort", "No port chosen: plug in a USB-serial adapter or use the virtual module",
     "선택한 포트가 없습니다: USB-시리얼 어댑터를 연결하거나 가상 모듈을 사용하십시오"},
    {"stDisconnected", "Disconnected", "연결 끊김"},
    {"stSendNotConnected", "Not connected: choose a port and press Connect",
     "연결되지 않음: 포트를 선택하고 [연결]을 누르십시오"},
    {"stSaveError", "Save Error:%1: %2", "저장 오류:%1: %2"},
    {"stSaved", "Saved to %1", "%1에 저장했습니다"},
    {"stLent", "%1 is closed for the download", "다운로드를 위해 %1을(를) 닫았습니다"},
    {"stWaiting", "Waiting for %1 to come back after the download", "다운로드 뒤 %1이(가) 돌아오기를 기다리는 중"},

    {"frmSerialPlotter", "Serial Plotter", "시리얼 플로터"},
    {"lblPoints", "Points", "표시 개수"},
    {"tipPoints", "How many of the last lines are drawn", "마지막 몇 줄까지 그릴지 정합니다"},
    {"chkPause", "Pause", "일시정지"},
    {"cmdExportPng", "Export PNG...", "PNG로 내보내기..."},
    {"cmdExportCsv", "Export CSV...", "CSV로 내보내기..."},
    {"cmdOpenMonitor", "Serial Monitor...", "시리얼 모니터..."},
    {"axsSample", "sample", "샘플"},
    {"dlgExportPng", "Export PNG", "PNG로 내보내기"},
    {"dlgExportCsv", "Export CSV", "CSV로 내보내기"},
    {"dlgPngFilter", "PNG image (*.png)", "PNG 이미지 (*.png)"},
    {"dlgCsvFilter", "CSV (*.csv)", "CSV (*.csv)"},
    {"stPlotting", "Plotting %1 at %2 baud", "%1 (%2 baud) 그래프 표시 중"},
    {"stPlotNotConnected", "Not connected: connect a port in the Serial Monitor",
     "연결되지 않음: 시리얼 모니터에서 포트를 연결하십시오"},
    {"stTooManyNames", "More than %1 names: %2 not drawn", "이름이 %1개를 넘습니다: %2은(는) 그리지 않습니다"},
    {"stExportError", "Export Error:%1: %2", "내보내기 오류:%1: %2"},
    {"stExported", "Exported %1", "%1(으)로 내보냈습니다"},
};
// The serial windows' text of `name` in the language of `korean`, or "" when the table has none.
std::string_view SerialCaption(std::string_view name, bool korean);

// The English caption of a menu or item, or "" when the table has none.
std::string_view EnglishCaption(std::string_view name);
// The caption in the language of `korean`, or "" when the table has none.
std::string_view MenuCaption(std::string_view name, bool korean);

}  // namespace vn::shell
