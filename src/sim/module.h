// The virtual module: the firmware's end of every exchange with the PC, for a module of either
// series. It works on whole bytes; the virtual cables (virtual_usb.h, virtual_port.h) carry
// them over the wire protocols and inject the faults of the wire.
//
// The byte-code interpreter plugs in by deriving from Module (RunningModule, running_module.h):
// it runs the program in flash, moves `pc` and changes `ram`, and overrides the On... hooks
// that the debugger's commands call. A plain Module's program counter rests on the first
// instruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "isa/isa.h"

namespace vn::sim {

struct ModuleConfig {
  int kind = 1;            // 1 = VN series, 2 = VNM series
  int firmware = 32;       // VN: first byte of the identification; VNM: answer to &H56
  int math_firmware = 17;  // VNM: answer to &H67 (the second processor); never 0
};

class Module {
 public:
  static constexpr long kFlashSize = 65536;
  static constexpr std::uint32_t kProgramStart = isa::kProgramStart;  // first instruction after the header
  static constexpr int kVnRamBase = isa::kVnRamBase;  // VN: the status reply's RAM starts here
  static constexpr int kVnStatusRamBytes = isa::kVnStatusRamBytes;
  static constexpr int kVnRamSize = static_cast<int>(isa::kVnRamSize);
  static constexpr int kVnmRamSize = static_cast<int>(isa::kVnmRamSize);

  // The firmware's own table of the bytes that open the PC's exchanges, and of the bytes it
  // answers with. It is written out here on purpose and not taken from isa/isa.h, as the PC's
  // side (link/commands.h) takes it: the virtual module is an independent check of the PC, so
  // a wrong byte on the PC's side fails the exchanges instead of agreeing with itself. A test
  // holds the two tables equal.
  enum class WireCommand : std::uint8_t {
    kIdentify = 0x56,         // VN: the identification; VNM: the main firmware's version
    kIdentifyMath = 0x67,     // VNM: the second processor's version; a VN module does not know it
    kLoadCode = 0x34,
    kReadFlash = 0x78,
    kBreak = 0x12,
    kCheckVariables = 0x9A,   // the status without running
    kStepInto = 0xE1,
    kReset = 0xE2,
    kStepOut = 0xE3,
    kModifyVariable = 0xE4,
    kLeaveDebug = 0x23,       // VNM
  };
  static constexpr std::uint8_t kStatusMarker = 0xA5;
  static constexpr std::uint8_t kStopAnnounce = 0xBB;
  // An output item that is not a byte: the dummy cable's stop announcement, a handshake
  // without a bit train. The byte cables send kStopAnnounce in its place.
  static constexpr int kAnnounce = -2;
  // Identification bytes 2 and 3 when no pulse was measured (the cable is not the dummy one).
  static constexpr int kDefaultShortPulse = 20;
  static constexpr int kDefaultLongPulse = 80;

  explicit Module(ModuleConfig config = {});
  virtual ~Module() = default;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  int kind() const { return config_.kind; }
  const ModuleConfig& config() const { return config_; }

  // ---- The wire end -------------------------------------------------------------------------
  // A byte from the PC. A reply the PC has not taken when it starts another exchange is
  // given up, as the firmware gives up a transfer nobody collects.
  void Receive(std::uint8_t byte);
  // The same, arriving at `at_ns` on the wire's clock. An exchange whose bytes stopped coming
  // (a download, a status count or a variable change the PC left half-way) is given up after
  // kReceiveTimeoutNs in which no byte came from the PC and the PC took none of the module's,
  // so the byte starts a new command instead of being taken as the rest of the old one. A
  // download given up leaves no program behind.
  // The time-out is well below the PC's shortest wait for an answer (about 0.3 s on the
  // REV. B cable), so the module is ready again when the PC tries anew.
  void Receive(std::uint8_t byte, std::int64_t at_ns);
  static constexpr std::int64_t kReceiveTimeoutNs = 100'000'000;
  // The PC took a byte (or the stop announcement) at `at_ns`: the exchange is alive.
  void NoteTaken(std::int64_t at_ns) {
    have_activity_ = true;
    last_activity_ns_ = at_ns;
  }
  // The wire looks for output: a running program first catches up with the clock (Advance),
  // so that a stop it reaches meanwhile is announced.
  bool HasOutput() {
    Advance();
    return !output_.empty();
  }
  // The next output item: a byte 0..255 or kAnnounce.
  int PeekOutput() const { return output_.front(); }
  void PopOutput() { output_.pop_front(); }
  // The PC moved on without taking the reply (the cable saw a command where it waited for an
  // acknowledgement): the reply is given up, a status reply's count phase with it.
  void DropOutput() { GiveUpReply(); }
  // The lengths of the last start pulses measured on the dummy cable, in the module's own
  // sampling ticks; the identification reply carries them so the PC can judge its timing.
  void SetPulseTiming(int short_ticks, int long_ticks);

  // ---- Memory and program state -------------------------------------------------------------
  std::uint8_t FlashByte(long addr) const;
  // Programs a flash cell as the cable delivers it (the bad-flash fault applies).
  void ProgramFlash(long addr, std::uint8_t value);
  long ProgramLength() const { return program_length_; }
  std::uint32_t pc = kProgramStart;
  std::vector<std::uint8_t> ram;
  bool in_debug() const { return in_debug_; }

  // The program stopped by itself (a break in the program): the stop report, that is the
  // announcement followed by the status reply.
  void AnnounceStop();

  // Fault: the flash cell at this code address stores every byte with its lowest bit flipped.
  long bad_flash_addr = -1;

  // What the module has seen, for tests and diagnostics.
  long bytes_received() const { return bytes_received_; }
  const std::vector<std::uint8_t>& commands() const { return commands_; }

  // Reply items the PC never collected, for tests (which expect none after a healthy exchange):
  // those given up because the PC moved on to another exchange, lost with a dead wire or thrown
  // away by the USB cable's purge (GivenUp), then those the module still holds for the wire.
  // Bytes 0..255, kAnnounce for a stop announcement. The record keeps the first
  // kUncollectedKept items given up (a module left running for hours must not grow without
  // bound); given_up_count() counts them all.
  std::vector<int> UncollectedReply() const;
  static constexpr std::size_t kUncollectedKept = 65536;
  // The two parts of it, for a cable that holds items of its own in between.
  const std::vector<int>& given_up() const { return given_up_; }
  long given_up_count() const { return given_up_count_; }
  std::vector<int> PendingOutput() const { return {output_.begin(), output_.end()}; }
  // A byte of the module's the cable threw away before the PC read it.
  void GivenUp(int item);
  // Starts the record afresh (after a fault a test has provoked on purpose).
  void ForgetUncollected() {
    given_up_.clear();
    given_up_count_ = 0;
  }

 protected:
  // Hooks of the program's execution.
  virtual void OnProgramLoaded();  // a new program is in flash: start it
  virtual void OnReset();          // restart the program from its first instruction
  virtual void OnBreak();          // stop where it is
  virtual void OnStepInto();       // run one instruction
  // Runs until the current subroutine returns. False when it has not returned yet: the
  // status reply then waits until FinishStep().
  virtual bool OnStepOut();
  virtual void OnLeaveDebug();     // run on from where it stopped
  // Lets a running program catch up with the time that has passed. Called whenever the wire
  // looks for output and before a byte from the PC is taken.
  virtual void Advance() {}

  // A step that did not finish at once has finished: the status reply goes out now.
  void FinishStep() { SendStatus(); }
  // True between exchanges: the firmware is waiting for a command byte.
  bool AwaitingCommand() const { return expect_ == Expect::kCommand; }
  // A reply is still on its way to the PC.
  bool OutputPending() const { return !output_.empty(); }

 private:
  enum class Expect {
    kCommand,
    kLoadLenLo,
    kLoadLenHi,
    kLoadData,
    kFlashPages,
    kFlashLenLo,
    kFlashLenHi,
    kStatusCountLo,
    kStatusCountHi,
    kModifyAddrLo,
    kModifyAddrHi,
    kModifyCount,
    kModifyData,
  };

  void Command(std::uint8_t cmd);
  void GiveUpReply();
  void GiveUpExchange();
  void Send(int item) { output_.push_back(item); }
  void SendStatus();
  void FinishLoad();
  std::uint8_t RamByte(long addr) const;

  ModuleConfig config_;
  std::vector<std::uint8_t> flash_;
  long program_length_ = 0;
  bool in_debug_ = false;
  std::deque<int> output_;
  Expect expect_ = Expect::kCommand;
  long count_ = 0;      // length / address argument being assembled
  long expected_ = 0;   // bytes still to come
  long index_ = 0;      // next address written
  long modify_addr_ = 0;
  int short_ticks_ = kDefaultShortPulse;
  int long_ticks_ = kDefaultLongPulse;
  long bytes_received_ = 0;
  std::int64_t last_activity_ns_ = 0;  // the last byte either way, on the wire's clock
  bool have_activity_ = false;
  std::vector<std::uint8_t> commands_;
  std::vector<int> given_up_;  // reply items the PC never took, in order (the first kUncollectedKept)
  long given_up_count_ = 0;    // all of them
};

}  // namespace vn::sim
