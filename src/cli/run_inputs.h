// The --input items of "vnstudio-cli run": what the world outside does to the virtual module's
// inputs, at once or at a virtual time. The items are the input kinds that the board's
// peripherals declare (sim/peripherals/registry.h); every field is held to what the module has
// (ports 0..64, counters 0 and 1, interrupt lines 0 and 1, ...), so that an item the module
// could never see is refused with its name instead of being dropped without a word.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sim/board.h"

namespace vn::cli {

// One item as read.
struct InputItem {
  std::optional<std::uint64_t> at_ms;  // @MS: applied when the virtual clock gets there
  // Puts the input into the module; false when it did not fit (the serial input buffer is full).
  std::function<bool(sim::Board&)> apply;
};

// The item, or `error` (empty when it was read): one line saying what is wrong with it.
struct InputRead {
  InputItem item;
  std::string error;
};

// [@MS:]ITEM, ITEM one of TEXT | serial:TEXT | port:N=L | adc:N=V | adkey:N=K | keypad:B=K |
// count:N=V | capture:P=V | shiftin:V | int:N. Numbers are decimal, or hexadecimal after 0x or
// &H; TEXT takes \r \n \t \0 \\ and \xHH.
InputRead ReadInput(std::string_view text);

// The forms and ranges of the items, for --help.
std::string InputHelp();

}  // namespace vn::cli
