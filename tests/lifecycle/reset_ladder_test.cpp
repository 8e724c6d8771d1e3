// The recovery ladder on stepped time: a camera that stays listed but
// delivers nothing is reset once its restart tries keep failing, or when it
// reports a hardware error while silent; resets are rate-limited, and off
// with reset_after=0.
#include <cstdio>
#include <string>

#include "stepped_source_test.hpp"

namespace vs_realsense2_test {
namespace {

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
  rs2sim::NotificationSpec hot;
  hot.severity = RS2_LOG_SEVERITY_WARN;
  hot.description = "Laser hot - power reduce";
  ASSERT_TRUE(rs2sim::Notify(wedged.Serial(), RS2_STREAM_DEPTH, hot));
  Step(2000);
  EXPECT_EQ(rs2sim::HardwareResets(wedged.Serial()), 0);
  rs2sim::NotificationSpec failure;
  failure.description = "Hardware error: IR laser fault";
  ASSERT_TRUE(rs2sim::Notify(wedged.Serial(), RS2_STREAM_DEPTH, failure));
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
