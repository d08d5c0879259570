// A peripheral of the virtual module: one piece of a module's hardware (the ports, the display,
// the serial line, ...) that owns its state and reports what it does as events. Peripherals are
// attached to a Board (board.h), which gives them the virtual clock and the event log through
// BoardLink; they know nothing of each other, of the interpreter, of cables or of windows.
//
// What the world outside may do to a peripheral's inputs is declared as input kinds, so that
// the command line's --input items find them by name (registry.h) instead of keeping a list of
// their own.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "sim/io_event.h"

namespace vn::sim {

// What a peripheral sees of the board it is attached to.
class BoardLink {
 public:
  virtual std::uint64_t clock_us() const = 0;
  // Logs an event at the current virtual time and hands it to the board's listener.
  virtual void Emit(IoEventKind kind, int port, long value, long extra, std::string text) = 0;
  // Something the program may react to arrived (an edge, an interrupt request, serial input).
  virtual void RaiseAttention() = 0;

 protected:
  ~BoardLink() = default;
};

class Peripheral;

// One number of an input item: its symbol in the item's form ("N" in port:N=L), what it is
// called in a message, and its largest value (the smallest is 0). A null symbol: no such field.
struct InputField {
  const char* symbol = nullptr;
  const char* name = nullptr;
  std::uint64_t max = 0;
};

// An input the outside world sets: KEY:TARGET=VALUE, KEY:TARGET when `value` has no symbol, or
// KEY:TEXT for a peripheral that takes bytes. Exactly one of `set` and `push` is given.
struct InputKind {
  const char* key = nullptr;
  InputField target;
  InputField value;
  void (*set)(Peripheral& self, std::uint64_t target, std::uint64_t value) = nullptr;
  // Bytes for the peripheral; false when they do not fit.
  bool (*push)(Peripheral& self, std::string_view bytes) = nullptr;
};

class Peripheral {
 public:
  explicit Peripheral(BoardLink& board) : board_(board) {}
  virtual ~Peripheral() = default;
  Peripheral(const Peripheral&) = delete;
  Peripheral& operator=(const Peripheral&) = delete;

  // The name it is registered under (registry.cpp).
  virtual std::string_view name() const = 0;
  // The inputs it takes from outside, in the order they are listed to users. Each peripheral
  // that takes some hides this with its own; the registry lists them without a board.
  static std::span<const InputKind> Inputs() { return {}; }

 protected:
  BoardLink& board() const { return board_; }
  void Emit(IoEventKind kind, int port, long value, long extra = 0, std::string text = {}) {
    board_.Emit(kind, port, value, extra, std::move(text));
  }

 private:
  BoardLink& board_;
};

}  // namespace vn::sim
