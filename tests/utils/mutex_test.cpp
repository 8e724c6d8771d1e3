#include "utils/mutex.hpp"

#include <stdexcept>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

namespace {

// The supervisor's catch blocks read guarded fields right after a stretch
// that threw: the lock has to be back by then.
TEST(MutexLockTest, UnlockedTakesTheMutexAgainWhenTheStretchThrows) {
  utils::Mutex mutex;
  utils::MutexLock lock(mutex);
  const auto stretch = [&] {
    // Free during the stretch: another thread takes it and lets it go.
    std::thread([&] { const utils::MutexLock other(mutex); }).join();
    throw std::runtime_error("stretch failed");
  };
  EXPECT_THROW(lock.Unlocked(stretch), std::runtime_error);
  // Unlocking a lock that does not hold its mutex throws std::system_error.
  EXPECT_NO_THROW(lock.Unlock());
  EXPECT_THROW(lock.Unlock(), std::system_error);
}

}  // namespace
