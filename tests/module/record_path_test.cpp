// Restarted recordings never overwrite what was recorded.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "record_path.hpp"
#include "recording_guard.hpp"
#include "recording_series.hpp"

namespace vs_realsense2 {
namespace {

class RecordPathTest : public ::testing::Test {
 protected:
  void Touch(const std::string& name) { std::ofstream(dir + name) << "x"; }

  const std::string dir = ::testing::TempDir() + "record-path-" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
  const bool made = [this] {
    std::filesystem::remove_all(dir);
    return std::filesystem::create_directories(dir);
  }();
};

TEST_F(RecordPathTest, FreeNameIsKeptAndTakenNamesGetTheNextFreeNumber) {
  ASSERT_TRUE(made);
  EXPECT_EQ(NextFreeRecordPath(dir + "cam.bag"), dir + "cam.bag");
  Touch("cam.bag");
  EXPECT_EQ(NextFreeRecordPath(dir + "cam.bag"), dir + "cam-1.bag");
  Touch("cam-1.bag");
  Touch("cam-3.bag");
  EXPECT_EQ(NextFreeRecordPath(dir + "cam.bag"), dir + "cam-2.bag");
  Touch("plain");
  EXPECT_EQ(NextFreeRecordPath(dir + "plain"), dir + "plain-1");
  Touch("two.dots.bag");
  EXPECT_EQ(NextFreeRecordPath(dir + "two.dots.bag"), dir + "two.dots-1.bag");
}

TEST_F(RecordPathTest, SeriesNamesCarryTheUtcStartAndAreNeverTaken) {
  ASSERT_TRUE(made);
  const std::time_t start = 1'796'560'496;  // 2026-12-06 12:34:56 UTC
  EXPECT_EQ(NextFreeSeriesPath(dir + "cam.bag", start), dir + "cam-20261206T123456Z.bag");
  Touch("cam-20261206T123456Z.bag");
  EXPECT_EQ(NextFreeSeriesPath(dir + "cam.bag", start), dir + "cam-20261206T123456Z-1.bag");
  EXPECT_EQ(NextFreeSeriesPath(dir + "cam", start), dir + "cam-20261206T123456Z");
}

// A disk that hovers at the limit must not make the recorder flap.
TEST(RecordingGuardTest, PausesBelowTheLimitResumesAQuarterAboveItAndClosesBelowHalf) {
  SourceConfig config;
  config.record_min_free_mb = 100;
  RecordingGuard guard(config);
  guard.Opened(0);
  using Step = RecordingGuard::Step;
  constexpr std::uint64_t kMb = 1024 * 1024;
  EXPECT_EQ(guard.Look(1000, 100 * kMb, 0), Step::None);
  EXPECT_EQ(guard.Look(1000, 99 * kMb, 0), Step::Pause);
  guard.Paused();
  EXPECT_EQ(guard.Look(2000, 124 * kMb, 0), Step::None);
  EXPECT_EQ(guard.Look(2000, 125 * kMb, 0), Step::Resume);
  EXPECT_EQ(guard.Look(2000, 49 * kMb, 0), Step::Close);
  EXPECT_EQ(guard.Look(2000, std::nullopt, 0), Step::Close);
  guard.Closed(2000);
  EXPECT_EQ(guard.Look(61999, 1000 * kMb, 0), Step::None);
  EXPECT_EQ(guard.Look(62000, 124 * kMb, 0), Step::None);
  EXPECT_EQ(guard.Look(62000, 125 * kMb, 0), Step::Open);
}

}  // namespace
}  // namespace vs_realsense2
