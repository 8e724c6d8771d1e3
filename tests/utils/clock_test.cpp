#include "utils/clock.hpp"

#include <chrono>
#include <cstdint>

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace {

#ifndef _WIN32
using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::steady_clock;
using std::chrono::system_clock;

// POSIX: the monotonic and the wall clock of clock_gettime, which are
// steady_clock's and system_clock's here; each reading lies between two of its own.
TEST(ClockTest, BothClocksAreTheSystemsInMilliseconds) {
  const auto ms = [](auto time) {
    return duration_cast<milliseconds>(time.time_since_epoch()).count();
  };
  const auto steadyBefore = ms(steady_clock::now());
  const auto wallBefore = ms(system_clock::now());
  const std::int64_t now = utils::NowMs();
  const std::int64_t wall = utils::CurrentTimeMs();
  EXPECT_GE(now, steadyBefore);
  EXPECT_LE(now, ms(steady_clock::now()));
  EXPECT_GE(wall, wallBefore);
  EXPECT_LE(wall, ms(system_clock::now()));
}
#endif

#ifdef _WIN32

// Windows: the monotonic clock is the performance counter, the wall clock the
// runtime's _ftime64_s. Each is bracketed by two readings of the system's own
// source, converted here independently of the code under test.

std::int64_t PerformanceCounterMs() {
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  EXPECT_TRUE(QueryPerformanceCounter(&counter));
  EXPECT_TRUE(QueryPerformanceFrequency(&frequency));
  return static_cast<std::int64_t>(static_cast<long double>(counter.QuadPart) * 1000 /
                                   static_cast<long double>(frequency.QuadPart));
}

// FILETIME counts 100 ns steps since 1601-01-01.
std::int64_t SystemTimeMs() {
  constexpr std::int64_t kSteps1601To1970 = 116444736000000000;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const std::int64_t steps =
      (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return (steps - kSteps1601To1970) / 10000;
}

TEST(WindowsClockTest, MonotonicMillisecondsAreThePerformanceCounters) {
  for (int i = 0; i < 100; ++i) {
    const std::int64_t before = PerformanceCounterMs();
    const std::int64_t now = utils::NowMs();
    const std::int64_t after = PerformanceCounterMs();
    // One millisecond either side for the rounding of the long double.
    EXPECT_GE(now, before - 1);
    EXPECT_LE(now, after + 1);
  }
}

TEST(WindowsClockTest, WallClockMillisecondsAreTheSystemTimes) {
  for (int i = 0; i < 100; ++i) {
    const std::int64_t before = SystemTimeMs();
    const std::int64_t now = utils::CurrentTimeMs();
    const std::int64_t after = SystemTimeMs();
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);
  }
}

#endif  // _WIN32

}  // namespace
