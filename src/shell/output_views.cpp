#include "shell/output_views.h"

#include <algorithm>

#include "compiler/compiler.h"
#include "link/flash.h"
#include "link/link.h"

namespace vn::shell {

namespace {

std::string Hex(unsigned long v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), kDigits[v % 16]);
    v /= 16;
  } while (v != 0);
  return s;
}

// The end address that limits rows from `top_row` to `max_rows` of them.
long RowEnd(long code_addr, long top_row, int max_rows) {
  return std::min(code_addr, (top_row + std::max(max_rows, 0)) * 8);
}

}  // namespace

const OutputViewInfo& ViewInfo(OutputViewKind kind) {
  static const OutputViewInfo kCode{"frmCode", "Program Code", "vsbCode"};
  static const OutputViewInfo kLabel{"frmLabel", "Label", "vsbLabel"};
  static const OutputViewInfo kFlash{"frmProm", "Read Flash Memory", "vsbProm"};
  switch (kind) {
    case OutputViewKind::kCode: return kCode;
    case OutputViewKind::kLabel: return kLabel;
    case OutputViewKind::kFlash: break;
  }
  return kFlash;
}

long ScrollMaximum(OutputViewKind kind, long code_addr) {
  return kind == OutputViewKind::kLabel ? kLabelScrollMaximum : std::max(code_addr, 0L) / 8;
}

int RowsThatFit(int height, int line_height) {
  if (line_height <= 0) return 0;
  return std::max(height, 0) / line_height + 1;
}

std::vector<std::string> LabelRows(const compiler::Compiler& compiled, long top_row, int max_rows) {
  std::vector<std::string> rows;
  const long count = compiled.LabelCount();
  for (long i = std::max(top_row, 0L) * 8; i < count && static_cast<int>(rows.size()) < max_rows; ++i) {
    const compiler::LabelEntry& label = compiled.Labels[static_cast<size_t>(i)];
    rows.push_back(link::SignedText(i) + " " + " : " + compiled.Utf8(label.LabelName) + " = " +
                   Hex(static_cast<unsigned long>(label.LabelAddr)));
  }
  return rows;
}

std::vector<std::string> ViewRows(OutputViewKind kind, const compiler::Compiler& compiled,
                                  const link::FlashImage& flash, long top_row, int max_rows) {
  top_row = std::max(top_row, 0L);
  switch (kind) {
    case OutputViewKind::kLabel:
      return LabelRows(compiled, top_row, max_rows);
    case OutputViewKind::kCode:
      return compiler::CodeRows(compiled.Code, RowEnd(compiled.CodeAddr, top_row, max_rows), top_row);
    case OutputViewKind::kFlash:
      break;
  }
  return link::FlashRows(flash, RowEnd(compiled.CodeAddr, top_row, max_rows), top_row);
}

Origin CentredOrigin(int screen_w, int screen_h, int w, int h) { return {(screen_w - w) / 2, (screen_h - h) / 2}; }

}  // namespace vn::shell
