// A supervisor clock that moves only when a test steps it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <vs_test_support/log_capture.hpp>

#include "supervisor_clock.hpp"

namespace vs_realsense2_test {

// Thread-safe. Waits end when the clock is stepped past their deadline or
// when the waiter is woken; real time plays no part. Settle tells a test when
// every supervisor has done what the last step asked of it, so that each
// decision is taken at the time the test meant.
class SteppedClock final : public vs_realsense2::SupervisorClock {
 public:
  std::int64_t NowMs() const override {
    const std::lock_guard<std::mutex> lock(mutex_);
    return now_;
  }

  [[nodiscard]] bool WaitUntil(utils::MutexLock& lock, std::condition_variable& cv,
                               std::int64_t deadlineMs,
                               const std::function<bool()>& woken) override {
    lock.Wait(cv, [&] {
      if (woken() || NowMs() >= deadlineMs)
        return true;
      MarkBlocked(true);
      return false;
    });
    MarkBlocked(false);
    return woken();
  }

  // Until `waiters` threads wait on this clock, each having looked at the
  // time since the last step; false after the test's wait limit.
  // Waiting() says how many do, for a failure's message.
  bool Settle(std::size_t waiters = 1) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return settled_.wait_for(lock, vs_test_support::kWaitLimit, [&] {
      if (blocked_.size() != waiters)
        return false;
      for (const auto& entry : blocked_) {
        if (entry.second != generation_)
          return false;
      }
      return true;
    });
  }

  std::size_t Waiting() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return blocked_.size();
  }

  void OnStep(std::function<void()> wake) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    wakers_.push_back(std::move(wake));
  }

  // Each waker takes its waiter's lock: a waiter either saw the old time
  // and is waiting, or will see the new one.
  void Step(std::int64_t ms) {
    std::vector<std::function<void()>> wakers;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      now_ += ms;
      ++generation_;
      wakers = wakers_;
    }
    for (const auto& wake : wakers)
      wake();
  }

 private:
  void MarkBlocked(bool blocked) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (blocked)
      blocked_[std::this_thread::get_id()] = generation_;
    else
      blocked_.erase(std::this_thread::get_id());
    settled_.notify_all();
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable settled_;
  std::int64_t now_ = 1'000'000;
  std::uint64_t generation_ = 0;
  std::map<std::thread::id, std::uint64_t> blocked_;  // waiter: generation it last saw
  std::vector<std::function<void()>> wakers_;
};

}  // namespace vs_realsense2_test
