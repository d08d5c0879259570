#include "sim/peripherals/display.h"

#include <algorithm>

namespace vn::sim {

Display::Display(BoardLink& board, int rows, int cols)
    : Peripheral(board), rows_(std::max(1, rows)), cols_(std::max(1, cols)) {
  Clear();
}

void Display::Clear() {
  cells_.assign(static_cast<size_t>(rows_), std::string(static_cast<size_t>(cols_), ' '));
  row_ = 0;
  col_ = 0;
}

void Display::Locate(int col, int row) {
  col_ = std::clamp(col, 0, cols_ - 1);
  row_ = std::clamp(row, 0, rows_ - 1);
}

void Display::Put(std::uint8_t ch) {
  cells_[static_cast<size_t>(row_)][static_cast<size_t>(col_)] = static_cast<char>(ch);
  if (++col_ < cols_) return;
  col_ = 0;
  row_ = (row_ + 1) % rows_;
}

std::string Display::Line(int row) const {
  if (row < 0 || row >= rows_) return {};
  std::string s = cells_[static_cast<size_t>(row)];
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

std::string Display::Text() const {
  std::string out;
  for (int r = 0; r < rows_; ++r) {
    if (r > 0) out += '\n';
    out += Line(r);
  }
  return out;
}

void Display::Write(std::string_view text) {
  const int row = row_;
  const int col = col_;
  for (char c : text) Put(static_cast<std::uint8_t>(c));
  Emit(IoEventKind::kDisplayText, row, col, 0, std::string(text));
}

void Display::ClearScreen() {
  Clear();
  Emit(IoEventKind::kDisplayClear, 0, 0);
}

void Display::ShowCursor(bool on) {
  SetCursorVisible(on);
  Emit(IoEventKind::kDisplayCursor, 0, on ? 1 : 0);
}

void Display::Init() {
  Clear();
  SetCursorVisible(false);
  Emit(IoEventKind::kDisplayClear, 0, 0);
}

}  // namespace vn::sim
