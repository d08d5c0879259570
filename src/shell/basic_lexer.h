// Syntax colouring of the BASIC dialect, one line at a time (no construct of the dialect
// spans lines). Works on the UTF-8 bytes the editor holds; every byte of the line gets a style.
#pragma once

#include <string_view>
#include <vector>

namespace vn::shell {

enum BasicStyle : int {
  kStyleDefault = 0,  // names, blanks
  kStyleComment = 1,  // ' and REM to the end of the line
  kStyleString = 2,   // "..." and the character constant 'A'
  kStyleNumber = 3,   // 12, 1.5, &HFF, &O17, &B101
  kStyleKeyword = 4,  // statements, functions and the words inside statements
  kStyleOperator = 5,
  kStyleLabel = 6,    // a label where it is defined, and where GOTO / GOSUB name it
  kStyleCount = 7,
};

struct StyleRun {
  int start;   // byte offset in the line
  int length;  // bytes
  int style;
  bool operator==(const StyleRun&) const = default;
};

// The runs of one line (without its line end), adjacent runs of one style merged.
std::vector<StyleRun> StyleBasicLine(std::string_view line);

// True for a word the colouring shows as a keyword (upper case expected).
bool IsBasicKeyword(std::string_view upper_word);

}  // namespace vn::shell
