// What the main window's logic needs of the editor beyond the component interface of
// editor.h: the text itself (the documents and the compile do their own encoding), the
// fractional point size the settings allow, and the mark of a compile error's line.
#pragma once

#include <string>

#include "shell/editor.h"

namespace vn::shell {

// Option names of EditorComponent::SetOption / GetOption; switches are 0 (off) or 1 (on).
inline constexpr char kOptColorSyntax[] = "colorsyntax";
inline constexpr char kOptSelBounds[] = "selbounds";
inline constexpr char kOptLeftMargin[] = "leftmargin";
inline constexpr char kOptWhiteSpace[] = "whitespace";
inline constexpr char kOptNumbering[] = "numbering";
inline constexpr char kOptNumberingStyle[] = "numberingstyle";
inline constexpr char kOptNumberingStart[] = "numberingstart";
inline constexpr char kOptLineToolTips[] = "lttips";

// Line numbering styles.
inline constexpr int kNumberingDecimal = 1;
inline constexpr int kNumberingHex = 2;
inline constexpr int kNumberingOctal = 3;
inline constexpr int kNumberingBinary = 4;

// A colour slot's value when it has no colour of its own (the Windows RGB layout otherwise:
// red in the low byte).
inline constexpr unsigned kNoColor = 0xFFFFFFFFu;

class ShellEditor : public shell::EditorComponent {
 public:
  // The whole text in UTF-8 with '\n' line ends.
  virtual std::string Text() const = 0;
  // Replaces the text as a load does: nothing to undo, no change event.
  virtual void SetText(const std::string& utf8) = 0;
  virtual void SetFontSize(double points) = 0;
  virtual double FontSize() const = 0;
  // Marks the line (zero-based) a compile error was found on, until the next change.
  virtual void MarkErrorLine(int line) = 0;
};

}  // namespace vn::shell
