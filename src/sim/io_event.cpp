#include "sim/io_event.h"

namespace vn::sim {

const char* IoEventKindName(IoEventKind kind) {
  switch (kind) {
    case IoEventKind::kPortLevel: return "port";
    case IoEventKind::kPortInput: return "input";
    case IoEventKind::kBlockOut: return "byteout";
    case IoEventKind::kPwm: return "pwm";
    case IoEventKind::kPwmOff: return "pwmoff";
    case IoEventKind::kPulse: return "pulse";
    case IoEventKind::kPulseOut: return "pulseout";
    case IoEventKind::kFreqOut: return "freqout";
    case IoEventKind::kStepOut: return "stepout";
    case IoEventKind::kShiftOut: return "shiftout";
    case IoEventKind::kDacOut: return "dacout";
    case IoEventKind::kNote: return "note";
    case IoEventKind::kDisplayText: return "display";
    case IoEventKind::kDisplayClear: return "cls";
    case IoEventKind::kDisplayCursor: return "cursor";
    case IoEventKind::kSerialOut: return "serial";
    case IoEventKind::kBusOut: return "bus";
    case IoEventKind::kEepromWrite: return "eeprom";
    case IoEventKind::kSetting: return "set";
  }
  return "?";
}

}  // namespace vn::sim
