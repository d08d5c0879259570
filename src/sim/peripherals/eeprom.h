// The module's EEPROM of 64 KB; erased bytes read &HFF.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/peripherals/peripheral.h"

namespace vn::sim {

class Eeprom final : public Peripheral {
 public:
  static constexpr const char* kName = "eeprom";
  static constexpr long kSize = 65536;

  explicit Eeprom(BoardLink& board) : Peripheral(board), bytes_(static_cast<size_t>(kSize), 0xFF) {}
  std::string_view name() const override { return kName; }

  // The byte at `addr`, or -1 outside the EEPROM.
  int Byte(long addr) const { return addr >= 0 && addr < kSize ? bytes_[static_cast<size_t>(addr)] : -1; }
  // From outside, without an event; false outside the EEPROM.
  bool Set(long addr, std::uint8_t value);
  // EEWRITE: logged; false (nothing written) outside the EEPROM.
  bool Write(long addr, std::uint8_t value);

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace vn::sim
