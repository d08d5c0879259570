// The three output views without their windows: the object code ("Program Code", frmCode),
// the label list ("Label", frmLabel) and the module's flash ("Read Flash Memory", frmProm).
// Each view prints rows from its top row down until a row passes the bottom of the window;
// the rows are made here from the compiler's tables and the flash read back.
#pragma once

#include <string>
#include <vector>

namespace vn::compiler {
class Compiler;
}
namespace vn::link {
class FlashImage;
}

namespace vn::shell {

enum class OutputViewKind { kCode, kLabel, kFlash };

struct OutputViewInfo {
  const char* window;     // object name of the window
  const char* caption;
  const char* scroll_bar; // object name of its scroll bar
};
const OutputViewInfo& ViewInfo(OutputViewKind kind);

// The label list's scroll bar keeps this maximum whatever the number of labels.
inline constexpr long kLabelScrollMaximum = 5000;
// The scroll bar's maximum when the view opens: CodeAddr \ 8 rows for the code and the flash.
long ScrollMaximum(OutputViewKind kind, long code_addr);

// How many rows a window of `height` pixels prints with rows of `line_height`: rows go on
// until the print position has passed the height, so a row cut by the bottom edge is printed.
int RowsThatFit(int height, int line_height);

// " 0  : NAME = 18": the index as numbers print (a blank for the sign and one after), " : ",
// the name, " = " and the address in upper-case hexadecimal. Eight labels per scroll step.
std::vector<std::string> LabelRows(const compiler::Compiler& compiled, long top_row, int max_rows);

// The rows a view shows from `top_row`, at most `max_rows` of them. Code and flash rows hold
// the address in hexadecimal, " : " and eight bytes each followed by a blank, and run while
// the row's address is below CodeAddr.
std::vector<std::string> ViewRows(OutputViewKind kind, const compiler::Compiler& compiled,
                                  const link::FlashImage& flash, long top_row, int max_rows);

// Where a window of w x h goes to be centred on a screen of screen_w x screen_h.
struct Origin {
  int left = 0, top = 0;
  bool operator==(const Origin&) const = default;
};
Origin CentredOrigin(int screen_w, int screen_h, int w, int h);

}  // namespace vn::shell
