// Every caption of the main window's menu bar and toolbar, in menu order. The menus are built
// from this table, and a change of language only has to set the captions again from it.
#pragma once

#include <array>
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
  const char* shortcut;  // QKeySequence text, or ""
};

inline constexpr MenuEntry kMenuTable[] = {
    {MenuKind::kTop, "mnuFile", "&File", ""},
    {MenuKind::kItem, "mnuNew", "&New", "Ctrl+N"},
    {MenuKind::kItem, "mnuOpen", "&Open", "Ctrl+O"},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuSave", "&Save", "F2"},
    {MenuKind::kItem, "mnuSaveAs", "Save &As...", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuSaveObject", "Save Ob&ject...", ""},
    {MenuKind::kItem, "mnuDownloadfromObject", "&Download from Object...", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuPrint", "&Print", ""},
    {MenuKind::kItem, "mnuPrinterSetup", "Printer Set&up...", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kRecent, "mnuLastOpen", "", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuExit", "E&xit", ""},

    {MenuKind::kTop, "mnuEdit", "&Edit", ""},
    {MenuKind::kItem, "mnuUndo", "&Undo", "Ctrl+Z"},
    {MenuKind::kItem, "mnuRedo", "&Redo", "Ctrl+Y"},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuCut", "Cu&t", "Ctrl+X"},
    {MenuKind::kItem, "mnuCopy", "&Copy", "Ctrl+C"},
    {MenuKind::kItem, "mnuPaste", "&Paste", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuSelectAll", "Sellect A&ll", "Ctrl+A"},

    {MenuKind::kTop, "mnuSearch", "&Search", ""},
    {MenuKind::kItem, "mnuFind", "&Find...", "Ctrl+F"},
    {MenuKind::kItem, "mnuFindNext", "Find &Next", "F3"},
    {MenuKind::kItem, "mnuFindPrevious", "Find &Previous", "Ctrl+F3"},
    {MenuKind::kItem, "mnuReplace", "&Replace", "Ctrl+H"},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuGotoLine", "&Goto Line...", "Ctrl+G"},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuToggleBookmark", "&Toggle Bookmark", ""},
    {MenuKind::kItem, "mnuNextBookmark", "N&ext Bookmark", ""},
    {MenuKind::kItem, "mnuPreviousBookmark", "Pre&vious Bookmark", ""},
    {MenuKind::kItem, "mnuBookmarkclearall", "Bookmark clear &all", ""},

    {MenuKind::kTop, "mnuDevice", "&Device", ""},
    {MenuKind::kItem, "mnuVNKD", "VN-KD", ""},
    {MenuKind::kItem, "mnuVNKF", "VN-KF", ""},
    {MenuKind::kItem, "mnuVNLF", "VN-LF", ""},
    {MenuKind::kItem, "mnuVNLG", "VN-LG", ""},
    {MenuKind::kItem, "mnuVNND", "VN-ND", ""},
    {MenuKind::kItem, "mnuVNNG", "VN-NG", ""},
    {MenuKind::kItem, "mnuVNMWD", "VNM-WD", ""},
    {MenuKind::kItem, "mnuVNMWF", "VNM-WF", ""},

    {MenuKind::kTop, "mnuRunTop", "&Run", ""},
    {MenuKind::kItem, "mnuRun", "&Run", "F5"},
    {MenuKind::kItem, "mnuBreak", "&Break", "F6"},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuVerify", "&Verify", "F4"},
    {MenuKind::kItem, "mnuSyntaxCheck", "Syntax &Check", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuViewObjectCode", "View &Object Code...", "F8"},
    {MenuKind::kItem, "mnuViewLabelList", "View &Label List...", ""},
    {MenuKind::kItem, "mnuReadFlashMemory", "View VARNOLIC &Flash Memory...", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuCheckVariable", "C&heck Variable...", ""},
    {MenuKind::kItem, "mnuModifyVariable", "&Modify Variable...", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuClearFlashMemory", "Cle&ar Flash Memory", ""},

    {MenuKind::kTop, "mnuSetup", "Se&tup", ""},
    {MenuKind::kItem, "mnuUseKoreanMenu", "&Use Korean Menu", ""},
    {MenuKind::kItem, "mnuEditorEnvironment", "&Editor Environment...", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuPortSetup", "&PC Interface Setup...", ""},

    {MenuKind::kTop, "mnuHelpTop", "&Help", ""},
    {MenuKind::kItem, "mnuHelp", "&Help...", ""},
    {MenuKind::kItem, "mnuTipoftheday", "&Tip of the Day...", ""},
    {MenuKind::kSeparator, "", "", ""},
    {MenuKind::kItem, "mnuAbout", "&About VARNOLIC Studio...", ""},
};

// The device menu's items with the device code each one stands for.
struct DeviceItem {
  const char* menu;  // object name
  const char* code;  // device code: series and kind come from the compiler's device table
  const char* series;
  int kind;
};
inline constexpr std::array<DeviceItem, 8> kDeviceItems = {{
    {"mnuVNKD", "KD", "KX", 1},
    {"mnuVNKF", "KF", "KX", 1},
    {"mnuVNLF", "LF", "KX", 1},
    {"mnuVNLG", "LG", "KX", 1},
    {"mnuVNND", "ND", "NX", 1},
    {"mnuVNNG", "NG", "NX", 1},
    {"mnuVNMWD", "WD", "WX", 2},
    {"mnuVNMWF", "WF", "WX", 2},
}};

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

// The English caption of a menu or item, or "" when the table has none.
std::string_view EnglishCaption(std::string_view name);

}  // namespace vn::shell
