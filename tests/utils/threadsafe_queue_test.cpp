#include "utils/threadsafe_queue.hpp"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using utils::tsq::QueueStatus;
using utils::tsq::ThreadsafeQueue;
using utils::tsq::WaitMode;

// Tells a test that a consumer is about to block. The queue checks for
// emptiness under its lock just before it waits, and a producer cannot take
// the lock before the wait has released it; so once the beacon is lit, the
// next Push or Close reaches a consumer that is really waiting.
class Beacon {
 public:
  void Light() {
    std::lock_guard<std::mutex> guard(mutex);
    lit = true;
    changed.notify_all();
  }
  void AwaitLit() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return lit; });
  }

 private:
  std::mutex mutex;
  std::condition_variable changed;
  bool lit = false;
};

// Per thread, so that only the consumer under test lights its beacon.
thread_local Beacon* armedBeacon = nullptr;

template <class T>
class WatchedDeque : public std::deque<T> {
 public:
  bool empty() const {
    const bool isEmpty = std::deque<T>::empty();
    if (isEmpty && armedBeacon != nullptr)
      armedBeacon->Light();
    return isEmpty;
  }
};

using WatchedQueue = ThreadsafeQueue<int, WatchedDeque<int>>;

struct PopResult {
  QueueStatus status;
  int value;
};

// Runs Pop on another thread and returns once that thread waits in it.
std::future<PopResult> PopWhenBlocked(WatchedQueue& queue, WaitMode mode, std::int32_t timeoutMs) {
  auto beacon = std::make_shared<Beacon>();
  auto result = std::async(std::launch::async, [&queue, mode, timeoutMs, beacon] {
    armedBeacon = beacon.get();
    int value = -1;
    const QueueStatus status = queue.Pop(&value, mode, timeoutMs);
    armedBeacon = nullptr;
    return PopResult{status, value};
  });
  beacon->AwaitLit();
  return result;
}

// A bound for failure only: a correct queue answers at once.
PopResult Finish(WatchedQueue& queue, std::future<PopResult>& pending) {
  if (pending.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "the blocked Pop was not woken";
    queue.Close();
  }
  return pending.get();
}

TEST(ThreadsafeQueueTest, HoldsUpToCapacityInArrivalOrder) {
  ThreadsafeQueue<int> queue(3, true, true);
  EXPECT_TRUE(queue.Push(1));
  EXPECT_TRUE(queue.Push(2));
  EXPECT_TRUE(queue.Push(3));
  EXPECT_FALSE(queue.Push(4));

  int value = 0;
  EXPECT_EQ(queue.Pop(&value, WaitMode::NoWait, 0), QueueStatus::Ok);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(queue.Pop(nullptr, WaitMode::NoWait, 0), QueueStatus::Ok);
  EXPECT_TRUE(queue.Push(5));
  for (const int expected : {3, 5}) {
    EXPECT_EQ(queue.Pop(&value, WaitMode::WaitForever, 0), QueueStatus::Ok);
    EXPECT_EQ(value, expected);
  }
  EXPECT_EQ(queue.Pop(&value, WaitMode::NoWait, 0), QueueStatus::Empty);
  EXPECT_EQ(value, 5);
}

TEST(ThreadsafeQueueTest, EmptyQueueAnswersEmptyWithoutWaiting) {
  ThreadsafeQueue<int> queue(3, true, true);
  EXPECT_EQ(queue.Pop(nullptr, WaitMode::NoWait, 1000000), QueueStatus::Empty);
  EXPECT_EQ(queue.Pop(nullptr, WaitMode::WaitFor, 0), QueueStatus::Empty);
  EXPECT_EQ(queue.Pop(nullptr, WaitMode::WaitFor, -5), QueueStatus::Empty);
  EXPECT_EQ(queue.Pop(nullptr, static_cast<WaitMode>(3), 0), QueueStatus::Empty);
  EXPECT_EQ(queue.Pop(nullptr, static_cast<WaitMode>(-1), 0), QueueStatus::Empty);
}

TEST(ThreadsafeQueueTest, CloseDisablesPoppingOnly) {
  ThreadsafeQueue<int> queue(3, true, true);
  ASSERT_TRUE(queue.Push(1));
  queue.Close();
  queue.Close();
  int value = 0;
  for (const WaitMode mode : {WaitMode::NoWait, WaitMode::WaitFor, WaitMode::WaitForever}) {
    EXPECT_EQ(queue.Pop(&value, mode, 1000), QueueStatus::Closed);
  }
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(queue.Push(2));
  EXPECT_TRUE(queue.Push(3));
  EXPECT_FALSE(queue.Push(4));
}

TEST(ThreadsafeQueueTest, ConstructorFlagsDisableEachSide) {
  ThreadsafeQueue<int> noPush(3, true, false);
  EXPECT_FALSE(noPush.Push(1));
  ThreadsafeQueue<int> noPop(3, false, true);
  EXPECT_TRUE(noPop.Push(1));
  EXPECT_EQ(noPop.Pop(nullptr, WaitMode::NoWait, 0), QueueStatus::Closed);
}

TEST(ThreadsafeQueueTest, TimedWaitEndsEmptyAfterAboutItsTimeout) {
  ThreadsafeQueue<int> queue(3, true, true);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(queue.Pop(nullptr, WaitMode::WaitFor, 100), QueueStatus::Empty);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(90));
  EXPECT_LT(elapsed, std::chrono::seconds(20));
}

TEST(ThreadsafeQueueTest, BlockedPopIsWokenByPush) {
  for (const WaitMode mode : {WaitMode::WaitForever, WaitMode::WaitFor}) {
    WatchedQueue queue(3, true, true);
    auto pending = PopWhenBlocked(queue, mode, 600000);
    ASSERT_TRUE(queue.Push(42));
    const PopResult result = Finish(queue, pending);
    EXPECT_EQ(result.status, QueueStatus::Ok);
    EXPECT_EQ(result.value, 42);
  }
}

TEST(ThreadsafeQueueTest, BlockedPopIsWokenByClose) {
  for (const WaitMode mode : {WaitMode::WaitForever, WaitMode::WaitFor}) {
    WatchedQueue queue(3, true, true);
    auto pending = PopWhenBlocked(queue, mode, 600000);
    queue.Close();
    const PopResult result = Finish(queue, pending);
    EXPECT_EQ(result.status, QueueStatus::Closed);
    EXPECT_EQ(result.value, -1);
  }
}

TEST(ThreadsafeQueueTest, ConcurrentProducersLoseAndReorderNothing) {
  constexpr int kProducers = 3;
  constexpr int kPerProducer = 5000;
  ThreadsafeQueue<int> queue(kProducers * kPerProducer, true, true);
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&queue, p] {
      for (int i = 0; i < kPerProducer; ++i)
        ASSERT_TRUE(queue.Push(p * kPerProducer + i));
    });
  }
  std::vector<int> next(kProducers, 0);
  for (int n = 0; n < kProducers * kPerProducer; ++n) {
    int value = -1;
    ASSERT_EQ(queue.Pop(&value, WaitMode::WaitForever, 0), QueueStatus::Ok);
    const int producer = value / kPerProducer;
    EXPECT_EQ(value % kPerProducer, next[producer]++);
  }
  for (std::thread& producer : producers)
    producer.join();
  EXPECT_EQ(queue.Pop(nullptr, WaitMode::NoWait, 0), QueueStatus::Empty);
}

}  // namespace
