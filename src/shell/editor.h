// What the main window and the documents need of the source editor component.
// The IDE's editor widget implements it; the shell tests use a stand-in that keeps a string.
#pragma once

#include <string>

namespace vn::shell {

class EditorComponent {
 public:
  virtual ~EditorComponent() = default;

  // Writes the whole text to `path` as code page 949 text with CR LF line ends, replacing
  // the file. False when the file cannot be written.
  virtual bool SaveToFile(const std::string& path) = 0;
  // Replaces the text with the file's contents; a missing or unreadable file reports nothing.
  virtual void LoadFromFile(const std::string& path) = 0;
  // Empties the document.
  virtual void Clear() = 0;
  // Selects the colouring of the BASIC dialect.
  virtual void SetLanguage(const std::string& language) = 0;
  // Moves the caret to a zero-based line (-1: ask the user for a line).
  virtual void GoToLine(int zero_based_line) = 0;
  // Runs one of the component's own commands (edit, search, bookmark, settings).
  virtual void ExecuteCommand(int command, int data) = 0;
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void Cut() = 0;
  virtual void Copy() = 0;
  virtual void Paste() = 0;
  // Prints the document (print_setup false) or shows the printer setup (true).
  virtual void Print(bool print_setup) = 0;
  // End line (zero-based) and end column of the normalized selection.
  virtual int SelectionEndLine() const = 0;
  virtual int SelectionEndColumn() const = 0;
  virtual int LineCount() const = 0;
  // The 31 colour slots of the editor configuration.
  virtual void SetColor(int slot, unsigned color) = 0;
  virtual unsigned GetColor(int slot) const = 0;
  // Named switches and numbers: colouring, selection bounds, left margin, white space,
  // line numbering, numbering style and start, line tool tips.
  virtual void SetOption(const std::string& name, int value) = 0;
  virtual int GetOption(const std::string& name) const = 0;

  struct Font {
    std::string name;
    int size = 10;
    bool bold = false, italic = false, underline = false, strikethrough = false;
  };
  virtual void SetFont(const Font& font) = 0;
  virtual Font GetFont() const = 0;
  virtual void Focus() = 0;
};

}  // namespace vn::shell
