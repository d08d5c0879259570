// What stands in for disabling hardware interrupts around the dummy cable's bit trains. A Linux
// process cannot turn interrupts off; the nearest it has is to run the train at a real-time
// scheduling priority, so that no ordinary thread preempts it between two edges.
#pragma once

namespace vn::platform {

class InterruptControl {
 public:
  virtual ~InterruptControl() = default;
  // Start of a timing-critical stretch. Failure is not reported: the train runs regardless.
  virtual void Disable() = 0;
  // End of it; also called once at start-up on the platform family that has the dummy cable.
  virtual void Enable() = 0;
};

// SCHED_FIFO for the calling thread while a stretch runs, when the process is allowed it
// (CAP_SYS_NICE or an RLIMIT_RTPRIO above 0); otherwise the calls change nothing.
class RealtimeInterruptControl final : public InterruptControl {
 public:
  // Just below the kernel's threaded interrupt handlers (50), which must keep running.
  static constexpr int kPriority = 49;

  void Disable() override;
  void Enable() override;

 private:
  bool raised_ = false;
  int saved_policy_ = 0;
  int saved_priority_ = 0;
};

// Which family of the original platform Linux behaves as: 1 offers the dummy cable (its bit
// trains can run at real-time priority with direct or ppdev port access), 2 forces the REV. B
// cable. See docs/link.md.
inline constexpr int kOsPlatformDummyCapable = 1;
inline constexpr int kOsPlatformRevBOnly = 2;
int QueryOsPlatform();

}  // namespace vn::platform
