// The lost-frames lines of a session, at times the test chooses, and the runs of frame
// numbers lost at the queue, as the reader subtracts them from a gap.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <vs_test_support/log_capture.hpp>

#include "lost_frames_log.hpp"
#include "number_runs.hpp"

namespace vs_realsense2 {
namespace {

using Warnings = std::vector<std::string>;
const std::string kSingle = "<cam> ProcessFrame: lost frames";

std::string Summed(int lost) {
  return "<cam> ProcessFrame: lost frames: " + std::to_string(lost) + " in the last second";
}

class LostFramesLogTest : public ::testing::Test {
 protected:
  Warnings Taken() {
    Warnings warnings = log.Messages(orvlog::Severity::Warning);
    log.Clear();
    return warnings;
  }

  vs_test_support::LogCapture log;
  LostFramesLog lost{"cam"};
};

TEST_F(LostFramesLogTest, FirstLossAfterQuietIsALineAndTheSecondAfterItIsSummed) {
  lost.Lost(10'000);
  EXPECT_EQ(Taken(), Warnings{kSingle});
  lost.Lost(10'100);
  lost.Queued(10'500);
  lost.Lost(10'900);
  lost.Queued(10'999);
  EXPECT_EQ(Taken(), Warnings{});
  // The first frameset after the second writes its sum.
  lost.Queued(11'000);
  EXPECT_EQ(Taken(), Warnings{Summed(2)});
  lost.Queued(11'500);
  EXPECT_EQ(Taken(), Warnings{});
}

TEST_F(LostFramesLogTest, LossesThatGoOnAreOneSumASecond) {
  std::int64_t now = 0;
  for (int i = 0; i < 40; ++i, now += 100)
    lost.Lost(now);
  // 0: a line; 1000: the sum of 100..900, then 1000 opens the next sum;
  // 2000: the sum of 1000..1900, and so on; 3900 is still being summed.
  EXPECT_EQ(Taken(), (Warnings{kSingle, Summed(9), Summed(10), Summed(10)}));
  lost.Flush();
  EXPECT_EQ(Taken(), Warnings{Summed(10)});
  lost.Flush();
  EXPECT_EQ(Taken(), Warnings{});
}

TEST_F(LostFramesLogTest, ASecondWithoutLossesMakesTheNextOneALineAgain) {
  lost.Lost(0);
  lost.Lost(500);
  // A second after the last loss, with its sum unwritten: the sum first.
  lost.Lost(1'500);
  EXPECT_EQ(Taken(), (Warnings{kSingle, Summed(1), kSingle}));
  lost.Lost(2'499);  // 999 ms after the last: summed
  lost.Flush();
  EXPECT_EQ(Taken(), Warnings{Summed(1)});
}

TEST(NumberRunsTest, RepeatsCountOnceAndOnlyNumbersInsideTheGapAreCounted) {
  NumberRuns runs;
  for (unsigned long long n : {5ULL, 5ULL, 6ULL, 7ULL, 7ULL, 9ULL})
    runs.Add(n);
  EXPECT_EQ(runs.Count(), 4u);
  EXPECT_EQ(runs.CountBetween(4, 10), 4u);
  EXPECT_EQ(runs.CountBetween(5, 9), 2u);  // the gap's ends are frames the reader had
  EXPECT_EQ(runs.CountBetween(4, 7), 2u);  // a run that goes on past the gap
  EXPECT_EQ(runs.CountBetween(9, 9), 0u);
  NumberRuns later;
  later.Add(10);
  runs.Add(later);
  EXPECT_EQ(runs.CountBetween(4, 11), 5u);
}

// Numbers that jump about widen the last run rather than grow without bound.
TEST(NumberRunsTest, PastTheLimitTheLastRunWidens) {
  NumberRuns runs;
  for (std::size_t i = 0; i < NumberRuns::kMaxRuns + 2; ++i)
    runs.Add(10 * i);
  EXPECT_EQ(runs.Count(), NumberRuns::kMaxRuns - 1 + 21);
}

}  // namespace
}  // namespace vs_realsense2
