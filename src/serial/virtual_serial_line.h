// The virtual module's serial line as a pseudo-terminal: whatever a PC-side program (a script, a
// terminal program, our monitor) writes to the terminal's /dev/pts/N arrives at the program's
// serial input, and what the program sends comes out there, at the program's baud rate in the
// module's time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/pty.h"
#include "sim/peripherals/serial.h"

namespace vn::serial {

class VirtualSerialLine {
 public:
  // Opens a pseudo-terminal; null with the reason in `error` when the system has none to give.
  static std::unique_ptr<VirtualSerialLine> Open(std::string* error);

  // The path a PC-side program opens: "/dev/pts/N".
  const std::string& path() const;

  // Moves bytes both ways: the program's serial output that is due by `now_us` of module time out
  // to the terminal, and what the PC side wrote into the module's serial input (as much as the
  // input takes; the rest waits for the next call).
  void Pump(sim::Serial& serial, std::uint64_t now_us);

  // The program runs on a new module (a new sim::Serial): its output starts again from its
  // first byte. A reset or a download on the same module goes on where the line was.
  void Restart();

  // True when every byte the program has sent has been passed on to the terminal.
  bool Drained(const sim::Serial& serial) const;

  // The terminal's descriptor, readable when the PC side has written something (to wait on
  // with poll or a QSocketNotifier between pumps).
  int fd() const;
  // fd() while the line takes the PC side's bytes, -1 while those it holds already fill the serial
  // input: a program that reads nothing leaves the terminal readable, and a wait on it would end
  // at once, again and again.
  int input_fd() const;

 private:
  explicit VirtualSerialLine(platform::PseudoTerminal terminal);
  platform::PseudoTerminal terminal_;
  size_t sent_ = 0;        // bytes of the program's output passed on
  std::string pending_in_;  // bytes from the PC side the serial input had no room for yet
};

}  // namespace vn::serial
