// The debug window (DebugWindow): the source view of the compile copy with the highlight bar on the
// line of the module's program counter, its scroll bar, the stepping buttons and menus, the
// status bar (program counter and object code) and the two polling timers. Everything it does
// goes through the DebugSession, which calls the Debugger and redraws the window.
#pragma once

#include <QFont>
#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QLabel;
class QScrollBar;
class QToolBar;
class QTimer;
class QToolButton;

namespace vn::shell {

class DebugSession;

// Captions of the debug window's buttons and menus. The Korean column is used for the three
// buttons that have a Korean caption; the rest keep their English ones in both languages.
struct DebugCaption {
  const char* name;
  const char* english;
  const char* korean;  // "" = the English caption in Korean as well
};

inline constexpr DebugCaption kDebugCaptions[] = {
    {"cmdBreak", "Break", "중지"},
    {"cmdStepInto", "Step Into", ""},
    {"cmdStepOver", "Step Over", ""},
    {"cmdStepOut", "Step Out", ""},
    {"cmdModifyVariable", "Modify Variable", "변수 수정"},
    {"cmdEraseFlash", "Erase Flash", "메모리 초기화"},
    {"cmdExit", "Exit", "종료"},
    {"mnuDebug", "Debug", ""},
    {"mnuBreak", "Break", "중지"},
    {"mnuSingleStepinto", "Step into", ""},
    {"mnuStepover", "Step over", ""},
    {"mnuStepOut", "Step Out", ""},
    {"mnuReset", "Reset", ""},
    {"mnuEraseflashmemory", "Erase Flash Memory", ""},
    {"mnuExit", "Exit", ""},
    {"mnuVariable", "Variable", ""},
    {"mnuModifyVariable", "Modify Variable", ""},
};

// The keys of the debug window's commands, as users of other debuggers expect them; the menu
// items show them and the buttons' tool tips name them.
struct DebugShortcut {
  const char* item;    // the menu item
  const char* button;  // the button that does the same
  const char* keys;    // QKeySequence text
};
inline constexpr DebugShortcut kDebugShortcuts[] = {
    {"mnuBreak", "cmdBreak", "F6"},
    {"mnuSingleStepinto", "cmdStepInto", "F7"},
    {"mnuStepover", "cmdStepOver", "F8"},
    {"mnuStepOut", "cmdStepOut", "Shift+F8"},
    {"mnuReset", "", "Ctrl+F2"},
};

// The caption of a button or menu of the debug window in a language ("" for an unknown name).
std::string DebugCaptionOf(std::string_view name, bool korean);

// Courier New 9.75 pt, or the system's fixed-pitch font where there is none: the source view's
// and the variable listing's font.
QFont ListingFont();

inline constexpr char kDebugWindowTitle[] = "VARNOLIC Studio Debug";

// The text area (picSource): rows of the compile copy, the current line's bar drawn with an
// exclusive-or pen in yellow, as the bar has always looked (a blue bar with yellow text on the
// white page).
class SourceView : public QWidget {
  Q_OBJECT
 public:
  explicit SourceView(QWidget* parent);
  void SetRows(std::vector<std::string> rows);
  void SetHighlightRow(int row);
  const std::vector<std::string>& rows() const { return rows_; }
  int highlight_row() const { return highlight_; }
  // Height of a text row ("Ag").
  int RowHeight() const;
  // Rows of text that fit (SrcVisibleLines).
  int VisibleRows() const;
  // Right edge of the bar: the scroll bar overlays the area's right edge.
  int bar_right = 0;
  std::function<void()> on_resize;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::vector<std::string> rows_;
  int highlight_ = -1;
};

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it is known by.
class DebugWindow : public QMainWindow {
  Q_OBJECT
 public:
  DebugWindow(DebugSession& session, QWidget* parent);
  ~DebugWindow() override;

  // The load: the series' commands and the captions of the language.
  void Prepare(bool vnm_commands, bool korean);
  // Redraws the text from the debugger's SrcTopLine (reload) or moves the bar only.
  void ReloadSource();
  void MoveHighlight();
  void ShowStatus(const std::string& pc, const std::string& object_code);
  // "Running" (Break enabled) or "Stopped at line N" (Break disabled).
  void ShowState(bool running, int line, bool korean);
  QString StateText() const;
  bool running() const { return running_; }
  // The scroll bar's maximum (LineCountPlus1) and value (SrcTopLine), without a change event.
  void SetScroll(int maximum, int value);
  void SetPolling(bool return_status, bool return_status_usb);
  // Closes without the leave sequence (the session is going).
  void Discard();

  // ---- For the tests and the session --------------------------------------------------------------
  SourceView* source_view() const { return picSource; }
  QScrollBar* scroll_bar() const { return vsbSource; }
  QTimer* return_status_timer() const { return tmrReturnStatus; }
  QTimer* return_status_usb_timer() const { return tmrReturnStatusUsb; }
  QToolButton* button(std::string_view name) const;
  QAction* menu_action(std::string_view name) const;
  QString PanelText(int panel) const;
  bool closing() const { return closing_; }

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void AddButton(const char* name, std::function<void()> handler);
  void LayOut();

  DebugSession& session_;
  SourceView* picSource;
  QScrollBar* vsbSource;
  QTimer* tmrReturnStatus;
  QTimer* tmrReturnStatusUsb;
  QLabel* panels_[2] = {};
  QLabel* state_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  bool running_ = false;
  std::map<std::string, QToolButton*, std::less<>> buttons_;
  std::map<std::string, QAction*, std::less<>> actions_;
  std::map<std::string, QMenu*, std::less<>> menus_;
  bool closing_ = false;
  bool discarded_ = false;
};

}  // namespace vn::shell
