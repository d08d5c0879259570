#include "cli/serial_run.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace vn::cli {
namespace {

using Clock = std::chrono::steady_clock;

// Instructions between two looks at the wall clock, the terminal and the signals.
constexpr std::uint64_t kChunkSteps = 20'000;
// How long the bytes still on their way after a stop may take to go out.
constexpr std::uint64_t kDrainUs = 1'000'000;

// SIGINT and SIGTERM as a descriptor to poll, so that a signal ends the loop between two pieces
// of work instead of in the middle of one.
class SignalWatch {
 public:
  SignalWatch() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    sigprocmask(SIG_BLOCK, &set_, &old_);
    fd_ = signalfd(-1, &set_, SFD_NONBLOCK | SFD_CLOEXEC);
  }
  ~SignalWatch() {
    if (fd_ >= 0) close(fd_);
    sigprocmask(SIG_SETMASK, &old_, nullptr);
  }
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;
  int fd() const { return fd_; }
  // The signal that came, or 0.
  int Take() {
    signalfd_siginfo info{};
    if (fd_ >= 0 && read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) return static_cast<int>(info.ssi_signo);
    return 0;
  }

 private:
  sigset_t set_{};
  sigset_t old_{};
  int fd_ = -1;
};

// Waits until the PC side writes, a signal comes, or `ms` pass.
void Wait(int line_fd, int signal_fd, int ms) {
  pollfd fds[2] = {{line_fd, POLLIN, 0}, {signal_fd, POLLIN, 0}};
  poll(fds, signal_fd >= 0 ? 2 : 1, ms);
}

}  // namespace

WallClockEnd RunOnWallClock(sim::Interpreter& vm, serial::VirtualSerialLine& line, std::uint64_t max_steps,
                            std::uint64_t until_us, const std::function<void()>& after_chunk) {
  SignalWatch signals;
  WallClockEnd end;
  const Clock::time_point start = Clock::now();
  const std::uint64_t base_us = vm.now_us();
  auto wall_us = [&] {
    return base_us + static_cast<std::uint64_t>(
                         std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
  };
  sim::Serial& serial = vm.io().serial();
  std::uint64_t steps_left = max_steps;
  for (;;) {
    if ((end.signal = signals.Take()) != 0) break;
    line.Pump(serial, vm.now_us());
    const std::uint64_t target = std::min(wall_us(), until_us);
    const sim::Stop s = vm.Run(std::min(steps_left, kChunkSteps), target);
    steps_left -= std::min(steps_left, s.steps);
    line.Pump(serial, vm.now_us());
    after_chunk();
    end.stop = s;
    if (s.reason == sim::StopReason::kWaitingForInput || s.reason == sim::StopReason::kTimeLimit ||
        (s.reason == sim::StopReason::kStepLimit && steps_left > 0)) {
      if (vm.now_us() >= until_us) {
        end.stop.reason = sim::StopReason::kTimeLimit;
        break;
      }
      // Ahead of the wall clock (or blocked): wait for it, or for the PC side's next bytes.
      if (s.reason != sim::StopReason::kStepLimit) Wait(line.input_fd(), signals.fd(), 1);
      continue;
    }
    break;
  }
  // The bytes sent before the stop leave at their pace, as they would from the module.
  const std::uint64_t stop_us = vm.now_us();
  const std::uint64_t drain_from = wall_us();
  while (end.signal == 0 && serial.line_end() > 0 && wall_us() - drain_from < kDrainUs && !line.Drained(serial)) {
    line.Pump(serial, stop_us + (wall_us() - drain_from));
    Wait(-1, signals.fd(), 1);
    end.signal = signals.Take();
  }
  return end;
}

}  // namespace vn::cli
