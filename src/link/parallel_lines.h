// The PC's parallel port as both parallel cables drive it: the three registers at the link's
// base address, the bit timing and the half-byte handshake protocol (the REV. B cable's own, and
// what the dummy cable speaks to a VNM-series module and for the debugger's commands).
#pragma once

#include <cstdint>

#include "core/devices.h"

namespace vn::platform {
class Clock;
class InterruptControl;
class ParallelPort;
}  // namespace vn::platform

namespace vn::link {

// One DelayUnit lasts (BitDelay + 1) of these. The protocol was timed by an empty loop of four
// iterations per count; 2.5 ns per iteration is what such a loop took on the PCs the cable was
// made for, so the nine speed-check steps keep covering the pulse lengths the modules expect.
inline constexpr std::int64_t kDelayUnitNsPerCount = 10;

class ParallelLines {
 public:
  // `base` and `bit_delay` are the link's settings, read at every use (they change while the
  // program runs: Port Setup, the speed check).
  ParallelLines(platform::ParallelPort& port, platform::InterruptControl& interrupts, platform::Clock& clock,
                const int& base, const long& bit_delay)
      : port_(port), interrupts_(interrupts), clock_(clock), base_(base), bit_delay_(bit_delay) {}

  void Write(int port, int value);
  int Read(int port);
  int base() const { return base_; }
  int Open();  // 0 = open, -1 = refused
  void Close();
  bool IsOpen() const;
  // Data lines at rest for the series, control at rest.
  void Idle(core::Series series);

  // The half-byte protocol with the series' family bit.
  int HalfByteSend(int b, core::Series series);
  int HalfByteRecv(core::Series series);

  void DelayUnit();
  platform::InterruptControl& interrupts() { return interrupts_; }

 private:
  // Polls status bit 3 until it reads `level`; false after rounds x polls reads.
  bool PollHandshake(int level, long rounds, long polls);

  platform::ParallelPort& port_;
  platform::InterruptControl& interrupts_;
  platform::Clock& clock_;
  const int& base_;
  const long& bit_delay_;
};

bool IsByte(int b);

}  // namespace vn::link
