// The source editor, txtEditor: QScintilla with the dialect's colouring, the 31 colour slots,
// the switches and the font of the editor settings, bookmarks, search and replace, go to line,
// printing, and the component operations the compiler and the documents rely on.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <QPointer>
#include <array>
#include <functional>
#include <memory>

#include "shell/editor_settings.h"
#include "shell/shell_editor.h"

class QsciPrinter;

namespace vn::platform {
class CodePage;
}

namespace vn::shell {

class BasicLexer;
class FindDialog;

// Command numbers of ExecuteCommand.
inline constexpr int kCmdSelectAll = 137;
inline constexpr int kCmdGotoLine = 168;
inline constexpr int kCmdReplace = 169;
inline constexpr int kCmdFindPrevious = 174;
inline constexpr int kCmdFindNext = 176;
inline constexpr int kCmdFind = 178;
inline constexpr int kCmdToggleBookmark = 204;
inline constexpr int kCmdPreviousBookmark = 205;
inline constexpr int kCmdNextBookmark = 206;
inline constexpr int kCmdClearBookmarks = 207;
inline constexpr int kCmdEnvironment = 224;

struct SearchOptions {
  QString text;
  QString replacement;
  bool case_sensitive = false;
  bool whole_word = false;
  bool regex = false;
  bool forward = true;
};

class CodeEditor : public QsciScintilla, public ShellEditor {
  Q_OBJECT
 public:
  explicit CodeEditor(QWidget* parent = nullptr);
  ~CodeEditor() override;

  // ---- EditorComponent --------------------------------------------------------------------
  bool SaveToFile(const std::string& path) override;
  void LoadFromFile(const std::string& path) override;
  void Clear() override { SetText(""); }
  void SetLanguage(const std::string& language) override;
  void GoToLine(int zero_based_line) override;
  void ExecuteCommand(int command, int data) override;
  void Undo() override { undo(); }
  void Redo() override { redo(); }
  void Cut() override { cut(); }
  void Copy() override { copy(); }
  void Paste() override { paste(); }
  void Print(bool print_setup) override;
  int SelectionEndLine() const override;
  int SelectionEndColumn() const override;
  int LineCount() const override { return lines(); }
  void SetColor(int slot, unsigned color) override;
  unsigned GetColor(int slot) const override;
  void SetOption(const std::string& name, int value) override;
  int GetOption(const std::string& name) const override;
  void SetFont(const Font& font) override;
  Font GetFont() const override;
  void Focus() override { setFocus(); }

  // ---- ShellEditor --------------------------------------------------------------------------
  std::string Text() const override;
  void SetText(const std::string& utf8) override;
  void SetFontSize(double points) override;
  double FontSize() const override { return font_size_; }
  void MarkErrorLine(int line) override;

  // ---- Search -------------------------------------------------------------------------------
  // Finds the next match from the selection in the options' direction, wrapping at the end.
  bool Find(const SearchOptions& options);
  // Replaces the selection when it is a match, then finds the next one.
  bool ReplaceOnce(const SearchOptions& options);
  // Replaces every match in the document as one undo step; returns how many.
  int ReplaceAll(const SearchOptions& options);
  const SearchOptions& last_search() const { return last_search_; }
  // The line (zero-based) of each bookmark, in order.
  std::vector<int> Bookmarks() const;
  int ErrorLine() const { return error_line_; }

  // ---- Breakpoints ---------------------------------------------------------------------------
  // The zero-based lines that carry a breakpoint marker, ascending. The markers move with the
  // lines inserted or deleted above them, so these are the lines as the text stands now.
  std::vector<int> BreakpointLines() const;
  // Puts markers on exactly these lines (those past the end are left out).
  void SetBreakpoints(const std::vector<int>& lines);
  // True when the line carries a marker afterwards.
  bool ToggleBreakpoint(int line);
  // The breakpoint margin was clicked on a line; unset: the marker toggles there.
  std::function<void(int line)> on_breakpoint_click;
  // The tip for a word under the mouse (empty: none).
  std::function<QString(const QString& word)> hover_text;
  // The tip the mouse resting at a text position shows.
  QString HoverTextAt(int position) const;

  // Called on every change of the text by the user, and on every move of the caret or the
  // selection.
  std::function<void()> on_change;
  std::function<void()> on_selection_change;
  // Stand-ins for the dialogs (tests): the settings dialog edits the profile and returns
  // whether it was accepted; the go-to-line question returns a 1-based line or 0.
  std::function<bool(EditorProfile&)> environment_dialog;
  std::function<int(int line_count)> ask_line;
  // Shows "not found" and similar notes; unset: a message box.
  std::function<void(const QString&)> notify;

 protected:
  // A key that types or moves the caret: the position is read once the caret has moved, so
  // that the status bar shows where the caret is now, not where it was before the key.
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  void ApplyColors();
  void SetUpBreakpoints();
  void ApplyMargins();
  void ApplyFont();
  void UpdateLineNumbers();
  void ShowFindDialog(bool replace);
  void FindAgain(bool forward);
  void AskAndGoToLine();
  void RunEnvironmentDialog();
  void NextBookmark(bool forward);
  void Note(const QString& text);

  BasicLexer* lexer_;
  std::unique_ptr<platform::CodePage> code_page_;
  std::unique_ptr<QsciPrinter> printer_;
  QPointer<FindDialog> find_dialog_;
  SearchOptions last_search_;
  bool have_search_ = false;

  std::array<unsigned, kColorSlotCount> colors_{};
  bool color_syntax_ = false;
  bool basic_language_ = true;
  bool sel_bounds_ = true;
  bool left_margin_ = true;
  bool white_space_ = false;
  bool numbering_ = false;
  bool line_tool_tips_ = true;
  int numbering_style_ = kNumberingDecimal;
  int numbering_start_ = 1;
  QString font_family_;
  double font_size_ = 8;
  bool bold_ = false, italic_ = false, underline_ = false, strike_ = false;

  bool suppress_change_ = false;
  int error_line_ = -1;
};

}  // namespace vn::shell
