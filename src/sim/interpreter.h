// The virtual module's program counter: an interpreter of the byte code of both module series,
// over a copy of the code as the module's flash holds it and over the module's RAM.
//
// The interpreter knows nothing about cables or windows. It runs a bounded number of
// instructions at a time and says why it stopped; every stop leaves the program counter on the
// next instruction to run, so that the line map turns it into a source line. Time is virtual:
// every instruction costs a fixed number of microseconds, DELAY and the statements that wait
// add theirs, and nothing ever sleeps. The peripherals are on the Board (board.h).
//
// Failures are stop values: a fault in the program (an unknown opcode, a call stack overflow,
// an address outside the code or the RAM, ...) stops the interpreter with a report and leaves
// it stopped until Reset or Load.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/devices.h"
#include "isa/isa.h"
#include "sim/board.h"

namespace vn::sim {

using Series = core::Series;

enum class StopReason {
  kStep,             // a step command finished
  kBreakStatement,   // the program ran a BREAK
  kBreakRequest,     // RequestBreak() from outside
  kEnd,              // the program reached a jump to itself and nothing can ever wake it
  kFault,            // a run-time fault: see Stop::fault
  kStepLimit,        // the instruction budget of the call is used up
  kTimeLimit,        // the virtual clock reached the time limit of the call
  kWaitingForInput,  // SERIN waits without a time-out for serial input that is not there
};
const char* StopReasonName(StopReason reason);

enum class FaultKind {
  kNone,
  kUnknownOpcode,       // a byte that starts no instruction
  kUnknownOperand,      // a byte that starts no operand
  kUnknownFunction,     // a function code without a function
  kBadOperator,         // an expression or condition byte that is no operator
  kBadTarget,           // an assignment or input into something that is not a variable
  kCodeAddress,         // the instruction reads beyond the end of the code
  kJumpTarget,          // a jump or call to an address outside the code
  kRamAddress,          // a variable access outside the RAM
  kCallStackOverflow,   // GOSUB or an event handler beyond the call stack's depth
  kReturnWithoutGosub,  // RETURN with an empty call stack
  kDivisionByZero,      // integer / or MOD by 0
  kPortNumber,          // a port, channel or block number the module does not have
  kEepromAddress,       // EEWRITE / EEREAD outside the EEPROM
  kOperandTooDeep,      // operands nested deeper than the interpreter follows
  kTooManyStrings,      // more string values in one statement than it keeps
};
const char* FaultKindName(FaultKind kind);

struct Fault {
  FaultKind kind = FaultKind::kNone;
  std::uint32_t pc = 0;     // address of the instruction that failed
  std::string message;      // one line for the user
};

struct Stop {
  StopReason reason = StopReason::kStep;
  std::uint32_t pc = 0;     // address of the next instruction
  std::uint64_t steps = 0;  // instructions run by this call
  Fault fault;              // the fault when reason is kFault
};

struct InterpreterOptions {
  int call_stack_depth = 0;          // 0: the series' default (kVnCallDepth, kVnmCallDepth)
  std::uint32_t instruction_us = 10; // virtual time of one instruction
  int display_rows = 4;
  int display_cols = 20;
};

namespace interp {

// An operand's or the accumulator's value. Strings live in the statement's string slots.
struct Value {
  enum Kind : std::uint8_t { kInt, kFloat, kStr };
  Kind kind = kInt;
  std::uint16_t str = 0;
  float f = 0;
  std::int64_t i = 0;
};

// A variable operand resolved to its RAM location.
struct Place {
  enum Kind : std::uint8_t { kNone, kByte, kInteger, kLong, kSingle, kString, kBit };
  Kind kind = kNone;
  std::uint8_t mask = 0;
  std::int64_t addr = 0;
};

}  // namespace interp

class Interpreter {
 public:
  static constexpr std::uint32_t kProgramStart = isa::kProgramStart;
  static constexpr long kVnRamSize = isa::kVnRamSize;
  static constexpr long kVnmRamSize = isa::kVnmRamSize;
  static constexpr int kVnCallDepth = 16;
  static constexpr int kVnmCallDepth = 64;
  static constexpr int kMaxOperandDepth = 32;
  static constexpr int kMaxStrings = 64;         // string values alive in one statement
  static constexpr size_t kMaxStringBytes = 255; // longest string value
  static constexpr std::uint64_t kNoLimit = UINT64_MAX;

  // `code` holds addresses 0 .. end (the header, the program and its end jump).
  Interpreter(Series series, std::vector<std::uint8_t> code, InterpreterOptions options = {});
  // Runs on RAM owned by the caller (the module's), of at least the series' RAM size; Modify
  // Variable then reaches the program directly.
  Interpreter(Series series, std::vector<std::uint8_t> code, std::span<std::uint8_t> ram,
              InterpreterOptions options = {});
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // A new program in flash; the program restarts.
  void Load(std::vector<std::uint8_t> code);
  // Restarts the program: first instruction, empty call stack, no event handlers, RAM cleared,
  // fault cleared. The peripherals and the clock go on.
  void Reset();

  // Runs until a stop, at most `max_steps` instructions and until the virtual clock reaches
  // `until_us` (absolute).
  Stop Run(std::uint64_t max_steps, std::uint64_t until_us = kNoLimit);
  // Runs one instruction. A due event handler is entered instead: the stop is then on the
  // handler's first instruction.
  Stop StepInto();
  // Runs until the current subroutine (or event handler) returns; on a GOSUB, runs that call
  // to its end.
  Stop StepOut(std::uint64_t max_steps);
  // StepOut on a GOSUB, StepInto elsewhere.
  Stop StepOver(std::uint64_t max_steps);
  // Stops a Run at the next instruction; may be called from another thread.
  void RequestBreak() { break_requested_.store(true, std::memory_order_relaxed); }
  // Called with the program counter before each instruction that Run and StepOut execute.
  void SetTraceHook(std::function<void(std::uint32_t pc)> hook) { trace_hook_ = std::move(hook); }

  // ---- State ------------------------------------------------------------------------------------
  Series series() const { return series_; }
  std::uint32_t pc() const { return pc_; }
  void set_pc(std::uint32_t pc) { pc_ = pc; }
  std::span<std::uint8_t> ram() { return {ram_, static_cast<size_t>(ram_size_)}; }
  std::span<const std::uint8_t> ram() const { return {ram_, static_cast<size_t>(ram_size_)}; }
  // Modify Variable: false (nothing written) when the bytes do not fit in the RAM.
  bool WriteRam(long addr, std::span<const std::uint8_t> bytes);
  // RAM byte, or -1 outside.
  int RamByte(long addr) const;
  const std::vector<std::uint8_t>& code() const { return code_; }
  int call_depth() const { return depth_; }
  int call_stack_capacity() const { return static_cast<int>(frames_.size()); }
  bool faulted() const { return fault_.kind != FaultKind::kNone; }
  const Fault& fault() const { return fault_; }
  std::uint64_t now_us() const { return io_.now_us; }
  std::uint64_t total_steps() const { return total_steps_; }
  Board& io() { return io_; }
  const Board& io() const { return io_; }

 private:
  using Value = interp::Value;
  using Place = interp::Place;

  enum class Exec { kNext, kBreak, kEnd, kIdle, kWait, kFault };
  enum class FrameKind : std::uint8_t { kGosub, kInt, kTimer, kRecv };
  struct Frame {
    std::uint32_t return_pc;
    FrameKind kind;
  };
  struct Handler {
    bool registered = false;
    bool enabled = false;
    bool pending = false;
    std::uint32_t addr = 0;
  };

  void Init(InterpreterOptions options);
  Stop Loop(std::uint64_t max_steps, std::uint64_t until_us, int out_depth);
  Stop MakeStop(StopReason reason, std::uint64_t steps);
  // Looks at events: scheduled inputs, edges, interrupt requests, timers, serial input; enters
  // a due handler. True when it entered one.
  bool ServiceEvents();
  void UpdateNextEvent();
  bool EnterHandler(Handler& h, FrameKind kind);
  bool CanWake() const;
  Exec Execute();
  // Lets `count` x `unit_us` of virtual time pass inside the current instruction (DELAY, a note,
  // a time-out, the instruction's own time); a product beyond the clock's range is the longest
  // wait, never a short one. Time past the limit of the running call is kept in pending_us_, so
  // that a limit falls inside a long wait rather than after it.
  void Pass(std::uint64_t count, std::uint64_t unit_us = 1);
  // Lets the time kept by an earlier call pass, as far as the limit allows; true when it all has.
  bool PassPending();

  // ---- Decoding (interpreter.cpp) -----------------------------------------------------------------
  std::uint8_t Fetch() {
    if (ip_ < code_size_) return code_ptr_[ip_++];
    return FetchFault();
  }
  std::uint8_t FetchFault();
  std::uint8_t Peek() const { return ip_ < code_size_ ? code_ptr_[ip_] : 0; }
  std::uint32_t FetchWord() {
    const std::uint32_t lo = Fetch();
    return lo | static_cast<std::uint32_t>(Fetch()) << 8;
  }
  std::int64_t FetchAddr() { return addr_width_ == 1 ? Fetch() : static_cast<std::int64_t>(FetchWord()); }
  void SetFault(FaultKind kind, std::string message);
  bool Failed() const { return fault_.kind != FaultKind::kNone; }
  Value Operand();
  Value OperandFrom(std::uint8_t d);
  bool PlaceFrom(std::uint8_t d, Place& place);
  bool Target(Place& place);
  Value Load(const Place& place);
  void Store(const Place& place, const Value& v);
  bool CheckRam(std::int64_t addr, int size) {
    if (addr >= 0 && addr + size <= ram_size_) return true;
    return RamFault(addr, size);
  }
  bool RamFault(std::int64_t addr, int size);
  Value Expression();
  bool Condition();
  Value Apply(std::uint8_t op, const Value& a, const Value& b);
  int Compare(const Value& a, const Value& b);
  bool Jump(std::uint32_t target);
  bool Call(std::uint32_t target, std::uint32_t return_pc, FrameKind kind);
  Value ConstArrayElement(int size);

  // ---- Values (interpreter_functions.cpp) -------------------------------------------------------
  Value Int(std::int64_t i) const {
    Value v;
    v.i = i;
    return v;
  }
  Value Float(float f) const {
    Value v;
    v.kind = Value::kFloat;
    v.f = f;
    return v;
  }
  Value Str(std::string_view s);
  std::string& NewString(Value& v);
  std::string_view StrOf(const Value& v) const;
  std::int64_t ToInt(const Value& v) const { return v.kind == Value::kInt ? v.i : ToIntOther(v); }
  float ToFloat(const Value& v) const { return v.kind == Value::kFloat ? v.f : ToFloatOther(v); }
  std::int64_t ToIntOther(const Value& v) const;
  float ToFloatOther(const Value& v) const;
  std::string ToText(const Value& v) const;
  Value Function(std::uint8_t code);
  Value HexDec(bool hex);
  bool VnHexAhead() const;
  Value StringFunction(std::uint8_t code);

  // ---- Statements of the peripherals (interpreter_io.cpp) ---------------------------------------
  Exec ExecuteIo(std::uint8_t op);
  int PortOperand();
  std::string OutputList(bool as_text);
  Exec SerIn();
  Exec Get();
  Exec Sound(bool pairs_of_bytes, bool vnm_operands);
  Exec ServoOrPut();
  Value EeRead();
  void EeWrite();
  std::int64_t TimeField(int field) const;
  void TimeSet(int field, std::int64_t value);

  Series series_;
  int addr_width_ = 1;
  std::uint32_t instruction_us_ = 10;
  std::vector<std::uint8_t> code_;
  const std::uint8_t* code_ptr_ = nullptr;
  std::uint32_t code_size_ = 0;
  std::vector<std::uint8_t> owned_ram_;
  std::uint8_t* ram_ = nullptr;
  long ram_size_ = 0;
  Board io_;

  std::uint32_t pc_ = kProgramStart;
  std::uint32_t ip_ = 0;       // decode position inside the current instruction
  std::uint32_t inst_pc_ = 0;  // address of the current instruction
  std::vector<Frame> frames_;
  int depth_ = 0;
  int handler_frames_ = 0;
  Fault fault_;
  Value acc_;
  int operand_depth_ = 0;
  std::vector<std::string> strings_;
  int strings_used_ = 0;
  std::string spare_string_;  // the target of a string made beyond kMaxStrings
  std::int64_t for_exit_at_ = -1;  // VN NEXT that overflowed its variable: the loop test exits

  Handler int_, timer_, recv_;
  int int_port_ = 0, int_level_ = 0, int_line_ = 0;
  std::uint64_t timer_period_us_ = 0, timer_due_us_ = 0;
  bool recheck_ = true;
  std::uint64_t next_event_us_ = 0;
  std::uint64_t until_us_ = kNoLimit;
  std::uint64_t pending_us_ = 0;  // the rest of a wait that the time limit cut short
  std::atomic<bool> break_requested_{false};
  std::function<void(std::uint32_t)> trace_hook_;

  std::uint32_t rnd_state_ = 0x1234;
  std::int64_t rtc_base_[6] = {0, 0, 0, 1, 1, 2000};  // s, min, h, day, month, year
  std::uint64_t rtc_set_us_ = 0;
  std::uint64_t total_steps_ = 0;
};

}  // namespace vn::sim
