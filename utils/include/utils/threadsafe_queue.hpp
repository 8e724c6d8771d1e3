// A bounded queue that hands elements from producing threads to a consumer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <utility>

#include "utils/clock.hpp"
#include "utils/mutex.hpp"
#include "utils/noncopyable.hpp"

namespace utils::tsq {

enum class QueueStatus : int {
  Ok = 0,      // an element was stored or taken
  Closed = 1,  // the operation is disabled
  Full = 2,    // no room
  Empty = 3,   // nothing to take within the allowed wait
};

// How Pop behaves on an empty queue.
enum class WaitMode : int {
  NoWait = 0,
  WaitFor = 1,  // up to a time-out in milliseconds
  WaitForever = 2,
};

// Push never waits, so a producer that must not block (a camera callback)
// can use it; when the queue is full the new element is refused rather than
// an old one evicted. Close stops consumers for good but leaves pushing
// enabled: elements pushed afterwards are released with the queue.
template <class T, class Container = std::deque<T>>
class ThreadsafeQueue : private Noncopyable {
 public:
  ThreadsafeQueue(std::uint64_t capacity, bool popEnabled, bool pushEnabled)
      : popEnabled_(popEnabled), pushEnabled_(pushEnabled), capacity_(capacity) {}

  // True when the element was appended; false when pushing is disabled or
  // `capacity_` elements are held.
  [[nodiscard]] bool Push(const T& item) {
    QueueStatus status = QueueStatus::Full;
    {
      const MutexLock lock(mutex_);
      if (!pushEnabled_) {
        status = QueueStatus::Closed;
      } else if (items_.size() < capacity_) {
        items_.push_back(item);
        notEmpty_.notify_one();
        status = QueueStatus::Ok;
      }
    }
    return status == QueueStatus::Ok;
  }

  // Moves the oldest element into `*out` (or discards it when `out` is null).
  // A closed queue answers Closed even while it holds elements. `timeoutMs`
  // is read only by WaitFor; an unknown mode answers Empty.
  [[nodiscard]] QueueStatus Pop(T* out, WaitMode mode, std::int32_t timeoutMs) {
    MutexLock lock(mutex_);
    if (!popEnabled_)
      return QueueStatus::Closed;
    if (items_.empty()) {
      QueueStatus status = QueueStatus::Empty;
      switch (mode) {
        case WaitMode::NoWait:
          break;
        case WaitMode::WaitFor:
          status = WaitForElement(lock, timeoutMs);
          break;
        case WaitMode::WaitForever:
          lock.Wait(notEmpty_,
                    [this]() REQUIRES(mutex_) { return !popEnabled_ || !items_.empty(); });
          status = popEnabled_ ? QueueStatus::Ok : QueueStatus::Closed;
          break;
      }
      if (status != QueueStatus::Ok)
        return status;
    }
    if (out != nullptr)
      *out = std::move(items_.front());
    items_.pop_front();
    return QueueStatus::Ok;
  }

  // Disables popping and wakes every waiting Pop; pushing is unaffected.
  void Close() {
    const MutexLock lock(mutex_);
    if (popEnabled_) {
      popEnabled_ = false;
      notEmpty_.notify_all();
    }
  }

 private:
  // The remaining time is recomputed from a deadline on every round so that
  // spurious wake-ups do not stretch the wait.
  [[nodiscard]] QueueStatus WaitForElement(MutexLock& lock, std::int32_t timeoutMs)
      REQUIRES(mutex_) {
    std::int64_t deadline = 0;
    if (timeoutMs > 0)
      deadline = NowMs() + timeoutMs;
    std::int32_t remaining = timeoutMs;
    while (items_.empty()) {
      if (!popEnabled_)
        break;
      if (remaining < 1)
        return QueueStatus::Empty;
      remaining = static_cast<std::int32_t>(deadline - NowMs());
      if (remaining < 1)
        return QueueStatus::Empty;
      if (lock.WaitFor(notEmpty_, std::chrono::milliseconds(remaining)) ==
          std::cv_status::timeout) {
        return QueueStatus::Empty;
      }
    }
    return popEnabled_ ? QueueStatus::Ok : QueueStatus::Closed;
  }

  Mutex mutex_;
  Container items_ GUARDED_BY(mutex_);
  bool popEnabled_ GUARDED_BY(mutex_);
  bool pushEnabled_ GUARDED_BY(mutex_);
  const std::uint64_t capacity_;
  std::condition_variable notEmpty_;
};

}  // namespace utils::tsq
