// The time a source's supervisor decides by: its watchdog, its restart delays
// and its health line.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>

#include <utils/mutex.hpp>

namespace vs_realsense2 {

// Monotonic milliseconds, and the one way the supervisor waits for them. A
// test steps its own clock instead of waiting through real delays; the
// supervisor's decisions are the same on both.
class SupervisorClock {
 public:
  virtual ~SupervisorClock() = default;

  [[nodiscard]] virtual std::int64_t NowMs() const = 0;

  // With `lock` held on the mutex that guards `woken`'s state: waits on `cv`
  // until `woken()` is true or NowMs() reaches `deadlineMs`. Returns whether
  // it was woken. (The analysis cannot name the mutex behind a lock passed in;
  // `woken` says which one it needs with REQUIRES on its lambda.)
  [[nodiscard]] virtual bool WaitUntil(utils::MutexLock& lock, std::condition_variable& cv,
                                       std::int64_t deadlineMs,
                                       const std::function<bool()>& woken) = 0;

  // `wake` is called whenever the clock moves other than by the passing of
  // time, so that a waiter looks again. It takes the waiter's lock, which
  // makes a step and a wait that begins at the same moment safe. The real
  // clock never calls it.
  virtual void OnStep(std::function<void()> wake) = 0;
};

// The steady clock of the machine.
class SteadySupervisorClock final : public SupervisorClock {
 public:
  [[nodiscard]] std::int64_t NowMs() const override;
  [[nodiscard]] bool WaitUntil(utils::MutexLock& lock, std::condition_variable& cv,
                               std::int64_t deadlineMs,
                               const std::function<bool()>& woken) override;
  void OnStep(std::function<void()> /*wake*/) override {}
};

}  // namespace vs_realsense2
