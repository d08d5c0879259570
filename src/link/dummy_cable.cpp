#include "link/dummy_cable.h"

#include "platform/bit_timing.h"

namespace vn::link {

namespace {
constexpr int kStatusAckLine = 0x40;  // the module's line
// A pulse counted past this no longer fits the 16-bit count the threshold is worked out in.
constexpr int kLongestPulse = 32767;
}  // namespace

void DummyCable::SendPulseLong() {
  lines_.Write(lines_.base(), 0);
  for (int i = 0; i < 4; ++i) lines_.DelayUnit();
  lines_.Write(lines_.base(), 1);
  lines_.DelayUnit();
}

void DummyCable::SendPulseShort() {
  lines_.Write(lines_.base(), 0);
  lines_.DelayUnit();
  lines_.Write(lines_.base(), 1);
  lines_.DelayUnit();
}

int DummyCable::ReadAckLine() { return (lines_.Read(lines_.base() + 1) & kStatusAckLine) != 0 ? 1 : 0; }

int DummyCable::WaitAck(int level) {
  for (long round = 0; round < kAckRounds; ++round)
    for (long poll = 0; poll < kAckPolls; ++poll)
      if (ReadAckLine() == level) return 0;
  return -1;
}

int DummyCable::MeasureLowPulse() {
  long polls = 0;
  while (ReadAckLine() != 0)
    if (++polls >= kPulsePolls) return -1;
  long low = 0;
  for (long poll = 0; poll < kPulsePolls; ++poll) {
    if (ReadAckLine() == 1) return low > kLongestPulse ? -1 : static_cast<int>(low);
    ++low;
  }
  return -1;
}

int DummyCable::PulseSend(int b) {
  if (!IsByte(b)) return -1;
  const int base = lines_.base();
  platform::InterruptControl& interrupts = lines_.interrupts();
  lines_.Write(base, 0);  // request
  if (WaitAckLow() != 0) {
    lines_.Write(base, 1);
    return -1;
  }
  lines_.Write(base, 1);
  if (WaitAckHigh() != 0) return -1;
  interrupts.Disable();
  SendPulseLong();  // start pattern: the module measures its two pulse lengths
  SendPulseShort();
  for (int bit = 0; bit < 8; ++bit) {
    if ((b >> bit) & 1)
      SendPulseShort();
    else
      SendPulseLong();
  }
  interrupts.Enable();
  if (WaitAckLow() != 0) {
    lines_.Write(base, 1);
    return -1;
  }
  lines_.Write(base, 0);
  if (WaitAckHigh() != 0) {
    lines_.Write(base, 1);
    return -1;
  }
  lines_.Write(base, 1);
  lines_.DelayUnit();
  return 0;
}

int DummyCable::PulseRecv() {
  const int base = lines_.base();
  platform::InterruptControl& interrupts = lines_.interrupts();
  if (WaitAckLow() != 0) return -1;  // the module's request
  interrupts.Disable();
  lines_.Write(base, 0);
  if (WaitAckHigh() != 0) {
    lines_.Write(base, 1);
    interrupts.Enable();
    return -1;
  }
  lines_.Write(base, 1);
  const int t1 = MeasureLowPulse();  // the module's long start pulse
  if (t1 < 0) {
    interrupts.Enable();
    return -1;
  }
  const int t2 = MeasureLowPulse();  // and its short one
  if (t2 < 0) {
    interrupts.Enable();
    return -1;
  }
  const int threshold = t2 + (t1 - t2) / 2;
  int result = 0;
  for (int bit = 0; bit < 8; ++bit) {
    result >>= 1;
    const int t = MeasureLowPulse();
    // A pulse that never ended is no bit at all, not a short one.
    if (t < 0) {
      interrupts.Enable();
      return -1;
    }
    if (t < threshold) result |= 0x80;
  }
  lines_.Write(base, 0);
  if (WaitAckLow() != 0) {
    interrupts.Enable();
    lines_.Write(base, 1);
    return -1;
  }
  lines_.Write(base, 1);
  const int ack = WaitAckHigh();
  interrupts.Enable();
  return ack != 0 ? -1 : result;
}

}  // namespace vn::link
