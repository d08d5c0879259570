// Time for the link's protocol timing. The parallel cables' pulse lengths are busy-waits on a
// monotonic clock; tests and the virtual module run the same code on a clock that only moves
// when the simulation moves it, so protocol tests take no real time and repeat exactly.
#pragma once

#include <cstdint>

namespace vn::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time in nanoseconds from an arbitrary origin.
  virtual std::int64_t NowNs() = 0;
  // Holds the caller for `ns` nanoseconds without giving up the processor: the bit trains
  // of the dummy cable cannot afford a scheduler wake-up in the middle of a pulse.
  virtual void SpinFor(std::int64_t ns) = 0;
  // Waits `ns` nanoseconds where the processor may be given up (USB read polling).
  virtual void SleepFor(std::int64_t ns) = 0;
};

// The machine's monotonic clock.
class SteadyClock final : public Clock {
 public:
  std::int64_t NowNs() override;
  void SpinFor(std::int64_t ns) override;
  void SleepFor(std::int64_t ns) override;
};

// A clock that moves only when told to. Waiting on it moves it at once.
class VirtualClock final : public Clock {
 public:
  std::int64_t NowNs() override { return now_ns_; }
  void SpinFor(std::int64_t ns) override { Advance(ns); }
  void SleepFor(std::int64_t ns) override { Advance(ns); }
  void Advance(std::int64_t ns) {
    if (ns > 0) now_ns_ += ns;
  }

 private:
  std::int64_t now_ns_ = 0;
};

}  // namespace vn::platform
