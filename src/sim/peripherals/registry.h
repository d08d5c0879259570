// The peripherals a board is built with, in the order they are listed to users (the command
// line's --input forms, the IDE's dock). A new peripheral is its own file and one row here.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "sim/peripherals/peripheral.h"

namespace vn::sim {

// What a board is built for.
struct BoardOptions {
  int display_rows = 4;
  int display_cols = 20;
};

struct PeripheralRegistration {
  const char* name;  // the peripheral's name()
  std::unique_ptr<Peripheral> (*make)(BoardLink& board, const BoardOptions& options);
  std::span<const InputKind> (*inputs)();
};

std::span<const PeripheralRegistration> PeripheralRegistry();

// The input kind called `key` and the peripheral that takes it, or nulls.
struct InputLookup {
  const PeripheralRegistration* owner = nullptr;
  const InputKind* kind = nullptr;
};
InputLookup FindInputKind(std::string_view key);
// The first input kind that takes bytes: where text without a key goes.
InputLookup DefaultTextInput();

}  // namespace vn::sim
