// The camera's notifications as lines, on a clock the test steps.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <vs_test_support/log_capture.hpp>

#include "notification_log.hpp"

namespace vs_realsense2 {
namespace {

using vs_test_support::Lines;
constexpr orvlog::Severity kInfo = orvlog::Severity::Info;
constexpr orvlog::Severity kWarning = orvlog::Severity::Warning;
constexpr orvlog::Severity kError = orvlog::Severity::Error;

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
