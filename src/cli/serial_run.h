// "vnstudio-cli run --serial-pty": the program on the module's clock following the wall clock,
// its serial line a pseudo-terminal that a PC-side program talks to while it runs.
#pragma once

#include <cstdint>
#include <functional>

#include "serial/virtual_serial_line.h"
#include "sim/interpreter.h"

namespace vn::cli {

struct WallClockEnd {
  sim::Stop stop;  // why the program stopped, when it stopped by itself or at a limit
  int signal = 0;  // SIGINT or SIGTERM when one ended the run, else 0
};

// Runs `vm` until it stops by itself (its end, a BREAK, a fault), until `max_steps` instructions
// or module time `until_us`, or until SIGINT or SIGTERM, moving bytes over `line` as it goes. A
// program waiting for serial input waits for the PC side. After a stop the bytes still on their
// way go out at their pace (for at most a second more). `after_chunk` runs after each piece of
// work, to pass on what it printed.
WallClockEnd RunOnWallClock(sim::Interpreter& vm, serial::VirtualSerialLine& line, std::uint64_t max_steps,
                            std::uint64_t until_us, const std::function<void()>& after_chunk);

}  // namespace vn::cli
