// What the virtual module's peripherals report as they act: one event per visible effect of a
// statement, stamped with the virtual clock. The command line prints them, the IDE and the tests
// watch them.
#pragma once

#include <cstdint>
#include <string>

namespace vn::sim {

enum class IoEventKind {
  kPortLevel,     // port drives `value` (0 or 1)
  kPortInput,     // port switched to input
  kBlockOut,      // BYTEOUT: block `port`, byte `value`
  kPwm,           // port, duty `value`, third argument `extra`
  kPwmOff,        // port
  kPulse,         // PULSE: port, `value` pulses
  kPulseOut,      // SERVO / PULSEOUT: port, width `value`
  kFreqOut,       // port, `value`
  kStepOut,       // port, width `value`, length `extra`
  kShiftOut,      // clock port, data port `extra`, `value` shifted, `text` "bits=N mode=M"
  kDacOut,        // port, `value`, `extra`
  kNote,          // port, note code `value` (255 rest), length code `extra`
  kDisplayText,   // `text` written at row `port`, column `value`
  kDisplayClear,  //
  kDisplayCursor, // cursor shown (`value` 1) or hidden (0)
  kSerialOut,     // `text` bytes sent on port `port` (-1: the hardware serial port)
  kBusOut,        // `text` bytes sent on the bus
  kEepromWrite,   // address `port`, byte `value`
  kSetting,       // `text` names the setting ("bus", "rs232"), `value` its code
};

struct IoEvent {
  std::uint64_t time_us = 0;
  IoEventKind kind = IoEventKind::kPortLevel;
  int port = 0;
  long value = 0;
  long extra = 0;
  std::string text;
};

const char* IoEventKindName(IoEventKind kind);

}  // namespace vn::sim
