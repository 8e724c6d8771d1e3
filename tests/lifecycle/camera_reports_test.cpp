// What a live camera reports about itself: its sensors' notifications reach
// the log and the health line and go with the session that asked for them;
// its temperatures are read while it streams and watched against a limit.
// The recovery ladder on stepped time: a camera that stays listed but
// delivers nothing is reset once its restart tries keep failing, or when it
// reports a hardware error while silent; resets are rate-limited, and off
// with reset_after=0.
#include <cstdio>
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
const rs2sim::NotificationSpec kLaserHot = Notification(
    RS2_NOTIFICATION_CATEGORY_HARDWARE_ERROR, RS2_LOG_SEVERITY_WARN, "Laser hot - power reduce");

using NotificationsTest = SteppedSourceTest;

TEST_F(NotificationsTest, EachSensorsNotificationsAreLinesAndCountsUntilTheSessionEnds) {
  StartCamera("stats_s=60&watchdog_ms=0");
  ASSERT_TRUE(rs2sim::Notify(camera.Serial(), RS2_STREAM_DEPTH, kLaserHot));
  ASSERT_TRUE(rs2sim::Notify(camera.Serial(), RS2_STREAM_DEPTH, kLaserHot));
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
  EXPECT_FALSE(rs2sim::Notify(camera.Serial(), RS2_STREAM_DEPTH, kLaserHot));
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

const std::string kResetLine = "<cam> Recovery: hardware reset of camera wedge-1: ";
const std::string kBackLine = "<cam> Recovery: camera back after the hardware reset, 0.0 s";

class ResetLadderTest : public SteppedSourceTest {
 protected:
  ~ResetLadderTest() override { rs2sim::ReturnFromReset(wedged.Serial()); }

  void StartWedged(const std::string& query) {
    rs2sim::StallDevice(wedged.Serial(), true);
    StartAt(wedged.Url(query));
  }
  // Steps half a second at a time until `pattern` matched `times` lines.
  void StepUntil(orvlog::Severity severity, const std::string& pattern, std::size_t times = 1,
                 int steps = 200) {
    for (int i = 0; i < steps && log.CountMatching(severity, pattern) < times; ++i)
      Step(500);
    ASSERT_EQ(log.CountMatching(severity, pattern), times)
        << ::testing::PrintToString(log.Messages(severity));
  }
  // The camera's first packet after a reset reaches the server.
  void ReturnAndStream(std::size_t streamingAgainLines) {
    ASSERT_TRUE(rs2sim::ReturnFromReset(wedged.Serial()));
    ASSERT_TRUE(log.WaitFor(kInfo, kBackLine));
    StepUntil(kInfo, vs_test_support::StreamingAgain("cam", 1), streamingAgainLines);
    ASSERT_TRUE(rs2sim::Emit(wedged.Serial(), ColorAndDepth(1000, kSystemTime)).delivered);
    ASSERT_TRUE(handler->WaitForPackets(1));
  }

  // Back only when the test says so.
  const ManualCamera wedged{"wedge-1", [](rs2sim::DeviceSpec& spec) { spec.hardwareResetMs = -1; }};
};

TEST_F(ResetLadderTest, WedgedCameraIsResetOnceAfterItsTriesFailAndStreamsAgain) {
  StartWedged("stats_s=0&reset_after=2");
  StepUntil(kWarning, kResetLine + "2 tries failed in a row");
  // The first start and the one try after it built sessions that brought nothing.
  EXPECT_EQ(log.CountMatching(kWarning,
                              "<cam> Watchdog: no frames for 5000 ms since start, "
                              "restarting.*"),
            2u);
  EXPECT_EQ(rs2sim::HardwareResets(wedged.Serial()), 1);
  ReturnAndStream(2);

  // Wedged again: the tries climb the ladder, but reset_min_s holds the reset.
  rs2sim::StallDevice(wedged.Serial(), true);
  StepUntil(kInfo, R"(<cam> Recovery: no hardware reset \(2 tries failed in a row\): the last was )"
                   R"(\d+\.\d s ago, reset_min_s=600)");
  StepTimes(60, 500);
  EXPECT_EQ(rs2sim::HardwareResets(wedged.Serial()), 1);
  EXPECT_EQ(log.CountMatching(kInfo, "<cam> Recovery: no hardware reset .*"), 1u);
}

TEST_F(ResetLadderTest, AHardwareErrorWhileSilentResetsAtOnceAWarningNever) {
  StartWedged("stats_s=0&reset_after=9");
  ASSERT_TRUE(rs2sim::Notify(wedged.Serial(), RS2_STREAM_DEPTH, kLaserHot));
  Step(2000);
  EXPECT_EQ(rs2sim::HardwareResets(wedged.Serial()), 0);
  ASSERT_TRUE(
      rs2sim::Notify(wedged.Serial(), RS2_STREAM_DEPTH,
                     Notification(RS2_NOTIFICATION_CATEGORY_HARDWARE_ERROR, RS2_LOG_SEVERITY_ERROR,
                                  "Hardware error: IR laser fault")));
  StepUntil(kWarning, kResetLine + "hardware error notified while no frameset came for 2000 ms");
  EXPECT_EQ(rs2sim::HardwareResets(wedged.Serial()), 1);
  ReturnAndStream(1);
}

TEST_F(ResetLadderTest, ResetAfterZeroNeverResetsAndWithoutSerialTheLadderIsOff) {
  StartWedged("stats_s=0&reset_after=0");
  StepTimes(120, 500);
  EXPECT_GE(log.CountMatching(kWarning,
                              "<cam> Watchdog: no frames for 5000 ms since start, "
                              "restarting.*"),
            3u);
  EXPECT_EQ(rs2sim::HardwareResets(wedged.Serial()), 0);
  EXPECT_EQ(log.CountMatching(kWarning, "<cam> Recovery: .*"), 0u);

  source->Stop();
  log.Clear();
  const auto any = CreateSourceAt("realsense://?reset_on_start=1", "any");
  EXPECT_EQ(log.Messages(kWarning),
            Texts{"<any> MediaSource: reset_on_start needs sn: after a hardware reset another "
                  "camera could answer to any camera; no hardware reset"});
}

TEST_F(ResetLadderTest, ResetOnStartResetsBeforeTheFirstBuildAndStartReturnsAtOnce) {
  StartWedged("stats_s=0&reset_on_start=1");
  EXPECT_EQ(log.Messages(kWarning), Texts{kResetLine + "reset_on_start"});
  EXPECT_EQ(rs2sim::HardwareResets(wedged.Serial()), 1);
  ReturnAndStream(1);
}

TEST_F(ResetLadderTest, APlaybackIsNeverReset) {
  const std::string recording = ProcessTempPath("vsrs-ladder", ".bag");
  rs2sim::WriteRecording(recording, {rs2sim::DefaultCamera(wedged.Serial()),
                                     {{RS2_STREAM_COLOR, 0, RS2_FORMAT_RGB8, 640, 480, 30}},
                                     {ColorAndDepth(1000)}});
  StartAt("realsense://?sn=wedge-1&reset_on_start=1&reset_after=1&stats_s=0&playback_from_file=" +
          PercentEncoded(recording));
  ASSERT_TRUE(handler->WaitForPackets(1));
  source->Stop();
  source.reset();
  std::remove(recording.c_str());
  EXPECT_EQ(rs2sim::HardwareResets(wedged.Serial()), 0);
  EXPECT_EQ(log.CountMatching(kWarning, "<cam> Recovery: .*"), 0u);
}

}  // namespace
}  // namespace vs_realsense2_test
