// The module's character display of rows x columns cells. Bytes are stored as the program sends
// them (a Korean character is two bytes and takes two cells).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/peripherals/peripheral.h"

namespace vn::sim {

class Display final : public Peripheral {
 public:
  static constexpr const char* kName = "display";

  Display(BoardLink& board, int rows, int cols);
  std::string_view name() const override { return kName; }

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  int cursor_row() const { return row_; }
  int cursor_col() const { return col_; }
  bool cursor_visible() const { return cursor_visible_; }

  // One row with its trailing blanks removed.
  std::string Line(int row) const;
  // All rows, each without trailing blanks, joined by '\n'.
  std::string Text() const;

  // ---- The cells, without events ----
  void Clear();
  // Moves the cursor; positions beyond the display are clamped to its last cell.
  void Locate(int col, int row);
  // Writes one character at the cursor and advances it; past the last column the cursor
  // continues on the next row, and past the last row on the first.
  void Put(std::uint8_t ch);
  void SetCursorVisible(bool on) { cursor_visible_ = on; }

  // ---- The program side: PRINT, CLS, CSRON / CSROFF, LCDINIT ----
  void Write(std::string_view text);
  void ClearScreen();
  void ShowCursor(bool on);
  void Init();

 private:
  int rows_, cols_;
  int row_ = 0, col_ = 0;
  bool cursor_visible_ = false;
  std::vector<std::string> cells_;
};

}  // namespace vn::sim
