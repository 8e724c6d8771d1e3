#include "supervisor_clock.hpp"

#include <chrono>
#include <limits>

#include <utils/clock.hpp>

namespace vs_realsense2 {

std::int64_t SteadySupervisorClock::NowMs() const {
  return utils::NowMs();
}

bool SteadySupervisorClock::WaitUntil(utils::MutexLock& lock, std::condition_variable& cv,
                                      std::int64_t deadlineMs, const std::function<bool()>& woken) {
  if (deadlineMs == std::numeric_limits<std::int64_t>::max()) {
    lock.Wait(cv, woken);
    return true;
  }
  for (;;) {
    if (woken())
      return true;
    const std::int64_t now = NowMs();
    if (now >= deadlineMs)
      return false;
    // utils::NowMs and the condition variable's clock may differ slightly:
    // the loop looks at NowMs again rather than trusting the timeout.
    lock.WaitFor(cv, std::chrono::milliseconds(deadlineMs - now));
  }
}

}  // namespace vs_realsense2
