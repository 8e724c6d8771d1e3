#include "utils/threadsafe_queue.hpp"

#include <chrono>
#include <deque>
#include <future>
#include <memory>
#include <utility>

#include <gtest/gtest.h>

namespace {

using utils::tsq::QueueStatus;
using utils::tsq::ThreadsafeQueue;
using utils::tsq::WaitMode;

// Set on the consumer under test only. The queue finds itself empty under its lock just
// before it waits, and a producer gets the lock only once the wait releases it: once the
// promise is kept, the next Push or Close reaches a consumer that really waits.
thread_local std::promise<void>* foundEmpty = nullptr;

template <class T>
struct WatchedDeque : std::deque<T> {
  bool empty() const {
    const bool isEmpty = std::deque<T>::empty();
    if (isEmpty && foundEmpty != nullptr)
      std::exchange(foundEmpty, nullptr)->set_value();
    return isEmpty;
  }
};

using WatchedQueue = ThreadsafeQueue<int, WatchedDeque<int>>;

// Runs Pop on another thread, waiting as the module's reader does, and
// returns once that thread waits in it.
std::future<std::pair<QueueStatus, int>> PopWhenBlocked(WatchedQueue& queue) {
  auto blocked = std::make_shared<std::promise<void>>();
  auto waiting = blocked->get_future();
  auto result = std::async(std::launch::async, [&queue, blocked] {
    foundEmpty = blocked.get();
    int value = -1;
    const QueueStatus status = queue.Pop(&value, WaitMode::WaitForever, 0);
    return std::pair{status, value};
  });
  waiting.wait();
  return result;
}

TEST(ThreadsafeQueueTest, BlockedPopIsWokenByPushAndByClose) {
  for (const bool close : {false, true}) {
    WatchedQueue queue(3, true, true);
    auto pending = PopWhenBlocked(queue);
    if (close)
      queue.Close();
    else
      EXPECT_TRUE(queue.Push(42));
    // A bound for failure only: a correct queue answers at once. Push
    // notifies even a closed queue, so the rescue frees the consumer.
    if (pending.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
      ADD_FAILURE() << "the blocked Pop was not woken";
      queue.Close();
      EXPECT_TRUE(queue.Push(0));
    }
    EXPECT_EQ(pending.get(),
              std::pair(close ? QueueStatus::Closed : QueueStatus::Ok, close ? -1 : 42))
        << "close=" << close;
  }
}

}  // namespace
