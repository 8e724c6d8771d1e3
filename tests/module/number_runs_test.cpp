// Frame numbers lost at the queue, as the reader subtracts them from a gap.
#include <gtest/gtest.h>

#include "number_runs.hpp"

namespace vs_realsense2 {
namespace {

TEST(NumberRunsTest, RepeatsCountOnceAndOnlyNumbersInsideTheGapAreCounted) {
  NumberRuns runs;
  for (unsigned long long n : {5ULL, 5ULL, 6ULL, 7ULL, 7ULL, 9ULL})
    runs.Add(n);
  EXPECT_EQ(runs.Count(), 4u);
  EXPECT_EQ(runs.CountBetween(4, 10), 4u);
  EXPECT_EQ(runs.CountBetween(5, 9), 2u);  // the gap's ends are frames the reader had
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
