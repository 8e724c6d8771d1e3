// When a supervised source counts as silent and how long it waits to retry,
// over stepped time.
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

TEST(RestartPolicyTest, FirstFramesetsGetTheLongerGraceThenTheWatchdogInterval) {
  // {watchdog, first-frameset grace}
  const std::pair<std::int64_t, std::int64_t> cases[] = {{2000, 5000}, {100, 5000}, {4000, 8000}};
  for (const auto& [watchdog, grace] : cases) {
    RestartPolicy policy(watchdog);
    policy.SessionStarted(1000);
    EXPECT_TRUE(policy.AwaitingFirstFrames());
    EXPECT_FALSE(policy.Silent(1000 + grace - 1)) << watchdog;
    EXPECT_TRUE(policy.Silent(1000 + grace)) << watchdog;
    policy.FramesSeen(1500);
    EXPECT_FALSE(policy.AwaitingFirstFrames());
    EXPECT_EQ(policy.SilenceLimitMs(), watchdog);
    EXPECT_FALSE(policy.Silent(1500 + watchdog - 1)) << watchdog;
    EXPECT_TRUE(policy.Silent(1500 + watchdog)) << watchdog;
    // A rebuilt session waits for its first frames again.
    policy.SessionStarted(9000);
    EXPECT_FALSE(policy.Silent(9000 + watchdog));
  }
}

TEST(RestartPolicyTest, LooksFourTimesPerWatchdogIntervalSoSilenceIsAtMostAQuarterLate) {
  RestartPolicy policy(2000);
  policy.SessionStarted(0);
  EXPECT_EQ(policy.LookIntervalMs(), 500);
  policy.FramesSeen(10);
  EXPECT_EQ(policy.LookIntervalMs(), 500);
  EXPECT_EQ(RestartPolicy(2).LookIntervalMs(), 1);
}

TEST(RestartPolicyTest, FailedTriesBackOffAndASuccessStartsTheCountAgain) {
  RestartPolicy policy(2000);
  policy.SessionStarted(0);
  EXPECT_EQ(policy.RestartBegan(60000, /*readerEnded=*/false), 0);
  EXPECT_EQ(policy.RestartBeganMs(), 60000);
  std::vector<std::int64_t> delays;
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(policy.NextTry(), i);
    delays.push_back(policy.TryFailed());
  }
  EXPECT_EQ(delays, (std::vector<std::int64_t>{500, 1000, 2000, 4000}));
  EXPECT_EQ(policy.NextTry(), 5);
  policy.SessionStarted(70000);
  EXPECT_EQ(policy.NextTry(), 1);
}

// Sessions that die right after every build (a handler that throws on each
// packet, a camera that never delivers) must not turn into a tight loop of
// rebuilds; a camera that delivered and went quiet is retried at once.
TEST(RestartPolicyTest, SessionsDyingSoonAfterEachBuildWaitLongerEachTimeButALostCameraDoesNot) {
  struct Case {
    const char* label;
    bool readerEnded;
    bool framesBeforeTheEnd;
    std::vector<std::int64_t> delays;
  };
  const std::vector<std::int64_t> growing = {0, 500, 1000, 2000, 4000, 8000, 16000, 30000};
  const Case cases[] = {{"dead reader", true, true, growing},
                        {"never delivers", false, false, growing},
                        {"lost after delivering", false, true, std::vector<std::int64_t>(8, 0)}};
  for (const Case& c : cases) {
    RestartPolicy policy(2000);
    std::int64_t now = 0;
    policy.SessionStarted(now);
    std::vector<std::int64_t> delays;
    for (int i = 0; i < 8; ++i) {
      now += 100;
      if (c.framesBeforeTheEnd)
        policy.FramesSeen(now - 50);
      delays.push_back(policy.RestartBegan(now, c.readerEnded));
      now += delays.back();
      static_cast<void>(policy.NextTry());
      policy.SessionStarted(now);
    }
    EXPECT_EQ(delays, c.delays) << c.label;
    now += RestartPolicy::kStableMs;
    EXPECT_EQ(policy.RestartBegan(now, c.readerEnded), 0) << c.label;
  }
}

}  // namespace
}  // namespace vs_realsense2
