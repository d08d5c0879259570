#include "platform/bit_timing.h"

#include <pthread.h>
#include <sched.h>

namespace vn::platform {

void RealtimeInterruptControl::Disable() {
  if (raised_) return;
  sched_param old{};
  int policy = 0;
  if (pthread_getschedparam(pthread_self(), &policy, &old) != 0) return;
  sched_param rt{};
  rt.sched_priority = kPriority;
  if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &rt) != 0) return;
  saved_policy_ = policy;
  saved_priority_ = old.sched_priority;
  raised_ = true;
}

void RealtimeInterruptControl::Enable() {
  if (!raised_) return;
  sched_param old{};
  old.sched_priority = saved_priority_;
  pthread_setschedparam(pthread_self(), saved_policy_, &old);
  raised_ = false;
}

int QueryOsPlatform() { return kOsPlatformDummyCapable; }

}  // namespace vn::platform
