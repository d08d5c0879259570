#include "sim/peripherals/sensors.h"

#include <cstdint>
#include <limits>

namespace vn::sim {

namespace {

constexpr std::uint64_t kLastChannel = Sensors::kChannels - 1;
constexpr std::uint64_t kLargestLong = std::numeric_limits<std::int32_t>::max();

Sensors& Self(Peripheral& p) { return static_cast<Sensors&>(p); }

// The ranges are the module's: an ADIN or ADKEYIN channel and a CAPTURE port are the port
// numbers 0..64; PADIN's block is a byte of the code; COUNT has counters 0 and 1 and ON INT
// (VNM) lines 0 and 1. Values are what the program reads back without wrapping: an ADIN value
// fits the INTEGER it is read into, a key a BYTE, a count or a captured time a positive LONG,
// SHIFTIN at most 32 bits.
const InputKind kInputs[] = {
    {"adc", {"N", "channel", kLastChannel}, {"V", "value", 65535},
     [](Peripheral& p, std::uint64_t n, std::uint64_t v) { Self(p).SetAdc(static_cast<int>(n), static_cast<int>(v)); }},
    {"adkey", {"N", "channel", kLastChannel}, {"K", "key", 255},
     [](Peripheral& p, std::uint64_t n, std::uint64_t v) { Self(p).SetAdKey(static_cast<int>(n), static_cast<int>(v)); }},
    {"keypad", {"B", "block", 255}, {"K", "key", 255},
     [](Peripheral& p, std::uint64_t n, std::uint64_t v) { Self(p).SetKeypad(static_cast<int>(n), static_cast<int>(v)); }},
    {"count", {"N", "counter", 1}, {"V", "value", kLargestLong},
     [](Peripheral& p, std::uint64_t n, std::uint64_t v) { Self(p).SetCounter(static_cast<int>(n), static_cast<long>(v)); }},
    {"capture", {"P", "port", kLastChannel}, {"V", "value", kLargestLong},
     [](Peripheral& p, std::uint64_t n, std::uint64_t v) { Self(p).SetCapture(static_cast<int>(n), static_cast<long>(v)); }},
    {"shiftin", {"V", "value", 0xFFFFFFFF}, {},
     [](Peripheral& p, std::uint64_t v, std::uint64_t) { Self(p).SetShiftIn(static_cast<long>(v)); }},
    {"int", {"N", "interrupt line", 1}, {},
     [](Peripheral& p, std::uint64_t n, std::uint64_t) { Self(p).TriggerInterrupt(static_cast<int>(n)); }},
};

bool ValidChannel(int channel) { return channel >= 0 && channel < Sensors::kChannels; }

}  // namespace

std::span<const InputKind> Sensors::Inputs() { return kInputs; }

void Sensors::SetAdc(int channel, int value) {
  if (ValidChannel(channel)) adc_[static_cast<size_t>(channel)] = value;
}
int Sensors::Adc(int channel) const { return ValidChannel(channel) ? adc_[static_cast<size_t>(channel)] : 0; }
void Sensors::SetAdKey(int channel, int key) {
  if (ValidChannel(channel)) adkey_[static_cast<size_t>(channel)] = key;
}
int Sensors::AdKey(int channel) const { return ValidChannel(channel) ? adkey_[static_cast<size_t>(channel)] : 0; }
void Sensors::SetKeypad(int block, int key) {
  if (block >= 0 && block < 256) keypad_[static_cast<size_t>(block)] = key;
}
int Sensors::Keypad(int block) const { return block >= 0 && block < 256 ? keypad_[static_cast<size_t>(block)] : 0; }
void Sensors::SetCounter(int counter, long value) {
  if (counter == 0 || counter == 1) counters_[static_cast<size_t>(counter)] = value;
}
long Sensors::Counter(int counter) const {
  return counter == 0 || counter == 1 ? counters_[static_cast<size_t>(counter)] : 0;
}
void Sensors::SetCapture(int port, long value) {
  if (ValidChannel(port)) capture_[static_cast<size_t>(port)] = value;
}
long Sensors::Capture(int port) const { return ValidChannel(port) ? capture_[static_cast<size_t>(port)] : 0; }

void Sensors::TriggerInterrupt(int line) {
  if (line != 0 && line != 1) return;
  ++int_requests_[static_cast<size_t>(line)];
  board().RaiseAttention();
}

std::array<int, 2> Sensors::TakeInterruptRequests() {
  const auto r = int_requests_;
  int_requests_ = {};
  return r;
}

}  // namespace vn::sim
