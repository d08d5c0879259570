// The object code image: byte addresses 0..64000 and the map from code address to the
// source line of the statement that begins there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "isa/isa.h"

namespace vn::core {

class CodeImage {
 public:
  static constexpr long kLastAddr = isa::kLastCodeAddr;
  static constexpr long kHeaderSize = isa::kHeaderSize;
  static constexpr std::uint8_t kHeaderFill = isa::kHeaderFill;

  CodeImage() { Reset(); }

  // Every byte 0, the header filled, every line map entry 1.
  void Reset();
  void ClearHeader();

  static constexpr bool InRange(long addr) { return addr >= 0 && addr <= kLastAddr; }
  // Bytes outside 0..64000 read as 0 and are not stored.
  std::uint8_t Get(long addr) const { return InRange(addr) ? bytes_[static_cast<std::size_t>(addr)] : 0; }
  void Set(long addr, std::uint8_t value) {
    if (InRange(addr)) bytes_[static_cast<std::size_t>(addr)] = value;
  }
  int LineOf(long addr) const { return InRange(addr) ? lines_[static_cast<std::size_t>(addr)] : 1; }
  void SetLine(long addr, int line) {
    if (InRange(addr)) lines_[static_cast<std::size_t>(addr)] = line;
  }

 private:
  std::array<std::uint8_t, kLastAddr + 1> bytes_;
  std::array<int, kLastAddr + 1> lines_;
};

}  // namespace vn::core
