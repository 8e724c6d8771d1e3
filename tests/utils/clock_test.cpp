#include "utils/clock.hpp"

#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

#include "utils/threadsafe_queue.hpp"

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

TEST(ClockTest, CurrentTimeMsCountsMillisecondsSinceTheEpoch) {
  const auto expected =
      duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_LT(std::llabs(utils::CurrentTimeMs() - expected), 2000);
}

TEST(ClockTest, NowMsAdvancesWithTheSteadyClock) {
  utils::tsq::ThreadsafeQueue<int> idle(1, true, true);
  const auto steadyStart = std::chrono::steady_clock::now();
  const std::int64_t start = utils::NowMs();
  idle.Pop(nullptr, utils::tsq::WaitMode::WaitFor, 200);
  const std::int64_t elapsed = utils::NowMs() - start;
  const auto steadyElapsed =
      duration_cast<milliseconds>(std::chrono::steady_clock::now() - steadyStart).count();
  EXPECT_GE(elapsed, 190);
  EXPECT_LT(std::llabs(elapsed - steadyElapsed), 150);
}

}  // namespace
