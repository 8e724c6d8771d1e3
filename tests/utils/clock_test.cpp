#include "utils/clock.hpp"

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(ClockTest, BothClocksCountMillisecondsOfTheirSystemClock) {
  const auto wall =
      duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_LT(std::llabs(utils::CurrentTimeMs() - wall), 2000);

  // Brackets a stretch of at least 100 ms of the steady clock.
  const auto outerStart = steady_clock::now();
  const std::int64_t start = utils::NowMs();
  const auto innerStart = steady_clock::now();
  while (steady_clock::now() - innerStart < milliseconds(100)) {
  }
  const std::int64_t elapsed = utils::NowMs() - start;
  const auto outer = duration_cast<milliseconds>(steady_clock::now() - outerStart).count();
  EXPECT_GE(elapsed, 99);
  EXPECT_LE(elapsed, outer + 1);
}

}  // namespace
