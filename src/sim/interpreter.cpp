// The interpreter's core: the run loop, events and handlers, operands, expressions, conditions
// and the control-flow statements. The peripherals' statements are in interpreter_io.cpp, the
// built-in functions and value conversions in interpreter_functions.cpp.
#include "sim/interpreter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

#include "isa/isa.h"

namespace vn::sim {

namespace {

using namespace isa::descriptor;
using isa::Comparison;
using isa::Opcode;
using isa::Operator;

constexpr int kUnordered = 2;  // Compare() of a NaN

// ON TIMER's time code counts half seconds.
constexpr std::uint64_t kTimerUnitUs = 500000;

std::string Hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "&H%X", v);
  return buf;
}

std::int64_t Wrap32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v))); }

// Whether n fits the variable it is about to be stored in (a loop counter that would wrap).
bool Fits(interp::Place::Kind kind, std::int64_t n) {
  switch (kind) {
    case interp::Place::kByte: return n >= 0 && n <= 255;
    case interp::Place::kInteger: return n >= 0 && n <= 65535;
    case interp::Place::kLong: return n >= std::numeric_limits<std::int32_t>::min() && n <= std::numeric_limits<std::int32_t>::max();
    case interp::Place::kBit: return n == 0 || n == 1;
    default: return true;
  }
}

}  // namespace

const char* StopReasonName(StopReason reason) {
  switch (reason) {
    case StopReason::kStep: return "step";
    case StopReason::kBreakStatement: return "BREAK in the program";
    case StopReason::kBreakRequest: return "break request";
    case StopReason::kEnd: return "end of program";
    case StopReason::kFault: return "run-time fault";
    case StopReason::kStepLimit: return "step limit";
    case StopReason::kTimeLimit: return "time limit";
    case StopReason::kWaitingForInput: return "waiting for serial input";
  }
  return "?";
}

const char* FaultKindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::kNone: return "none";
    case FaultKind::kUnknownOpcode: return "unknown opcode";
    case FaultKind::kUnknownOperand: return "unknown operand";
    case FaultKind::kUnknownFunction: return "unknown function";
    case FaultKind::kBadOperator: return "unknown operator";
    case FaultKind::kBadTarget: return "not a variable";
    case FaultKind::kCodeAddress: return "code address";
    case FaultKind::kJumpTarget: return "jump target";
    case FaultKind::kRamAddress: return "RAM address";
    case FaultKind::kCallStackOverflow: return "call stack overflow";
    case FaultKind::kReturnWithoutGosub: return "RETURN without GOSUB";
    case FaultKind::kDivisionByZero: return "division by zero";
    case FaultKind::kPortNumber: return "port number";
    case FaultKind::kEepromAddress: return "EEPROM address";
    case FaultKind::kOperandTooDeep: return "operand nesting";
    case FaultKind::kTooManyStrings: return "string values";
  }
  return "?";
}

// ---- Construction and state ---------------------------------------------------------------------

Interpreter::Interpreter(Series series, std::vector<std::uint8_t> code, InterpreterOptions options)
    : series_(series), io_(options.display_rows, options.display_cols) {
  owned_ram_.assign(static_cast<size_t>(series == Series::kVn ? kVnRamSize : kVnmRamSize), 0);
  ram_ = owned_ram_.data();
  ram_size_ = static_cast<long>(owned_ram_.size());
  Init(options);
  Load(std::move(code));
}

Interpreter::Interpreter(Series series, std::vector<std::uint8_t> code, std::span<std::uint8_t> ram,
                         InterpreterOptions options)
    : series_(series), io_(options.display_rows, options.display_cols) {
  ram_ = ram.data();
  ram_size_ = static_cast<long>(ram.size());
  Init(options);
  Load(std::move(code));
}

void Interpreter::Init(InterpreterOptions options) {
  addr_width_ = series_ == Series::kVn ? 1 : 2;
  instruction_us_ = options.instruction_us;
  int depth = options.call_stack_depth;
  if (depth <= 0) depth = series_ == Series::kVn ? kVnCallDepth : kVnmCallDepth;
  frames_.assign(static_cast<size_t>(depth), Frame{0, FrameKind::kGosub});
  // String values are read through views while later ones are made: the slots never move.
  strings_.reserve(kMaxStrings);
}

void Interpreter::Load(std::vector<std::uint8_t> code) {
  code_ = std::move(code);
  code_ptr_ = code_.data();
  code_size_ = static_cast<std::uint32_t>(std::min<size_t>(code_.size(), std::numeric_limits<std::uint32_t>::max()));
  Reset();
}

void Interpreter::Reset() {
  pc_ = kProgramStart;
  depth_ = 0;
  handler_frames_ = 0;
  fault_ = {};
  acc_ = {};
  for_exit_at_ = -1;
  int_ = {};
  timer_ = {};
  recv_ = {};
  timer_period_us_ = 0;
  timer_due_us_ = 0;
  pending_us_ = 0;
  recheck_ = true;
  if (ram_ != nullptr) std::memset(ram_, 0, static_cast<size_t>(ram_size_));
}

bool Interpreter::WriteRam(long addr, std::span<const std::uint8_t> bytes) {
  if (addr < 0 || addr + static_cast<long>(bytes.size()) > ram_size_) return false;
  std::copy(bytes.begin(), bytes.end(), ram_ + addr);
  return true;
}

int Interpreter::RamByte(long addr) const { return addr >= 0 && addr < ram_size_ ? ram_[addr] : -1; }

void Interpreter::SetFault(FaultKind kind, std::string message) {
  if (fault_.kind != FaultKind::kNone) return;  // the first one is the cause
  fault_.kind = kind;
  fault_.pc = inst_pc_;
  fault_.message = std::move(message);
}

std::uint8_t Interpreter::FetchFault() {
  if (ip_ == inst_pc_)
    SetFault(FaultKind::kCodeAddress, "program counter " + Hex(inst_pc_) + " is outside the code (" +
                                          std::to_string(code_size_) + " bytes)");
  else
    SetFault(FaultKind::kCodeAddress, "the instruction at " + Hex(inst_pc_) + " runs past the end of the code (" +
                                          std::to_string(code_size_) + " bytes)");
  return 0;
}

Stop Interpreter::MakeStop(StopReason reason, std::uint64_t steps) {
  Stop s;
  s.reason = reason;
  s.pc = pc_;
  s.steps = steps;
  if (reason == StopReason::kFault) s.fault = fault_;
  return s;
}

// ---- Running ------------------------------------------------------------------------------------

Stop Interpreter::Run(std::uint64_t max_steps, std::uint64_t until_us) { return Loop(max_steps, until_us, -1); }

Stop Interpreter::StepInto() {
  if (Failed()) return MakeStop(StopReason::kFault, 0);
  break_requested_.store(false, std::memory_order_relaxed);
  until_us_ = kNoLimit;
  PassPending();
  if (ServiceEvents()) return MakeStop(StopReason::kStep, 0);
  if (Failed()) return MakeStop(StopReason::kFault, 0);
  const Exec e = Execute();
  if (e == Exec::kWait) return MakeStop(StopReason::kWaitingForInput, 0);
  ++total_steps_;
  Pass(instruction_us_);
  switch (e) {
    case Exec::kBreak: return MakeStop(StopReason::kBreakStatement, 1);
    case Exec::kEnd: return MakeStop(StopReason::kEnd, 1);
    case Exec::kFault: return MakeStop(StopReason::kFault, 1);
    default: return MakeStop(StopReason::kStep, 1);
  }
}

Stop Interpreter::StepOut(std::uint64_t max_steps) {
  const std::uint8_t op = pc_ < code_size_ ? code_ptr_[pc_] : 0;
  const bool call = isa::IsCall(op, series_ == Series::kVnm);
  // On a call, run until the stack is back where it is; elsewhere until this level returns.
  // At the top level nothing returns: it runs until another stop.
  const int out_depth = call ? depth_ : depth_ - 1;
  return Loop(max_steps, kNoLimit, out_depth < 0 ? std::numeric_limits<int>::min() : out_depth);
}

Stop Interpreter::StepOver(std::uint64_t max_steps) {
  const std::uint8_t op = pc_ < code_size_ ? code_ptr_[pc_] : 0;
  const bool call = isa::IsCall(op, series_ == Series::kVnm);
  return call ? StepOut(max_steps) : StepInto();
}

Stop Interpreter::Loop(std::uint64_t max_steps, std::uint64_t until_us, int out_depth) {
  if (Failed()) return MakeStop(StopReason::kFault, 0);
  until_us_ = until_us;
  recheck_ = true;
  const bool stepping_out = out_depth != -1;
  std::uint64_t steps = 0;
  for (;;) {
    if (pending_us_ > 0 || io_.now_us >= next_event_us_ || recheck_ || io_.attention ||
        break_requested_.load(std::memory_order_relaxed)) {
      if (break_requested_.exchange(false, std::memory_order_relaxed)) return MakeStop(StopReason::kBreakRequest, steps);
      // A wait cut short by the limit of an earlier call ends before anything else happens.
      if (!PassPending() || io_.now_us >= until_us_) return MakeStop(StopReason::kTimeLimit, steps);
      ServiceEvents();
      if (Failed()) return MakeStop(StopReason::kFault, steps);
    }
    if (steps >= max_steps) return MakeStop(StopReason::kStepLimit, steps);
    if (trace_hook_) trace_hook_(pc_);
    const Exec e = Execute();
    if (e == Exec::kWait) {
      // Blocked on input: an input that is scheduled may bring it; nothing else can. Without
      // one the time up to the limit passes waiting, and the stop says why the program does not
      // go on (a time limit would hide that it never will by itself).
      const std::uint64_t scheduled = io_.NextScheduled();
      if (scheduled == kNoLimit) {
        if (until_us_ != kNoLimit) io_.now_us = std::max(io_.now_us, until_us_);
        return MakeStop(StopReason::kWaitingForInput, steps);
      }
      io_.now_us = std::max(io_.now_us, std::min(scheduled, until_us_));
      continue;
    }
    ++steps;
    ++total_steps_;
    Pass(instruction_us_);
    switch (e) {
      case Exec::kNext: break;
      case Exec::kBreak: return MakeStop(StopReason::kBreakStatement, steps);
      case Exec::kEnd: return MakeStop(StopReason::kEnd, steps);
      case Exec::kFault: return MakeStop(StopReason::kFault, steps);
      case Exec::kIdle: {
        // A jump to itself that an event handler may still leave: let time pass until the
        // next event instead of spinning on the jump.
        UpdateNextEvent();
        if (next_event_us_ == kNoLimit) return MakeStop(StopReason::kEnd, steps);
        io_.now_us = std::max(io_.now_us, next_event_us_);
        break;
      }
      case Exec::kWait: break;
    }
    if (stepping_out && depth_ <= out_depth) return MakeStop(StopReason::kStep, steps);
  }
}

void Interpreter::Pass(std::uint64_t count, std::uint64_t unit_us) {
  const std::uint64_t us = unit_us != 0 && count > kNoLimit / unit_us ? kNoLimit : count * unit_us;
  const std::uint64_t room = until_us_ > io_.now_us ? until_us_ - io_.now_us : 0;
  const std::uint64_t now = std::min(us, room);
  io_.now_us += now;
  const std::uint64_t later = us - now;
  pending_us_ = later > kNoLimit - pending_us_ ? kNoLimit : pending_us_ + later;
}

bool Interpreter::PassPending() {
  const std::uint64_t left = pending_us_;
  pending_us_ = 0;
  Pass(left);
  return pending_us_ == 0;
}

void Interpreter::UpdateNextEvent() {
  std::uint64_t next = until_us_;
  if (timer_.registered && timer_.enabled) next = std::min(next, timer_due_us_);
  next = std::min(next, io_.NextScheduled());
  next_event_us_ = next;
}

bool Interpreter::CanWake() const {
  return (timer_.registered && timer_.enabled) || io_.HasScheduled();
}

bool Interpreter::ServiceEvents() {
  recheck_ = false;
  io_.RunScheduled();
  if (io_.attention) {
    io_.attention = false;
    const auto edges = io_.ports().TakeEdges();
    const auto requests = io_.sensors().TakeInterruptRequests();
    if (int_.registered && int_.enabled) {
      if (series_ == Series::kVn) {
        for (const auto& [port, level] : edges)
          if (port == int_port_ && level == int_level_) int_.pending = true;
      } else if (requests[static_cast<size_t>(int_line_ & 1)] > 0) {
        int_.pending = true;
      }
    }
  }
  if (timer_.registered && io_.now_us >= timer_due_us_) {
    if (timer_.enabled) timer_.pending = true;
    // Ticks missed while the program was busy fold into one call.
    const std::uint64_t period = std::max<std::uint64_t>(timer_period_us_, 1);
    timer_due_us_ += period * ((io_.now_us - timer_due_us_) / period + 1);
  }
  recv_.pending = recv_.registered && recv_.enabled && !io_.serial().input().empty();
  UpdateNextEvent();
  if (handler_frames_ > 0) return false;  // handlers do not interrupt each other
  if (int_.pending && int_.enabled) return EnterHandler(int_, FrameKind::kInt);
  if (timer_.pending && timer_.enabled) return EnterHandler(timer_, FrameKind::kTimer);
  if (recv_.pending) return EnterHandler(recv_, FrameKind::kRecv);
  return false;
}

bool Interpreter::EnterHandler(Handler& h, FrameKind kind) {
  h.pending = false;
  inst_pc_ = pc_;
  return Call(h.addr, pc_, kind);
}

bool Interpreter::Jump(std::uint32_t target) {
  if (target >= code_size_) {
    SetFault(FaultKind::kJumpTarget, "jump from " + Hex(inst_pc_) + " to " + Hex(target) +
                                         ", outside the code (" + std::to_string(code_size_) + " bytes)");
    return false;
  }
  pc_ = target;
  return true;
}

bool Interpreter::Call(std::uint32_t target, std::uint32_t return_pc, FrameKind kind) {
  if (depth_ >= static_cast<int>(frames_.size())) {
    SetFault(FaultKind::kCallStackOverflow, "call stack overflow at " + Hex(inst_pc_) + ": more than " +
                                                std::to_string(frames_.size()) + " nested calls");
    return false;
  }
  if (target >= code_size_) return Jump(target);
  frames_[static_cast<size_t>(depth_++)] = Frame{return_pc, kind};
  if (kind != FrameKind::kGosub) ++handler_frames_;
  pc_ = target;
  return true;
}

// ---- Instructions --------------------------------------------------------------------------------

Interpreter::Exec Interpreter::Execute() {
  inst_pc_ = pc_;
  ip_ = pc_;
  strings_used_ = 0;
  const std::uint8_t op = Fetch();
  if (Failed()) return Exec::kFault;
  switch (op) {
    case Opcode::kAssign: {
      Place target;
      if (!Target(target)) return Exec::kFault;
      const Value v = Expression();
      if (Failed()) return Exec::kFault;
      Store(target, v);
      if (Failed()) return Exec::kFault;
      pc_ = ip_;
      return Exec::kNext;
    }
    case Opcode::kGoto: {
      const std::uint32_t target = FetchWord();
      if (Failed()) return Exec::kFault;
      if (target == inst_pc_) return CanWake() ? Exec::kIdle : Exec::kEnd;
      return Jump(target) ? Exec::kNext : Exec::kFault;
    }
    case Opcode::kIf: {
      const std::uint32_t if_false = FetchWord();
      const bool c = Condition();
      if (Failed()) return Exec::kFault;
      if (c) {
        pc_ = ip_;
        return Exec::kNext;
      }
      return Jump(if_false) ? Exec::kNext : Exec::kFault;
    }
    case Opcode::kFor: {
      Place var;
      if (!Target(var)) return Exec::kFault;
      const Value start = Operand();
      const std::uint32_t body = series_ == Series::kVnm ? FetchWord() : 0;
      if (Failed()) return Exec::kFault;
      Store(var, start);
      if (Failed()) return Exec::kFault;
      if (series_ == Series::kVnm) return Jump(body) ? Exec::kNext : Exec::kFault;
      pc_ = ip_;
      return Exec::kNext;
    }
    case Opcode::kForTest: {
      Place var;
      if (!Target(var)) return Exec::kFault;
      const Value limit = Operand();
      Value step = Int(1);
      if (series_ == Series::kVnm) step = Operand();
      const std::uint32_t exit = FetchWord();
      if (Failed()) return Exec::kFault;
      bool leave;
      if (series_ == Series::kVn) {
        // VN: NEXT has counted; this is the test before the body.
        if (for_exit_at_ == static_cast<std::int64_t>(inst_pc_)) {
          for_exit_at_ = -1;
          leave = true;
        } else {
          const int c = Compare(Load(var), limit);
          leave = c > 0;
        }
      } else {
        // VNM: the FOR went straight to the body; this counts and tests.
        const Value cur = Load(var);
        Value next;
        bool fits = true;
        if (cur.kind == Value::kFloat || step.kind == Value::kFloat) {
          next = Float(ToFloat(cur) + ToFloat(step));
        } else {
          const std::int64_t n = ToInt(cur) + ToInt(step);
          fits = Fits(var.kind, n);
          next = Int(n);
        }
        if (Failed()) return Exec::kFault;
        if (!fits) {
          leave = true;  // the counter would wrap: the loop is over
        } else {
          Store(var, next);
          const int c = Compare(next, limit);
          leave = c == kUnordered || (ToFloat(step) >= 0 ? c > 0 : c < 0);
        }
      }
      if (Failed()) return Exec::kFault;
      if (leave) return Jump(exit) ? Exec::kNext : Exec::kFault;
      pc_ = ip_;
      return Exec::kNext;
    }
    case Opcode::kNextVn: {
      Place var;
      if (!Target(var)) return Exec::kFault;
      const std::uint32_t test = FetchWord();
      if (Failed()) return Exec::kFault;
      const Value cur = Load(var);
      if (cur.kind == Value::kFloat) {
        Store(var, Float(cur.f + 1.0f));
      } else {
        const std::int64_t n = ToInt(cur) + 1;
        if (Fits(var.kind, n))
          Store(var, Int(n));
        else if (test < code_size_ && code_ptr_[test] == Opcode::kForTest)
          for_exit_at_ = test;  // the counter would wrap: the test ends the loop instead
        else
          Store(var, Int(n));
      }
      if (Failed()) return Exec::kFault;
      return Jump(test) ? Exec::kNext : Exec::kFault;
    }
    case Opcode::kGosub: {
      const std::uint32_t target = FetchWord();
      if (Failed()) return Exec::kFault;
      return Call(target, ip_, FrameKind::kGosub) ? Exec::kNext : Exec::kFault;
    }
    case Opcode::kReturn: {
      if (depth_ == 0) {
        SetFault(FaultKind::kReturnWithoutGosub, "RETURN at " + Hex(inst_pc_) + " without GOSUB");
        return Exec::kFault;
      }
      const Frame f = frames_[static_cast<size_t>(--depth_)];
      if (f.kind != FrameKind::kGosub) {
        --handler_frames_;
        recheck_ = true;  // events that came during the handler
      }
      pc_ = f.return_pc;
      return Exec::kNext;
    }
    case Opcode::kOnGoto:
    case Opcode::kOnGosubVnm: {
      if (op == Opcode::kSoundVn && series_ == Series::kVn) return ExecuteIo(op);
      const std::int64_t k = ToInt(Operand());
      const int n = Fetch();
      std::uint32_t target = 0;
      for (int i = 0; i < n; ++i) {
        const std::uint32_t label = FetchWord();
        if (i == k) target = label;
      }
      if (Failed()) return Exec::kFault;
      if (k < 0 || k >= n) {
        pc_ = ip_;  // no label for this value: on to the next statement
        return Exec::kNext;
      }
      if (op == Opcode::kOnGoto) return Jump(target) ? Exec::kNext : Exec::kFault;
      return Call(target, ip_, FrameKind::kGosub) ? Exec::kNext : Exec::kFault;
    }
    case Opcode::kOnInt: {
      if (series_ == Series::kVn) {
        int_port_ = Fetch();
        int_level_ = Fetch() != 0 ? 1 : 0;
      } else {
        int_line_ = Fetch() & 1;
      }
      const std::uint32_t handler = FetchWord();
      if (Failed()) return Exec::kFault;
      int_ = Handler{true, true, false, handler};
      io_.ports().TakeEdges();  // only edges from now on
      io_.sensors().TakeInterruptRequests();
      pc_ = ip_;
      return Exec::kNext;
    }
    case Opcode::kOnTimer: {
      const std::uint64_t code = Fetch();
      const std::uint32_t handler = FetchWord();
      if (Failed()) return Exec::kFault;
      timer_ = Handler{true, true, false, handler};
      timer_period_us_ = std::max<std::uint64_t>(code, 1) * kTimerUnitUs;
      timer_due_us_ = io_.now_us + timer_period_us_;
      recheck_ = true;
      pc_ = ip_;
      return Exec::kNext;
    }
    case Opcode::kOnRecv: {
      const std::uint32_t handler = FetchWord();
      if (Failed()) return Exec::kFault;
      recv_ = Handler{true, true, false, handler};
      recheck_ = true;
      pc_ = ip_;
      return Exec::kNext;
    }
    case Opcode::kDelay: {
      const std::int64_t ms = ToInt(Operand());
      if (Failed()) return Exec::kFault;
      if (ms > 0) Pass(static_cast<std::uint64_t>(ms), 1000);
      pc_ = ip_;
      return Exec::kNext;
    }
    case Opcode::kBreak:
      pc_ = ip_;
      return Exec::kBreak;
    case Opcode::kReset:
      Reset();
      return Exec::kNext;
    default:
      return ExecuteIo(op);
  }
}

// ---- Operands -------------------------------------------------------------------------------------

bool Interpreter::RamFault(std::int64_t addr, int size) {
  SetFault(FaultKind::kRamAddress, "variable access at RAM address " + std::to_string(addr) + " (" +
                                       std::to_string(size) + " bytes) outside the RAM (" +
                                       std::to_string(ram_size_) + " bytes), instruction at " + Hex(inst_pc_));
  return false;
}

bool Interpreter::Target(Place& place) {
  const std::uint8_t d = Fetch();
  // On the VN series the bytes of a LONG variable and a 32-bit constant are the HEX and DEC
  // functions, never variables.
  if (series_ == Series::kVn && (d == isa::Function::kHexVn || d == isa::Function::kDecVn)) {
    SetFault(FaultKind::kBadTarget, "the instruction at " + Hex(inst_pc_) + " stores into a value that is not a variable");
    return false;
  }
  return PlaceFrom(d, place);
}

bool Interpreter::PlaceFrom(std::uint8_t d, Place& place) {
  using K = Place::Kind;
  auto element = [this, &place](K kind, int size) {
    const std::int64_t base = FetchAddr();
    const std::int64_t index = ToInt(Operand());
    place.kind = kind;
    place.addr = base + index * size;
  };
  switch (d) {
    case kByteVar: place = {K::kByte, 0, FetchAddr()}; break;
    case kIntegerVar: place = {K::kInteger, 0, FetchAddr()}; break;
    case kLongVar: place = {K::kLong, 0, FetchAddr()}; break;
    case kSingleVar: place = {K::kSingle, 0, FetchAddr()}; break;
    case kStringVar: place = {K::kString, 0, FetchAddr()}; break;
    case kBit: {
      const std::int64_t addr = FetchAddr();
      place = {K::kBit, Fetch(), addr};
      break;
    }
    case kByteArrayVnm: element(K::kByte, 1); break;
    case kIntegerArray: element(K::kInteger, 2); break;
    case kLongArray: element(K::kLong, 4); break;
    case kSingleArray: element(K::kSingle, 4); break;
    case kByteArrayVn: {
      const std::int64_t base = Fetch();
      const std::int64_t index_addr = Fetch();
      if (Failed() || !CheckRam(index_addr, 1)) return false;
      place = {K::kByte, 0, base + ram_[index_addr]};
      break;
    }
    default:
      if (!Failed())
        SetFault(FaultKind::kBadTarget, "the instruction at " + Hex(inst_pc_) + " stores into operand " +
                                            std::to_string(d) + ", which is not a variable");
      return false;
  }
  return !Failed();
}

Interpreter::Value Interpreter::Load(const Place& place) {
  const std::int64_t a = place.addr;
  switch (place.kind) {
    case Place::kByte:
      if (!CheckRam(a, 1)) return {};
      return Int(ram_[a]);
    case Place::kInteger:
      if (!CheckRam(a, 2)) return {};
      return Int(ram_[a] | ram_[a + 1] << 8);
    case Place::kLong: {
      if (!CheckRam(a, 4)) return {};
      std::uint32_t u = 0;
      for (int k = 3; k >= 0; --k) u = u << 8 | ram_[a + k];
      return Int(static_cast<std::int32_t>(u));
    }
    case Place::kSingle: {
      if (!CheckRam(a, 4)) return {};
      std::uint32_t u = 0;
      for (int k = 3; k >= 0; --k) u = u << 8 | ram_[a + k];
      float f;
      std::memcpy(&f, &u, sizeof f);
      return Float(f);
    }
    case Place::kBit:
      if (!CheckRam(a, 1)) return {};
      return Int((ram_[a] & place.mask) != 0 ? 1 : 0);
    case Place::kString: {
      // Byte 0 is the declared size; the characters follow, ended by 0 when shorter.
      if (!CheckRam(a, 1)) return {};
      const int size = ram_[a];
      std::string s;
      for (int k = 0; k < size && a + 1 + k < ram_size_; ++k) {
        const std::uint8_t c = ram_[a + 1 + k];
        if (c == 0) break;
        s.push_back(static_cast<char>(c));
      }
      return Str(s);
    }
    case Place::kNone: break;
  }
  return {};
}

void Interpreter::Store(const Place& place, const Value& v) {
  const std::int64_t a = place.addr;
  auto put = [this, a](std::uint32_t u, int bytes) {
    for (int k = 0; k < bytes; ++k) ram_[a + k] = static_cast<std::uint8_t>(u >> (8 * k));
  };
  switch (place.kind) {
    case Place::kByte:
      if (CheckRam(a, 1)) put(static_cast<std::uint32_t>(ToInt(v)), 1);
      return;
    case Place::kInteger:
      if (CheckRam(a, 2)) put(static_cast<std::uint32_t>(ToInt(v)), 2);
      return;
    case Place::kLong:
      if (CheckRam(a, 4)) put(static_cast<std::uint32_t>(ToInt(v)), 4);
      return;
    case Place::kSingle:
      if (CheckRam(a, 4)) {
        const float f = ToFloat(v);
        std::uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        put(u, 4);
      }
      return;
    case Place::kBit:
      if (!CheckRam(a, 1)) return;
      if (v.kind == Value::kFloat ? v.f != 0.0f : ToInt(v) != 0)
        ram_[a] |= place.mask;
      else
        ram_[a] &= static_cast<std::uint8_t>(~place.mask);
      return;
    case Place::kString: {
      if (!CheckRam(a, 2)) return;
      const int size = ram_[a];
      if (!CheckRam(a, size + 2)) return;
      const std::string text = v.kind == Value::kStr ? std::string(StrOf(v)) : ToText(v);
      const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(size));
      std::memcpy(ram_ + a + 1, text.data(), n);
      ram_[a + 1 + static_cast<std::int64_t>(n)] = 0;
      return;
    }
    case Place::kNone: return;
  }
}

Interpreter::Value Interpreter::Operand() { return OperandFrom(Fetch()); }

Interpreter::Value Interpreter::OperandFrom(std::uint8_t d) {
  switch (d) {
    case kConst0: return Int(0);
    case kConst1: return Int(1);
    case kConstByte: return Int(Fetch());
    case kConstWord: return Int(FetchWord());
    case kResult: return acc_;
    case kByteVar: {
      const std::int64_t a = FetchAddr();
      if (!CheckRam(a, 1)) return {};
      return Int(ram_[a]);
    }
    case kIntegerVar: {
      const std::int64_t a = FetchAddr();
      if (!CheckRam(a, 2)) return {};
      return Int(ram_[a] | ram_[a + 1] << 8);
    }
    case kConstLong: {
      if (series_ == Series::kVn && VnHexAhead()) return HexDec(true);
      const std::uint32_t lo = FetchWord();
      const std::uint32_t hi = FetchWord();
      return Int(static_cast<std::int32_t>(lo | hi << 16));
    }
    case kLongVar:
      if (series_ == Series::kVn) return HexDec(false);
      break;
    case kSingleConst: {
      const std::uint32_t lo = FetchWord();
      const std::uint32_t u = lo | FetchWord() << 16;
      float f;
      std::memcpy(&f, &u, sizeof f);
      return Float(f);
    }
    case kStringConst: {
      std::string s;
      for (std::uint8_t c = Fetch(); c != 0; c = Fetch())
        if (s.size() < kMaxStringBytes) s.push_back(static_cast<char>(c));
      return Str(s);
    }
    case kConstArray1: return ConstArrayElement(1);
    case kConstArray2: return ConstArrayElement(2);
    case kConstArray4: return ConstArrayElement(4);
    case kByteArrayVnm:
    case kIntegerArray:
    case kLongArray:
    case kSingleArray:
    case kSingleVar:
    case kStringVar:
    case kBit:
    case kByteArrayVn:
      break;
    default:
      if (d >= isa::kFirstFunction) {
        if (++operand_depth_ > kMaxOperandDepth) {
          SetFault(FaultKind::kOperandTooDeep, "operands nested too deeply at " + Hex(inst_pc_));
          return {};
        }
        const Value v = Function(d);
        --operand_depth_;
        return v;
      }
      if (!Failed())
        SetFault(FaultKind::kUnknownOperand, "unknown operand " + std::to_string(d) + " in the instruction at " + Hex(inst_pc_));
      return {};
  }
  if (++operand_depth_ > kMaxOperandDepth) {
    SetFault(FaultKind::kOperandTooDeep, "operands nested too deeply at " + Hex(inst_pc_));
    return {};
  }
  Place place;
  Value v;
  if (PlaceFrom(d, place)) v = Load(place);
  --operand_depth_;
  return v;
}

Interpreter::Value Interpreter::ConstArrayElement(int size) {
  const std::uint32_t base = FetchWord();
  if (++operand_depth_ > kMaxOperandDepth) {
    SetFault(FaultKind::kOperandTooDeep, "operands nested too deeply at " + Hex(inst_pc_));
    return {};
  }
  const std::int64_t index = ToInt(Operand());
  --operand_depth_;
  if (Failed()) return {};
  const std::int64_t a = base + index * size;
  if (a < 0 || a + size > code_size_) {
    SetFault(FaultKind::kCodeAddress, "constant array element at code address " + std::to_string(a) +
                                          " outside the code, instruction at " + Hex(inst_pc_));
    return {};
  }
  const std::uint8_t* p = code_ptr_ + a;
  if (size == 1) return Int(p[0]);
  if (size == 2) return Int(p[0] | p[1] << 8);
  const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                          static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  // LONG and SINGLE arrays share the 4-byte form. Integers below 2^23 in magnitude read as
  // floats with the exponent 0 (or, negative, 255): those are LONG, the rest SINGLE.
  const std::uint32_t exponent = (u >> 23) & 0xFF;
  if (exponent == 0 || exponent == 0xFF) return Int(static_cast<std::int32_t>(u));
  float f;
  std::memcpy(&f, &u, sizeof f);
  return Float(f);
}

// ---- Expressions and conditions ---------------------------------------------------------------

Interpreter::Value Interpreter::Expression() {
  // Steps of "left operator right", each leaving its result in the accumulator, which a
  // later step names with the result marker; a lone operand before the end is the value.
  Value v = Operand();
  for (;;) {
    const std::uint8_t b = Fetch();
    if (b == isa::kEndOfList || Failed()) return v;
    const Value r = Operand();
    if (Failed()) return v;
    acc_ = Apply(b, v, r);
    v = Operand();
  }
}

Interpreter::Value Interpreter::Apply(std::uint8_t op, const Value& a, const Value& b) {
  if (a.kind == Value::kStr && b.kind == Value::kStr && op == Operator::kAdd) {
    std::string s(StrOf(a));
    s += StrOf(b);
    return Str(s);
  }
  const bool fl = a.kind == Value::kFloat || b.kind == Value::kFloat;
  if (fl && (op == Operator::kAdd || op == Operator::kSub || op == Operator::kMul || op == Operator::kDiv ||
             op == Operator::kMod)) {
    const float x = ToFloat(a), y = ToFloat(b);
    switch (op) {
      case Operator::kAdd: return Float(x + y);
      case Operator::kSub: return Float(x - y);
      case Operator::kMul: return Float(x * y);
      case Operator::kDiv: return Float(x / y);
      default: return Float(std::fmod(x, y));
    }
  }
  const std::int64_t x = Wrap32(ToInt(a)), y = Wrap32(ToInt(b));
  std::int64_t r = 0;
  switch (op) {
    case Operator::kAdd: r = x + y; break;
    case Operator::kSub: r = x - y; break;
    case Operator::kMul: r = x * y; break;
    case Operator::kDiv:
    case Operator::kMod:
      if (y == 0) {
        SetFault(FaultKind::kDivisionByZero, std::string(op == Operator::kDiv ? "division" : "MOD") + " by zero at " + Hex(inst_pc_));
        return {};
      }
      r = op == Operator::kDiv ? x / y : x % y;
      break;
    case Operator::kAnd: r = x & y; break;
    case Operator::kOr: r = x | y; break;
    case Operator::kXor: r = x ^ y; break;
    case Operator::kShl: r = y < 0 || y > 31 ? 0 : static_cast<std::int64_t>(static_cast<std::uint64_t>(x) << y); break;
    case Operator::kShr: r = y < 0 ? x : y > 31 ? (x < 0 ? -1 : 0) : x >> y; break;
    default:
      SetFault(FaultKind::kBadOperator, "unknown operator " + std::to_string(op) + " in the instruction at " + Hex(inst_pc_));
      return {};
  }
  return Int(Wrap32(r));
}

int Interpreter::Compare(const Value& a, const Value& b) {
  if (a.kind == Value::kStr && b.kind == Value::kStr) {
    const int c = StrOf(a).compare(StrOf(b));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if (a.kind == Value::kFloat || b.kind == Value::kFloat) {
    const double x = ToFloat(a), y = ToFloat(b);
    if (std::isnan(x) || std::isnan(y)) return kUnordered;
    return x < y ? -1 : x > y ? 1 : 0;
  }
  const std::int64_t x = ToInt(a), y = ToInt(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

bool Interpreter::Condition() {
  // Comparisons joined by AND and OR, taken from left to right without precedence.
  bool result = false;
  bool first = true;
  std::uint8_t join = 0;
  for (;;) {
    const int mark = strings_used_;
    const Value l = Operand();
    const std::uint8_t cmp = Fetch();
    const Value r = Operand();
    if (Failed()) return false;
    const int c = Compare(l, r);
    strings_used_ = mark;
    bool t;
    switch (cmp) {
      case Comparison::kLess: t = c == -1; break;
      case Comparison::kGreater: t = c == 1; break;
      case Comparison::kLessEq: t = c == -1 || c == 0; break;
      case Comparison::kGreaterEq: t = c == 1 || c == 0; break;
      case Comparison::kNotEq: t = c != 0; break;
      case Comparison::kEq: t = c == 0; break;
      default:
        SetFault(FaultKind::kBadOperator, "unknown comparison " + std::to_string(cmp) + " in the condition at " + Hex(inst_pc_));
        return false;
    }
    result = first ? t : join == Operator::kAnd ? (result && t) : (result || t);
    first = false;
    join = Fetch();
    if (join == isa::kEndOfList || Failed()) return result;
    if (join != Operator::kAnd && join != Operator::kOr) {
      SetFault(FaultKind::kBadOperator, "unknown connective " + std::to_string(join) + " in the condition at " + Hex(inst_pc_));
      return false;
    }
  }
}

}  // namespace vn::sim
