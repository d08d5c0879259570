// The statements that reach the module's peripherals: ports, display, sound, serial, bus,
// EEPROM, the real-time clock and the SET switches. Each one decodes all of its operands
// before it acts, so that a fault never leaves half a statement's effect behind.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "isa/isa.h"
#include "sim/interpreter.h"

namespace vn::sim {

namespace {

using isa::Opcode;
using isa::SerinCode;
using isa::SetSwitch;
using isa::kConst0;
using isa::kStringConst;

constexpr std::uint64_t kNoteUnitUs = 10000;   // one length-code unit of a note
constexpr std::uint64_t kPulseUnitUs = 10;     // one unit of a SERVO / PULSEOUT width
constexpr size_t kMaxOutputList = 4096;        // bytes one output list produces

std::string HexAddr(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "&H%X", v);
  return buf;
}

}  // namespace

int Interpreter::PortOperand() {
  const std::int64_t p = ToInt(Operand());
  if (Failed()) return 0;
  if (p < 0 || p >= Ports::kPorts) {
    SetFault(FaultKind::kPortNumber, "port " + std::to_string(p) + " does not exist (0 to " +
                                         std::to_string(Ports::kPorts - 1) + "), instruction at " + HexAddr(inst_pc_));
    return 0;
  }
  return static_cast<int>(p);
}

std::string Interpreter::OutputList(bool as_text) {
  // Items up to the byte 0: strings give their characters; numbers their decimal text on the
  // display and one byte on the byte channels.
  std::string out;
  for (;;) {
    const std::uint8_t d = Fetch();
    if (d == isa::kEndOfList || Failed()) break;
    const int mark = strings_used_;
    const Value v = OperandFrom(d);
    if (Failed()) break;
    std::string item;
    if (v.kind == Value::kStr) item = std::string(StrOf(v));
    else if (as_text) item = ToText(v);
    else item.push_back(static_cast<char>(ToInt(v) & 0xFF));
    strings_used_ = mark;
    out += item.substr(0, kMaxOutputList - std::min(kMaxOutputList, out.size()));
  }
  return out;
}

Interpreter::Exec Interpreter::ExecuteIo(std::uint8_t op) {
  const bool vn = series_ == Series::kVn;
  switch (op) {
    case Opcode::kEeWrite: EeWrite(); break;
    case Opcode::kPlay: return Sound(vn, !vn);
    case Opcode::kSoundVn: return Sound(false, false);
    case Opcode::kBusOut: {
      const std::string bytes = OutputList(false);
      if (Failed()) return Exec::kFault;
      io_.bus().Send(bytes);
      break;
    }
    case Opcode::kToggle: {
      const int port = PortOperand();
      if (Failed()) return Exec::kFault;
      io_.ports().Toggle(port);
      break;
    }
    case Opcode::kPrint: {
      const std::string text = OutputList(true);
      if (Failed()) return Exec::kFault;
      io_.display().Write(text);
      break;
    }
    case Opcode::kCls: io_.display().ClearScreen(); break;
    case Opcode::kLocate: {
      const std::int64_t x = ToInt(Operand());
      const std::int64_t y = ToInt(Operand());
      if (Failed()) return Exec::kFault;
      io_.display().Locate(static_cast<int>(std::clamp<std::int64_t>(x, 0, 255)),
                        static_cast<int>(std::clamp<std::int64_t>(y, 0, 255)));
      break;
    }
    case Opcode::kPwmOff: {
      const int port = PortOperand();
      if (Failed()) return Exec::kFault;
      io_.ports().PwmOff(port);
      break;
    }
    case Opcode::kOut: {
      const int port = PortOperand();
      const Value v = Operand();
      if (Failed()) return Exec::kFault;
      io_.ports().DriveLevel(port, ToInt(v) != 0 ? 1 : 0);
      break;
    }
    case Opcode::kPwm: {
      const int port = PortOperand();
      const std::int64_t duty = ToInt(Operand());
      const std::int64_t third = vn ? 255 : ToInt(Operand());
      if (Failed()) return Exec::kFault;
      io_.ports().Pwm(port, static_cast<long>(duty), static_cast<long>(third));
      break;
    }
    case Opcode::kCsrOn: io_.display().ShowCursor(true); break;
    case Opcode::kCsrOff: io_.display().ShowCursor(false); break;
    case Opcode::kLcdInit: io_.display().Init(); break;
    case Opcode::kSerOut: {
      const int port = PortOperand();
      // The baud value paces the bytes on their way out; the program's own time goes on at once.
      long baud = Fetch();
      if (!vn) baud += 256L * Fetch();
      Fetch();  // mode
      const int space_ms = Fetch();
      const std::string bytes = OutputList(false);
      if (Failed()) return Exec::kFault;
      io_.serial().Send(port, bytes, sim::Serial::BaudOfValue(baud, !vn));
      Pass(static_cast<std::uint64_t>(space_ms) * bytes.size(), 1000);
      break;
    }
    case Opcode::kSerIn: return SerIn();
    case Opcode::kGet: return Get();
    case Opcode::kPulse: {
      const int port = PortOperand();
      const std::int64_t count = vn ? 1 : ToInt(Operand());
      if (Failed()) return Exec::kFault;
      io_.ports().Pulse(port, static_cast<long>(count));
      break;
    }
    case Opcode::kByteOut: {
      const std::int64_t block = ToInt(Operand());
      const std::int64_t value = ToInt(Operand());
      if (Failed()) return Exec::kFault;
      if (block < 0 || block >= Ports::kBlocks) {
        SetFault(FaultKind::kPortNumber, "BYTEOUT to block " + std::to_string(block) + " (0 to " +
                                             std::to_string(Ports::kBlocks - 1) + "), instruction at " + HexAddr(inst_pc_));
        return Exec::kFault;
      }
      io_.ports().BlockOut(static_cast<int>(block), static_cast<std::uint8_t>(value & 0xFF));
      break;
    }
    case Opcode::kPoke: {
      const std::int64_t addr = Fetch();
      const std::int64_t value = ToInt(Operand());
      if (Failed() || !CheckRam(addr, 1)) return Exec::kFault;
      ram_[addr] = static_cast<std::uint8_t>(value & 0xFF);
      break;
    }
    case Opcode::kShiftOut: {
      const int clock = PortOperand();
      const int data = PortOperand();
      const int mode = Fetch();
      const std::int64_t value = ToInt(Operand());
      const int bits = Fetch();
      if (Failed()) return Exec::kFault;
      const std::uint64_t mask = bits >= 32 ? 0xFFFFFFFFu : (std::uint64_t{1} << bits) - 1;
      io_.ports().ShiftOut(clock, data, static_cast<long>(static_cast<std::uint64_t>(value) & mask), bits, mode);
      break;
    }
    case Opcode::kStepOut: {
      const int port = PortOperand();
      const std::int64_t width = ToInt(Operand());
      const std::int64_t length = ToInt(Operand());
      if (Fetch() != isa::kNoStopInput) Fetch();  // a stop input: port, then level
      if (Failed()) return Exec::kFault;
      io_.ports().StepOut(port, static_cast<long>(width), static_cast<long>(length));
      break;
    }
    case Opcode::kFreqOut: {
      const int port = PortOperand();
      const std::int64_t value = ToInt(Operand());
      if (Failed()) return Exec::kFault;
      io_.ports().FreqOut(port, static_cast<long>(value));
      break;
    }
    case Opcode::kTimeSet: {
      const std::int64_t field = ToInt(Operand());
      const std::int64_t value = ToInt(Operand());
      if (Failed()) return Exec::kFault;
      TimeSet(static_cast<int>(std::clamp<std::int64_t>(field, -1, 6)), value);
      break;
    }
    case Opcode::kSet: {
      if (vn) {
        const int mode = Fetch();
        if (Failed()) return Exec::kFault;
        io_.bus().SetMode(mode);
        break;
      }
      const std::uint8_t sub = Fetch();
      const int value = Fetch();
      if (Failed()) return Exec::kFault;
      switch (sub) {
        case SetSwitch::kVarnobus: io_.bus().SetMode(value); break;
        case SetSwitch::kRs232: io_.serial().SetRs232(value); break;
        case SetSwitch::kOnInt: int_.enabled = value != 0; break;
        case SetSwitch::kOnTimer:
          if (value != 0 && !timer_.enabled) timer_due_us_ = io_.now_us + timer_period_us_;
          timer_.enabled = value != 0;
          break;
        case SetSwitch::kOnRecv: recv_.enabled = value != 0; break;
        default:
          SetFault(FaultKind::kUnknownOperand, "unknown SET code " + std::to_string(sub) + " at " + HexAddr(inst_pc_));
          return Exec::kFault;
      }
      recheck_ = true;
      break;
    }
    case Opcode::kServo: return ServoOrPut();
    case Opcode::kDacOut: {
      const int port = PortOperand();
      const std::int64_t a = ToInt(Operand());
      const std::int64_t b = ToInt(Operand());
      if (Failed()) return Exec::kFault;
      io_.ports().DacOut(port, static_cast<long>(a), static_cast<long>(b));
      break;
    }
    case Opcode::kBclr: io_.serial().input().clear(); break;
    default:
      SetFault(FaultKind::kUnknownOpcode, "unknown opcode " + std::to_string(op) + " at " + HexAddr(inst_pc_));
      return Exec::kFault;
  }
  if (Failed()) return Exec::kFault;
  pc_ = ip_;
  return Exec::kNext;
}

Interpreter::Exec Interpreter::Sound(bool pairs_of_bytes, bool vnm_operands) {
  // PLAY and BEEP on the VN series: note and length bytes up to a note byte 0. On the VNM
  // series (PLAY, BEEP, SOUND): operands up to the constant 0. SOUND on the VN series:
  // operands up to the byte 0. Operands pair up as (note, length).
  const int port = PortOperand();
  std::vector<std::pair<int, int>> notes;
  for (int guard = 0; guard < 4096 && !Failed(); ++guard) {
    if (pairs_of_bytes) {
      const int note = Fetch();
      if (note == isa::kEndOfList) break;
      notes.emplace_back(note, Fetch());
      continue;
    }
    const std::uint8_t end = vnm_operands ? std::uint8_t{kConst0} : isa::kEndOfList;
    std::uint8_t d = Fetch();
    if (d == end) break;
    const int note = static_cast<int>(ToInt(OperandFrom(d)) & 0xFF);
    d = Fetch();
    if (d == end) {
      notes.emplace_back(note, 0);
      break;
    }
    notes.emplace_back(note, static_cast<int>(ToInt(OperandFrom(d)) & 0xFF));
  }
  if (Failed()) return Exec::kFault;
  // Each note is logged at the time it starts; the statement's whole length then passes as one
  // wait, so that a time limit inside it leaves the notes' times as they are.
  const std::uint64_t start_us = io_.now_us;
  for (const auto& [note, length] : notes) {
    const std::uint64_t duration = static_cast<std::uint64_t>(length) * kNoteUnitUs;
    io_.sound().Play(port, note, length, duration);
    io_.now_us += duration;
  }
  const std::uint64_t length_us = io_.now_us - start_us;
  io_.now_us = start_us;
  Pass(length_us);
  pc_ = ip_;
  return Exec::kNext;
}

Interpreter::Exec Interpreter::ServoOrPut() {
  // SERVO and PULSEOUT are two operands followed by the next instruction; PUT is a list of
  // items ended by 0. Only the VNM series has PUT.
  bool put = false;
  Value port_value, width;
  if (series_ == Series::kVnm) {
    const std::uint8_t first = Peek();
    if (first == isa::kEndOfList || first == kStringConst) {
      put = true;
    } else {
      const std::uint32_t save_ip = ip_;
      const int save_strings = strings_used_;
      const std::uint32_t save_rnd = rnd_state_;
      const Fault save_fault = fault_;
      port_value = Operand();
      width = Operand();
      if (Failed() || Peek() < isa::kFirstOpcode || ip_ >= code_size_) {
        put = true;
        ip_ = save_ip;
        strings_used_ = save_strings;
        rnd_state_ = save_rnd;
        fault_ = save_fault;
      }
    }
  } else {
    port_value = Operand();
    width = Operand();
  }
  if (put) {
    const std::string bytes = OutputList(false);
    if (Failed()) return Exec::kFault;
    io_.serial().Send(-1, bytes);
    pc_ = ip_;
    return Exec::kNext;
  }
  if (Failed()) return Exec::kFault;
  const std::int64_t port = ToInt(port_value);
  if (port < 0 || port >= Ports::kPorts) {
    SetFault(FaultKind::kPortNumber, "port " + std::to_string(port) + " does not exist, instruction at " + HexAddr(inst_pc_));
    return Exec::kFault;
  }
  const std::int64_t w = ToInt(width);
  io_.ports().PulseOut(static_cast<int>(port), static_cast<long>(w));
  if (w > 0) Pass(static_cast<std::uint64_t>(w), kPulseUnitUs);
  pc_ = ip_;
  return Exec::kNext;
}

Interpreter::Exec Interpreter::SerIn() {
  const bool vn = series_ == Series::kVn;
  PortOperand();
  Fetch();  // baud
  if (!vn) Fetch();
  Fetch();  // mode
  const std::int64_t wait_ms = ToInt(Operand());
  const std::uint32_t timeout_label = FetchWord();
  struct Clause {
    bool on = false;
    std::uint8_t a = 0, b = 0;
  } wait, until, skip;
  for (int k = 0; k < 3 && !Failed(); ++k) {
    const std::uint8_t c = Peek();
    const std::uint8_t wait_code = vn ? SerinCode::kWaitVn : SerinCode::kWaitVnm;
    Clause* clause = c == wait_code ? &wait : c == SerinCode::kUntil ? &until : c == SerinCode::kSkip ? &skip : nullptr;
    if (clause == nullptr) break;
    Fetch();
    clause->on = true;
    clause->a = Fetch();
    clause->b = Fetch();
  }
  Place target;
  if (!Target(target)) return Exec::kFault;
  int count = 1;
  if (vn) {
    if (Peek() == SerinCode::kCountVn) {
      Fetch();
      count = Fetch();
    }
    if (Fetch() != isa::kEndOfList && !Failed()) {
      SetFault(FaultKind::kUnknownOperand, "SERIN at " + HexAddr(inst_pc_) + " does not end with 0");
      return Exec::kFault;
    }
  } else {
    count = Fetch();
  }
  if (Failed()) return Exec::kFault;
  count = std::max(count, 1);

  // Plan on the input as it stands; take it only when the whole reception is there.
  const auto& q = io_.serial().input();
  size_t i = 0;
  bool complete = true;
  if (wait.on) {
    const size_t n = wait.b != 0 ? 2 : 1;
    bool found = false;
    for (; i + n <= q.size(); ++i) {
      if (q[i] == wait.a && (n == 1 || q[i + 1] == wait.b)) {
        i += n;
        found = true;
        break;
      }
    }
    complete = found;
  }
  if (complete && skip.on) {
    i += skip.a;
    complete = i <= q.size();
  }
  std::string got;
  if (complete) {
    size_t limit = static_cast<size_t>(count);
    if (target.kind == Place::kString) {
      if (!CheckRam(target.addr, 1)) return Exec::kFault;
      const size_t size = ram_[target.addr];
      limit = until.on ? size : std::min(limit, size);
    }
    bool terminated = false;
    while (got.size() < limit && i < q.size()) {
      const std::uint8_t c = q[i++];
      if (until.on && (c == until.a || (until.b != 0 && c == until.b))) {
        terminated = true;
        break;
      }
      got.push_back(static_cast<char>(c));
    }
    complete = until.on ? (terminated || got.size() == limit) : got.size() == limit;
  }
  if (!complete) {
    if (wait_ms <= 0) return Exec::kWait;  // no time-out: the module waits for the bytes
    Pass(static_cast<std::uint64_t>(wait_ms), 1000);
    return Jump(timeout_label) ? Exec::kNext : Exec::kFault;
  }
  io_.serial().input().erase(io_.serial().input().begin(), io_.serial().input().begin() + static_cast<std::ptrdiff_t>(i));
  if (target.kind == Place::kString) {
    Store(target, Str(got));
  } else if (target.kind == Place::kByte) {
    if (!got.empty() && !CheckRam(target.addr, static_cast<int>(got.size()))) return Exec::kFault;
    for (size_t k = 0; k < got.size(); ++k) ram_[target.addr + static_cast<std::int64_t>(k)] = static_cast<std::uint8_t>(got[k]);
  } else if (!got.empty()) {
    Store(target, Int(static_cast<std::uint8_t>(got[0])));
  }
  if (Failed()) return Exec::kFault;
  pc_ = ip_;
  return Exec::kNext;
}

Interpreter::Exec Interpreter::Get() {
  Place target;
  if (!Target(target)) return Exec::kFault;
  const std::int64_t wait_ms = ToInt(Operand());
  const std::uint8_t tail = Fetch();
  std::uint32_t label = 0;
  if (tail == Opcode::kGoto) label = FetchWord();
  if (Failed()) return Exec::kFault;
  auto& q = io_.serial().input();
  if (!q.empty()) {
    const std::uint8_t c = q.front();
    q.pop_front();
    if (target.kind == Place::kString) {
      const char ch = static_cast<char>(c);
      Store(target, Str(std::string_view(&ch, 1)));
    } else {
      Store(target, Int(c));
    }
    if (Failed()) return Exec::kFault;
    pc_ = ip_;
    return Exec::kNext;
  }
  // Nothing there: wait the time given, then go on or to the time-out label.
  if (wait_ms > 0) Pass(static_cast<std::uint64_t>(wait_ms), 1000);
  if (tail == Opcode::kGoto) return Jump(label) ? Exec::kNext : Exec::kFault;
  pc_ = ip_;
  return Exec::kNext;
}

Interpreter::Value Interpreter::EeRead() {
  const std::int64_t addr = ToInt(Operand());
  std::int64_t count = 1;
  if (series_ == Series::kVnm) count = ToInt(Operand());
  if (Failed()) return {};
  if (count < 1 || count > 4 || addr < 0 || addr + count > Eeprom::kSize) {
    SetFault(FaultKind::kEepromAddress, "EEREAD of " + std::to_string(count) + " bytes at " + std::to_string(addr) +
                                            " (the EEPROM has " + std::to_string(Eeprom::kSize) +
                                            " bytes, 1 to 4 at a time), instruction at " + HexAddr(inst_pc_));
    return {};
  }
  std::uint32_t u = 0;
  for (std::int64_t k = count - 1; k >= 0; --k) u = u << 8 | static_cast<std::uint32_t>(io_.eeprom().Byte(static_cast<long>(addr + k)));
  return Int(count == 4 ? static_cast<std::int64_t>(static_cast<std::int32_t>(u)) : static_cast<std::int64_t>(u));
}

void Interpreter::EeWrite() {
  const std::int64_t addr = ToInt(Operand());
  const Value v = Operand();
  std::int64_t count = 1;
  if (series_ == Series::kVnm) count = ToInt(Operand());
  if (Failed()) return;
  if (count < 1 || count > 4 || addr < 0 || addr + count > Eeprom::kSize) {
    SetFault(FaultKind::kEepromAddress, "EEWRITE of " + std::to_string(count) + " bytes at " + std::to_string(addr) +
                                            " (the EEPROM has " + std::to_string(Eeprom::kSize) +
                                            " bytes, 1 to 4 at a time), instruction at " + HexAddr(inst_pc_));
    return;
  }
  std::uint32_t u;
  if (v.kind == Value::kFloat && count == 4) {
    std::memcpy(&u, &v.f, sizeof u);
  } else {
    u = static_cast<std::uint32_t>(ToInt(v));
  }
  for (std::int64_t k = 0; k < count; ++k)
    io_.eeprom().Write(static_cast<long>(addr + k), static_cast<std::uint8_t>(u >> (8 * k)));
}

// The real-time clock: fields 0 seconds, 1 minutes, 2 hours, 3 day, 4 month, 5 year. The time
// of day runs with the virtual clock and carries into the day; the month and year stay as set.
std::int64_t Interpreter::TimeField(int field) const {
  const std::int64_t elapsed = static_cast<std::int64_t>((io_.now_us - rtc_set_us_) / 1000000);
  const std::int64_t secs = rtc_base_[0] + 60 * rtc_base_[1] + 3600 * rtc_base_[2] + elapsed;
  switch (field) {
    case 0: return secs % 60;
    case 1: return secs / 60 % 60;
    case 2: return secs / 3600 % 24;
    case 3: return rtc_base_[3] + secs / 86400;
    case 4: return rtc_base_[4];
    case 5: return rtc_base_[5];
    default: return 0;
  }
}

void Interpreter::TimeSet(int field, std::int64_t value) {
  if (field < 0 || field > 5) return;
  std::int64_t now[6];
  for (int f = 0; f < 6; ++f) now[f] = TimeField(f);
  now[field] = value;
  for (int f = 0; f < 6; ++f) rtc_base_[f] = now[f];
  rtc_set_us_ = io_.now_us;
}

}  // namespace vn::sim
