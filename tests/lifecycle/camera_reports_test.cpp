// What a live camera reports about itself: its sensors' notifications reach
// the log and the health line and go with the session that asked for them;
// its temperatures are read while it streams and watched against a limit.
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
  const std::string laserHot = "<cam> Notification: Hardware Error from Stereo Module: Laser hot";
  EXPECT_EQ(log.Messages(kWarning), (Texts{laserHot + " - power reduce",
                                           laserHot + " - power reduce (1 times in 60.0 s)"}));
  EXPECT_EQ(log.Messages(kError), Texts{"<cam> Notification: Frames Timeout from RGB Camera: "
                                        "Frames didn't arrived within 5 seconds?"});
  ExpectOneHealthLine(
      ".*; stale depth 0; notified frames timeout 1; notified frame corrupted 0; notified hardware "
      "error 2; notified hardware event 0; notified unknown error 0; notified firmware update "
      "recommended 0; notified pose relocalization 0; .*");
  source->Stop();
  EXPECT_FALSE(rs2sim::Notify(camera.Serial(), RS2_STREAM_DEPTH, hot));
}

using TemperaturesTest = SteppedSourceTest;

TEST_F(TemperaturesTest, ReadWhileStreamingAndWarnedOncePerCrossing) {
  StartCamera("stats_s=60&watchdog_ms=0&temp_warn_c=70");
  ASSERT_TRUE(rs2sim::SetTemperature(camera.Serial(), RS2_OPTION_PROJECTOR_TEMPERATURE, 70.5f));
  Step(10000);
  Step(10000);  // still above: no second warning
  ASSERT_TRUE(rs2sim::SetTemperature(camera.Serial(), RS2_OPTION_PROJECTOR_TEMPERATURE, 70.0f));
  Step(10000);
  ASSERT_TRUE(rs2sim::SetTemperature(camera.Serial(), RS2_OPTION_ASIC_TEMPERATURE, 71.0f));
  Step(10000);
  Step(20000);
  EXPECT_EQ(log.Messages(kWarning),
            (Texts{"<cam> Temperature: asic 38.0 °C, projector 70.5 °C: above temp_warn_c=70",
                   "<cam> Temperature: asic 71.0 °C, projector 70.0 °C: above temp_warn_c=70"}));
  EXPECT_EQ(log.CountMatching(kInfo,
                              "<cam> Temperature: asic 38.0 °C, projector 70.0 °C: back at "
                              "or below temp_warn_c=70"),
            1u);
  ExpectOneHealthLine(".*; asic temperature 71.0; projector temperature 70.0");
  // Unplugged, the camera answers nothing while the source waits for it.
  ASSERT_TRUE(rs2sim::UnplugDevice(camera.Serial()));
  source->Stop();
  StartAt(camera.Url("stats_s=1&temp_warn_c=70"));
  Step(1000);
  ExpectOneHealthLine(".*; asic temperature n/a; projector temperature n/a");
}

}  // namespace
}  // namespace vs_realsense2_test
