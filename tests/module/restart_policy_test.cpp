// When a supervised source counts as silent and how long it waits to retry,
// over stepped time.
#include <algorithm>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "restart_policy.hpp"

namespace vs_realsense2 {
namespace {

TEST(BackoffTest, HalfASecondDoublingUpToThirtySeconds) {
  const std::vector<std::int64_t> expected = {500, 1000, 2000, 4000, 8000, 16000, 30000, 30000};
  for (int failures = 1; failures <= 8; ++failures)
    EXPECT_EQ(BackoffMs(failures), expected[failures - 1]) << failures;
  EXPECT_EQ(BackoffMs(1000), 30000);
}

TEST(RestartPolicyTest, TheWatchdogSetsTheFirstPacketsGraceTheSilenceLimitAndTheBuildGap) {
  // {watchdog, first-packet grace}; a watchdog over 30 s keeps its gap above the doubling cap
  const std::pair<std::int64_t, std::int64_t> cases[] = {
      {2000, 5000}, {100, 5000}, {4000, 8000}, {40000, 80000}};
  for (const auto& [watchdog, grace] : cases) {
    RestartPolicy policy(watchdog);
    policy.SessionStarted(1000);
    EXPECT_TRUE(policy.AwaitingFirstPackets());
    EXPECT_FALSE(policy.Silent(1000 + grace - 1)) << watchdog;
    EXPECT_TRUE(policy.Silent(1000 + grace)) << watchdog;
    policy.PacketsSeen(1500);
    EXPECT_FALSE(policy.AwaitingFirstPackets());
    EXPECT_EQ(policy.SilenceLimitMs(), watchdog);
    EXPECT_FALSE(policy.Silent(1500 + watchdog - 1)) << watchdog;
    EXPECT_TRUE(policy.Silent(1500 + watchdog)) << watchdog;
    // A rebuilt session waits for its first packets again.
    policy.SessionStarted(9000);
    EXPECT_FALSE(policy.Silent(9000 + watchdog));
    // Builds lie a second apart, or the watchdog when it is longer.
    policy.BuildBegan(9000);
    EXPECT_EQ(policy.RestartBegan(9001), std::max<std::int64_t>(1000, watchdog) - 1) << watchdog;
  }
}

TEST(RestartPolicyTest, WatchdogFloorIsAHundredMillisecondsAndThreeFrameIntervalsRoundedUp) {
  const std::pair<int, std::int64_t> floors[] = {{0, 100},  {90, 100}, {30, 100},
                                                 {15, 200}, {6, 500},  {7, 429}};  // {fps, floor}
  for (const auto& [fps, floor] : floors)
    EXPECT_EQ(WatchdogFloorMs(fps), floor) << fps;
}

// A steadily streaming camera lost: at once; the tries that find it missing
// back off; the first successful build starts the count again.
TEST(RestartPolicyTest, SteadySessionRestartsAtOnceAndFailedTriesBackOff) {
  RestartPolicy policy(2000);
  policy.BuildBegan(0);
  policy.SessionStarted(0);
  policy.PacketsSeen(500);
  policy.PacketsSeen(10500);
  EXPECT_EQ(policy.RestartBegan(12500), 0);
  EXPECT_EQ(policy.RestartBeganMs(), 12500);
  std::vector<std::int64_t> delays;
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(policy.NextTry(), i);
    delays.push_back(policy.TryFailed(12500, /*built=*/false));
  }
  EXPECT_EQ(delays, (std::vector<std::int64_t>{500, 1000, 2000, 4000}));
  EXPECT_EQ(policy.NextTry(), 5);
  policy.SessionStarted(70000);
  EXPECT_EQ(policy.NextTry(), 1);
}

// Whatever ends sessions soon after each build (a handler that throws on
// each packet, a camera that stalls after one frameset, a watchdog below the
// frame interval), builds lie at least max(1 s, watchdog) apart, doubling up
// to 30 s; ten steady seconds end the streak.
TEST(RestartPolicyTest, BuildsOfSessionsThatDieSoonLieFurtherApartEachTime) {
  RestartPolicy policy(100);
  std::int64_t now = 0;
  std::vector<std::int64_t> gaps;
  for (int i = 0; i < 8; ++i) {
    const std::int64_t build = now;
    policy.BuildBegan(build);
    policy.SessionStarted(build);
    policy.PacketsSeen(build + 10);
    now += 110;
    now += policy.RestartBegan(now);
    // A try that builds and fails is held to the same spacing.
    if (i == 2) {
      policy.BuildBegan(now);
      static_cast<void>(policy.NextTry());
      now += policy.TryFailed(now, /*built=*/true);
    }
    gaps.push_back(now - build);
  }
  EXPECT_EQ(gaps, (std::vector<std::int64_t>{1000, 2000, 8000, 8000, 16000, 30000, 30000, 30000}));
  // Ten steady seconds: the next loss rebuilds at once.
  policy.BuildBegan(now);
  policy.SessionStarted(now);
  policy.PacketsSeen(now + 1);
  policy.PacketsSeen(now + 1 + RestartPolicy::kSteadyMs);
  EXPECT_EQ(policy.RestartBegan(now + 2 + RestartPolicy::kSteadyMs), 0);
}

}  // namespace
}  // namespace vs_realsense2
