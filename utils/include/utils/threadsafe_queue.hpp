// A bounded queue that hands elements from producing threads to a consumer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>

#include "utils/clock.hpp"
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
      : popEnabled(popEnabled), pushEnabled(pushEnabled), capacity(capacity) {}

  // True when the element was appended; false when pushing is disabled or
  // `capacity` elements are held.
  bool Push(const T& item) {
    QueueStatus status = QueueStatus::Full;
    {
      std::lock_guard<std::mutex> guard(mutex);
      if (!pushEnabled) {
        status = QueueStatus::Closed;
      } else if (items.size() < capacity) {
        items.push_back(item);
        notEmpty.notify_one();
        status = QueueStatus::Ok;
      }
    }
    return status == QueueStatus::Ok;
  }

  // Moves the oldest element into `*out` (or discards it when `out` is null).
  // A closed queue answers Closed even while it holds elements. `timeoutMs`
  // is read only by WaitFor; an unknown mode answers Empty.
  QueueStatus Pop(T* out, WaitMode mode, std::int32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!popEnabled)
      return QueueStatus::Closed;
    if (items.empty()) {
      QueueStatus status = QueueStatus::Empty;
      switch (mode) {
        case WaitMode::NoWait:
          break;
        case WaitMode::WaitFor:
          status = WaitForElement(lock, timeoutMs);
          break;
        case WaitMode::WaitForever:
          notEmpty.wait(lock, [this] { return !popEnabled || !items.empty(); });
          status = popEnabled ? QueueStatus::Ok : QueueStatus::Closed;
          break;
      }
      if (status != QueueStatus::Ok)
        return status;
    }
    if (out != nullptr)
      *out = std::move(items.front());
    items.pop_front();
    return QueueStatus::Ok;
  }

  // Disables popping and wakes every waiting Pop; pushing is unaffected.
  void Close() {
    std::lock_guard<std::mutex> guard(mutex);
    if (popEnabled) {
      popEnabled = false;
      notEmpty.notify_all();
    }
  }

 private:
  // The remaining time is recomputed from a deadline on every round so that
  // spurious wake-ups do not stretch the wait.
  QueueStatus WaitForElement(std::unique_lock<std::mutex>& lock, std::int32_t timeoutMs) {
    std::int64_t deadline = 0;
    if (timeoutMs > 0)
      deadline = NowMs() + timeoutMs;
    std::int32_t remaining = timeoutMs;
    while (items.empty()) {
      if (!popEnabled)
        break;
      if (remaining < 1)
        return QueueStatus::Empty;
      remaining = static_cast<std::int32_t>(deadline - NowMs());
      if (remaining < 1)
        return QueueStatus::Empty;
      if (notEmpty.wait_for(lock, std::chrono::milliseconds(remaining)) ==
          std::cv_status::timeout) {
        return QueueStatus::Empty;
      }
    }
    return popEnabled ? QueueStatus::Ok : QueueStatus::Closed;
  }

  Container items;
  bool popEnabled;
  bool pushEnabled;
  std::uint64_t capacity;
  std::mutex mutex;
  std::condition_variable notEmpty;
};

}  // namespace utils::tsq
