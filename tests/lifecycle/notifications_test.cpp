// A live camera's sensor notifications reach the log and the health line,
// and go with the session that asked for them.
#include <string>

#include "stepped_source_test.hpp"

namespace vs_realsense2_test {
namespace {

rs2sim::NotificationSpec Notification(rs2_notification_category category, rs2_log_severity severity,
                                      const std::string& description) {
  rs2sim::NotificationSpec notification;
  notification.category = category;
  notification.severity = severity;
  notification.description = description;
  return notification;
}

using NotificationsTest = SteppedSourceTest;

TEST_F(NotificationsTest, EachSensorsNotificationsAreLinesAndCountsUntilTheSessionEnds) {
  StartCamera("stats_s=60&watchdog_ms=0");
  const rs2sim::NotificationSpec hot = Notification(
      RS2_NOTIFICATION_CATEGORY_HARDWARE_ERROR, RS2_LOG_SEVERITY_WARN, "Laser hot - power reduce");
  ASSERT_TRUE(rs2sim::Notify(camera.Serial(), RS2_STREAM_DEPTH, hot));
  ASSERT_TRUE(rs2sim::Notify(camera.Serial(), RS2_STREAM_DEPTH, hot));
  ASSERT_TRUE(
      rs2sim::Notify(camera.Serial(), RS2_STREAM_COLOR,
                     Notification(RS2_NOTIFICATION_CATEGORY_FRAMES_TIMEOUT, RS2_LOG_SEVERITY_ERROR,
                                  "Frames didn't arrived within 5 seconds\n")));
  Step(60000);
  EXPECT_EQ(log.Messages(kWarning),
            (std::vector<std::string>{
                "<cam> Notification: Hardware Error from Stereo Module: Laser hot - power reduce",
                "<cam> Notification: Hardware Error from Stereo Module: Laser hot - power reduce "
                "(1 times in 60.0 s)"}));
  EXPECT_EQ(log.Messages(kError),
            std::vector<std::string>{"<cam> Notification: Frames Timeout from RGB Camera: Frames "
                                     "didn't arrived within 5 seconds?"});
  EXPECT_EQ(log.CountMatching(kInfo,
                              "<cam> Health: .*; stale depth 0; notified frames timeout 1; "
                              "notified frame corrupted 0; notified hardware error 2; "
                              "notified hardware event 0; notified unknown error 0; "
                              "notified firmware update recommended 0; notified pose "
                              "relocalization 0"),
            1u)
      << ::testing::PrintToString(log.Messages(kInfo));
  source->Stop();
  EXPECT_FALSE(rs2sim::Notify(camera.Serial(), RS2_STREAM_DEPTH, hot));
}

}  // namespace
}  // namespace vs_realsense2_test
