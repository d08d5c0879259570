// The baud rates of the module's serial lines: SET RS232's table of rates by code, which the
// compiler writes and the interpreter reads, and the rates the PC-side monitors offer.
#pragma once

namespace vn::isa {

// SET RS232: the rates of the hardware serial port; a rate's code (the byte after
// SetSwitch::kRs232) is its place here.
inline constexpr int kRs232Bauds[] = {2400, 4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200};

// The rates a program's serial lines run at: SET RS232's, and below them the slower standard
// rates that SEROUT and SERIN (which take any baud value) are also written with.
inline constexpr int kSerialBauds[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200};

}  // namespace vn::isa
