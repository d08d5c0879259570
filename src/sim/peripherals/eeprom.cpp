#include "sim/peripherals/eeprom.h"

namespace vn::sim {

bool Eeprom::Set(long addr, std::uint8_t value) {
  if (addr < 0 || addr >= kSize) return false;
  bytes_[static_cast<size_t>(addr)] = value;
  return true;
}

bool Eeprom::Write(long addr, std::uint8_t value) {
  if (!Set(addr, value)) return false;
  Emit(IoEventKind::kEepromWrite, static_cast<int>(addr), value);
  return true;
}

}  // namespace vn::sim
