#include "sim/module.h"

#include <algorithm>

namespace vn::sim {

namespace {

std::uint8_t Lo(long v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t Hi(long v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }

}  // namespace

Module::Module(ModuleConfig config) : config_(config), flash_(kFlashSize, 0xFF) {
  ram.assign(config_.kind == 1 ? kVnRamSize : kVnmRamSize, 0);
}

void Module::SetPulseTiming(int short_ticks, int long_ticks) {
  short_ticks_ = std::clamp(short_ticks, 0, 255);
  long_ticks_ = std::clamp(long_ticks, 0, 255);
}

std::uint8_t Module::FlashByte(long addr) const {
  return addr >= 0 && addr < kFlashSize ? flash_[static_cast<size_t>(addr)] : 0xFF;
}

void Module::ProgramFlash(long addr, std::uint8_t value) {
  if (addr < 0 || addr >= kFlashSize) return;
  if (addr == bad_flash_addr) value ^= 1;
  flash_[static_cast<size_t>(addr)] = value;
}

std::uint8_t Module::RamByte(long addr) const {
  return addr >= 0 && addr < static_cast<long>(ram.size()) ? ram[static_cast<size_t>(addr)] : 0;
}

void Module::AnnounceStop() {
  in_debug_ = true;
  OnBreak();
  Send(kAnnounce);
  SendStatus();
}

void Module::OnProgramLoaded() {
  pc = kProgramStart;
  in_debug_ = false;
}
void Module::OnReset() { pc = kProgramStart; }
void Module::OnBreak() {}
void Module::OnStepInto() {}
bool Module::OnStepOut() { return true; }
void Module::OnLeaveDebug() {}

std::vector<int> Module::UncollectedReply() const {
  std::vector<int> items = given_up_;
  items.insert(items.end(), output_.begin(), output_.end());
  return items;
}

void Module::GivenUp(int item) {
  ++given_up_count_;
  if (given_up_.size() < kUncollectedKept) given_up_.push_back(item);
}

void Module::GiveUpReply() {
  for (int item : output_) GivenUp(item);
  output_.clear();
  // The marker of a VNM status reply was never taken, so what the PC sends now is a command of
  // its own and not the count of RAM bytes the reply waits for.
  if (expect_ == Expect::kStatusCountLo) expect_ = Expect::kCommand;
}

void Module::SendStatus() {
  Send(kStatusMarker);
  if (config_.kind == 1) {
    Send(Lo(pc));
    Send(Hi(pc));
    for (int k = 0; k < kVnStatusRamBytes; ++k) Send(RamByte(kVnRamBase + k));
  } else {
    // The PC answers the marker with the number of RAM bytes it wants.
    expect_ = Expect::kStatusCountLo;
  }
}

void Module::FinishLoad() {
  expect_ = Expect::kCommand;
  program_length_ = count_;
  if (config_.kind == 1) {
    // The echo is read back from flash, so a cell that does not hold its byte shows.
    for (long a = 0; a <= count_; ++a) Send(FlashByte(a));
  } else {
    long sum = 0;
    for (long a = 0; a < count_; ++a) sum += FlashByte(a);
    Send(Lo(sum));
    Send(Hi(sum));
  }
  OnProgramLoaded();
}

void Module::GiveUpExchange() {
  const bool half_loaded = expect_ == Expect::kLoadData;
  expect_ = Expect::kCommand;
  if (half_loaded) {
    // Part of the new code is in flash, the rest is not: there is no program to run.
    program_length_ = 0;
    OnProgramLoaded();
  }
}

void Module::Receive(std::uint8_t byte, std::int64_t at_ns) {
  if (have_activity_ && expect_ != Expect::kCommand && at_ns - last_activity_ns_ > kReceiveTimeoutNs)
    GiveUpExchange();
  NoteTaken(at_ns);
  Receive(byte);
}

void Module::Receive(std::uint8_t byte) {
  // A command finds the program where the clock has brought it (Break stops it there).
  if (expect_ == Expect::kCommand) Advance();
  ++bytes_received_;
  if (!output_.empty()) GiveUpReply();
  switch (expect_) {
    case Expect::kCommand:
      Command(byte);
      return;
    case Expect::kLoadLenLo:
      count_ = byte;
      expect_ = Expect::kLoadLenHi;
      return;
    case Expect::kLoadLenHi:
      count_ += 256L * byte;
      expected_ = config_.kind == 1 ? count_ + 1 : count_;
      index_ = 0;
      if (expected_ == 0)
        FinishLoad();
      else
        expect_ = Expect::kLoadData;
      return;
    case Expect::kLoadData:
      ProgramFlash(index_++, byte);
      if (--expected_ == 0) FinishLoad();
      return;
    case Expect::kFlashPages:
      expect_ = Expect::kCommand;
      for (long a = 0; a < 256L * byte; ++a) Send(FlashByte(a));
      return;
    case Expect::kFlashLenLo:
      count_ = byte;
      expect_ = Expect::kFlashLenHi;
      return;
    case Expect::kFlashLenHi:
      count_ += 256L * byte;
      expect_ = Expect::kCommand;
      for (long a = 0; a < count_; ++a) Send(FlashByte(a));
      return;
    case Expect::kStatusCountLo:
      count_ = byte;
      expect_ = Expect::kStatusCountHi;
      return;
    case Expect::kStatusCountHi:
      count_ += 256L * byte;
      expect_ = Expect::kCommand;
      Send(Lo(pc));
      Send(Hi(pc));
      for (long a = 0; a < count_; ++a) Send(RamByte(a));
      return;
    case Expect::kModifyAddrLo:
      modify_addr_ = byte;
      expect_ = Expect::kModifyAddrHi;
      return;
    case Expect::kModifyAddrHi:
      modify_addr_ += 256L * byte;
      expect_ = Expect::kModifyCount;
      return;
    case Expect::kModifyCount:
      expected_ = byte;
      index_ = 0;
      expect_ = expected_ == 0 ? Expect::kCommand : Expect::kModifyData;
      return;
    case Expect::kModifyData: {
      const long addr = modify_addr_ + index_++;
      if (addr >= 0 && addr < static_cast<long>(ram.size())) ram[static_cast<size_t>(addr)] = byte;
      if (--expected_ == 0) expect_ = Expect::kCommand;
      return;
    }
  }
}

void Module::Command(std::uint8_t cmd) {
  commands_.push_back(cmd);
  const bool vn = config_.kind == 1;
  switch (static_cast<WireCommand>(cmd)) {
    case WireCommand::kIdentify:
      Send(config_.firmware & 0xFF);
      if (vn) {
        Send(short_ticks_);
        Send(long_ticks_);
        Send(config_.kind);
        for (int k = 0; k < 3; ++k) Send(0);
      }
      return;
    case WireCommand::kIdentifyMath:
      if (!vn) Send(config_.math_firmware & 0xFF);
      return;
    case WireCommand::kLoadCode:
      expect_ = Expect::kLoadLenLo;
      return;
    case WireCommand::kReadFlash:
      expect_ = vn ? Expect::kFlashPages : Expect::kFlashLenLo;
      return;
    case WireCommand::kBreak:
      in_debug_ = true;
      OnBreak();
      SendStatus();
      return;
    case WireCommand::kCheckVariables:
      SendStatus();
      return;
    case WireCommand::kStepInto:
      in_debug_ = true;
      OnStepInto();
      SendStatus();
      return;
    case WireCommand::kStepOut:
      in_debug_ = true;
      if (OnStepOut()) SendStatus();
      return;
    case WireCommand::kModifyVariable:
      expect_ = Expect::kModifyAddrLo;
      return;
    case WireCommand::kReset:
      OnReset();
      if (vn || !in_debug_) {
        // The VN series sends it when the debugger lets go: the program starts over.
        in_debug_ = false;
        OnLeaveDebug();
      } else {
        // Reset from the debugger: stopped again on the first instruction.
        SendStatus();
      }
      return;
    case WireCommand::kLeaveDebug:
      if (!vn) {
        in_debug_ = false;
        OnLeaveDebug();
      }
      return;
    default:
      return;  // not a command: the firmware waits for the next byte
  }
}

}  // namespace vn::sim
