#include "link/parallel_lines.h"

#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"

namespace vn::link {

namespace {
constexpr int kStatusHandshake = 0x08;  // the module's handshake line
constexpr int kRevBLow = 0xC0;          // phase bit 4 clear: low half / acknowledge
constexpr int kRevBHigh = 0xD0;         // phase bit 4 set: high half / rest
int FamilyBit(core::Series series) { return series == core::Series::kVn ? 0 : 0x20; }
}  // namespace

bool IsByte(int b) { return b >= 0 && b <= 255; }

void ParallelLines::Write(int port, int value) { port_.Write(port, static_cast<std::uint8_t>(value & 0xFF)); }
int ParallelLines::Read(int port) { return port_.Read(port); }
int ParallelLines::Open() { return port_.Open(base_) ? 0 : -1; }
void ParallelLines::Close() { port_.Close(); }
bool ParallelLines::IsOpen() const { return port_.IsOpen(); }

void ParallelLines::Idle(core::Series series) {
  Write(base_, series == core::Series::kVnm ? 0xFF : 0xDF);
  Write(base_ + 2, 4);
}

void ParallelLines::DelayUnit() {
  if (bit_delay_ < 0) return;
  const long count = bit_delay_ > 32767 ? 32767 : bit_delay_;
  clock_.SpinFor((count + 1) * kDelayUnitNsPerCount);
}

bool ParallelLines::PollHandshake(int level, long rounds, long polls) {
  const int want = level != 0 ? kStatusHandshake : 0;
  for (long round = 0; round < rounds; ++round)
    for (long poll = 0; poll < polls; ++poll)
      if ((Read(base_ + 1) & kStatusHandshake) == want) return true;
  return false;
}

int ParallelLines::HalfByteSend(int b, core::Series series) {
  if (!IsByte(b)) return -1;
  const int f = FamilyBit(series);
  Write(base_, kRevBLow + f + b % 16);
  if (!PollHandshake(0, 3001, 501)) {
    Write(base_, kRevBHigh + f);
    return -1;
  }
  Write(base_, kRevBHigh + f + ((b / 16) & 15));
  if (!PollHandshake(1, 3001, 1001)) return -1;
  return 0;
}

int ParallelLines::HalfByteRecv(core::Series series) {
  const int f = FamilyBit(series);
  if (!PollHandshake(0, 3001, 101)) return -1;
  const int low = ((Read(base_ + 1) ^ 0x8F) >> 4) & 15;
  Write(base_, kRevBLow + f);
  if (!PollHandshake(1, 1001, 101)) {
    Write(base_, kRevBHigh + f);
    return -1;
  }
  const int high = ((Read(base_ + 1) ^ 0x8F) >> 4) & 15;
  Write(base_, kRevBHigh + f);
  return low + 16 * high;
}

}  // namespace vn::link
