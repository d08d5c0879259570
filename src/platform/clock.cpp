#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace vn::platform {

std::int64_t SteadyClock::NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SteadyClock::SpinFor(std::int64_t ns) {
  if (ns <= 0) return;
  const std::int64_t end = NowNs() + ns;
  while (NowNs() < end) {
  }
}

void SteadyClock::SleepFor(std::int64_t ns) {
  if (ns > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(ns));
}

}  // namespace vn::platform
