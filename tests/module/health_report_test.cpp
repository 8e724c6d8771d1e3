// The health line and the camera's notifications as lines, on a clock the test steps.
#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <vs_test_support/log_capture.hpp>

#include "health_report.hpp"
#include "notification_log.hpp"

namespace vs_realsense2 {
namespace {

using vs_test_support::Lines;
constexpr orvlog::Severity kInfo = orvlog::Severity::Info;
constexpr orvlog::Severity kWarning = orvlog::Severity::Warning;
constexpr orvlog::Severity kError = orvlog::Severity::Error;

class HealthReportTest : public ::testing::Test {
 protected:
  HealthReport Report(std::int32_t intervalS) {
    return HealthReport("cam", stats, intervalS, [this] { return now; });
  }
  // Adds to the counters in the line's order: packets, framesets lost, packets without depth,
  // invalid colour frames, restarts, colour frames, colour drops, depth frames, depth drops,
  // stale depth.
  void Add(const std::array<std::uint64_t, 10>& counts) {
    SourceStats& s = *stats;
    std::atomic<std::uint64_t>* const fields[] = {
        &s.packets,    &s.lostFramesets, &s.packetsWithoutDepth, &s.invalidColorFrames,
        &s.restarts,   &s.colorFrames,   &s.colorDrops,          &s.depthFrames,
        &s.depthDrops, &s.staleDepth};
    for (std::size_t i = 0; i < counts.size(); ++i)
      *fields[i] += counts[i];
  }

  vs_test_support::LogCapture log;
  const std::shared_ptr<SourceStats> stats = std::make_shared<SourceStats>();
  std::int64_t now = 5000;
};

TEST_F(HealthReportTest, EachIntervalReportsWhatItAddedAndTheAgeOfTheLastPacket) {
  Add({7, 0, 0, 0, 0, 7, 1, 7, 1, 1});  // before the report: not part of any interval
  HealthReport report = Report(60);
  EXPECT_EQ(report.NextDueMs(), 65000);
  now = 64999;
  report.ReportIfDue();
  EXPECT_TRUE(log.All().empty());

  Add({1800, 2, 3, 1, 1, 1794, 6, 899, 2, 900});
  stats->lastPacketMs = 64967;
  now = 65000;
  report.ReportIfDue();
  report.ReportIfDue();
  EXPECT_EQ(report.NextDueMs(), 125000);

  // Late by 4.5 s: the rate divides by the time that really passed.
  Add({0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
  now = 129500;
  report.ReportIfDue();
  EXPECT_EQ(report.NextDueMs(), 189500);
  EXPECT_EQ(log.All(),
            (Lines{{kInfo,
                    "<cam> Health: packets 1800 in 60.0 s (30.0/s); framesets lost at the queue 2; "
                    "packets without depth 3; invalid color frames 1; restarts 1; last packet 33 "
                    "ms ago; color fps 29.9; color drops 6; depth fps 15.0; depth drops 2; stale "
                    "depth 900"},
                   {kInfo,
                    "<cam> Health: packets 0 in 64.5 s (0.0/s); framesets lost at the queue 1; "
                    "packets without depth 0; invalid color frames 0; restarts 0; last packet "
                    "64533 ms ago; color fps 0.0; color drops 0; depth fps 0.0; depth drops 0; "
                    "stale depth 0"}}));
}

// Times go into buckets of about 6 % (exact below 16 µs); the median is its bucket's centre,
// the maximum exact. Times from before the report count in no interval.
TEST_F(HealthReportTest, WithADepthFilterTheChainsMedianAndMaximumTimeFollow) {
  const auto timed = std::make_shared<SourceStats>(true);
  timed->chainTimes->Add(90'000'000);
  HealthReport report("cam", timed, 1, [this] { return now; });
  for (const std::int64_t ns : {1'000'000, 2'000'000, 10'000'000})
    timed->chainTimes->Add(ns);
  now += 1000;
  report.ReportIfDue();
  timed->chainTimes->Add(7'400);
  now += 1000;
  report.ReportIfDue();
  now += 1000;
  report.ReportIfDue();
  const std::string start =
      "packets 0 in 1.0 s (0.0/s); framesets lost at the queue 0; packets without depth 0; "
      "invalid color frames 0; restarts 0; no packet yet; color fps 0.0; color drops 0; depth "
      "fps 0.0; depth drops 0; stale depth 0";
  EXPECT_EQ(log.All(),
            (Lines{{kInfo, "<cam> Health: " + start +
                               "; depth chain median ms 1.98; depth chain max ms 10.00"},
                   {kInfo, "<cam> Health: " + start +
                               "; depth chain median ms 0.01; depth chain max ms 0.01"},
                   {kInfo, "<cam> Health: " + start +
                               "; depth chain median ms 0.00; depth chain max ms 0.00"}}));
}

TEST_F(HealthReportTest, ZeroIntervalOrNoCountersIsNeverDue) {
  HealthReport off = Report(0);
  HealthReport uncounted("cam", nullptr, 60, [this] { return now; });
  Add({10, 1, 1, 1, 1, 0, 0, 0, 0, 0});
  now = std::numeric_limits<std::int64_t>::max() - 1;
  off.ReportIfDue();
  uncounted.ReportIfDue();
  EXPECT_EQ(off.NextDueMs(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(uncounted.NextDueMs(), std::numeric_limits<std::int64_t>::max());
  EXPECT_TRUE(log.All().empty());
}

class NotificationLogTest : public ::testing::Test {
 protected:
  Notice HardwareError(const std::string& description) const {
    return Notice{RS2_NOTIFICATION_CATEGORY_HARDWARE_ERROR, RS2_LOG_SEVERITY_ERROR, description,
                  "Stereo Module"};
  }
  std::string HealthFields() {
    std::ostringstream os;
    notes.WriteHealthFields(os);
    return os.str();
  }

  vs_test_support::LogCapture log;
  std::int64_t now = 1000;
  NotificationLog notes{"cam", [this] { return now; }};
};

TEST_F(NotificationLogTest, SeveritiesMapOntoTheLogsAndDescriptionsStayOnOneLine) {
  const std::vector<std::pair<rs2_log_severity, orvlog::Severity>> mapping = {
      {RS2_LOG_SEVERITY_DEBUG, kInfo},   {RS2_LOG_SEVERITY_INFO, kInfo},
      {RS2_LOG_SEVERITY_WARN, kWarning}, {RS2_LOG_SEVERITY_ERROR, kError},
      {RS2_LOG_SEVERITY_FATAL, kError},  {RS2_LOG_SEVERITY_NONE, kWarning}};
  for (const auto& [library, ours] : mapping)
    EXPECT_EQ(LogSeverity(library), ours) << library;

  notes.Note(HardwareError("Left IC2 failed\r\nTemp 70"));
  notes.Note(Notice{RS2_NOTIFICATION_CATEGORY_FRAMES_TIMEOUT, RS2_LOG_SEVERITY_WARN,
                    std::string(300, 'x'), "RGB Camera"});
  // A category this build does not know (a newer library's).
  notes.Note(
      Notice{RS2_NOTIFICATION_CATEGORY_COUNT, RS2_LOG_SEVERITY_INFO, "new", "Stereo Module"});
  EXPECT_EQ(log.All(), (Lines{{kError,
                               "<cam> Notification: Hardware Error from Stereo Module: Left IC2 "
                               "failed??Temp 70"},
                              {kWarning, "<cam> Notification: Frames Timeout from RGB Camera: " +
                                             std::string(200, 'x') + "..."},
                              {kInfo, "<cam> Notification: category 7 from Stereo Module: new"}}));
}

// Repeats within the minute after a line are only counted; the next line
// about them says how many came since and over how long.
TEST_F(NotificationLogTest, TheSameNotificationIsWrittenAtMostOnceAMinuteWithItsCount) {
  std::vector<std::string> reacted;
  notes.React([&](const Notice& notice) { reacted.push_back(notice.description); });
  notes.Note(HardwareError("a"));
  now += 1000;
  notes.Note(HardwareError("a"));
  notes.Note(HardwareError("b"));  // another description: a line of its own
  notes.Note(HardwareError("a"));
  now = 61000;
  notes.WriteDue();  // the minute after "a" is over: its two repeats
  now = 62000;
  notes.WriteDue();                // "b" was alone: nothing, and forgotten
  notes.Note(HardwareError("a"));  // within the minute after the repeats' line
  now = 130000;
  notes.Note(HardwareError("a"));
  notes.Note(HardwareError("b"));  // forgotten: a plain line again
  EXPECT_EQ(reacted, (std::vector<std::string>{"a", "a", "b", "a", "a", "a", "b"}));
  const std::string begin = "<cam> Notification: Hardware Error from Stereo Module: ";
  EXPECT_EQ(log.All(), (Lines{{kError, begin + "a"},
                              {kError, begin + "b"},
                              {kError, begin + "a (2 times in 60.0 s)"},
                              {kError, begin + "a (2 times in 69.0 s)"},
                              {kError, begin + "b"}}));
  EXPECT_EQ(HealthFields(),
            "; notified frames timeout 0; notified frame corrupted 0; notified hardware error 7; "
            "notified hardware event 0; notified unknown error 0; notified firmware update "
            "recommended 0; notified pose relocalization 0");
  notes.Note(
      Notice{RS2_NOTIFICATION_CATEGORY_POSE_RELOCALIZATION, RS2_LOG_SEVERITY_INFO, "p", "T"});
  EXPECT_EQ(HealthFields(),
            "; notified frames timeout 0; notified frame corrupted 0; notified hardware error 0; "
            "notified hardware event 0; notified unknown error 0; notified firmware update "
            "recommended 0; notified pose relocalization 1");
}

}  // namespace
}  // namespace vs_realsense2
