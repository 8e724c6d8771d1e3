// Supervised, a camera that is not there or is busy when the source starts
// is waited for: Start returns after one look at the device list, and the
// camera is started as after an unplug.
#include <string>

#include <librealsense2/rs.hpp>

#include "stepped_source_test.hpp"

namespace vs_realsense2_test {
namespace {

using AbsentCameraTest = SteppedSourceTest;

TEST_F(AbsentCameraTest, IsWaitedForAndStreamsOncePluggedIn) {
  StartAt("realsense://?sn=later&watchdog_ms=100");
  EXPECT_EQ(log.Messages(kWarning), Texts{"<cam> Start: waiting for camera later: not connected "
                                          "(connected: 900000000000, manual-1)"});
  Step(500);
  EXPECT_EQ(log.Messages(kWarning).back(),
            "<cam> Restart: try 1 failed: camera later not connected; next try in 500 ms");

  // The library reports the camera: the next try goes at once.
  const ManualCamera later("later");
  ASSERT_TRUE(log.WaitFor(kInfo, "<cam> Restart: streaming again after 0.5 s, 2 tries"));
  ASSERT_TRUE(later.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
  ASSERT_TRUE(handler->WaitForPackets(1));
  EXPECT_EQ(handler->Calls(), "AP");
  EXPECT_EQ(log.Messages(kWarning).size(), 2u);
  EXPECT_TRUE(log.Messages(kError).empty());
  source->Stop();
}

TEST_F(AbsentCameraTest, StopBeforeItComesLeavesNothingToStartIt) {
  source = CreateSourceAt("realsense://?sn=later&watchdog_ms=100", "cam");
  source->Start(StartWith(handler));
  source->Stop();
  log.Clear();
  const ManualCamera later("later");
  clock->Step(60'000);
  EXPECT_EQ(clock->Waiting(), 0u);
  EXPECT_FALSE(later.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
  EXPECT_EQ(handler->Calls(), "");
  EXPECT_TRUE(log.All().empty());
  // Started again with the camera there, it streams at once.
  source->Start(StartWith(handler));
  ASSERT_TRUE(later.Emit(ColorAndDepth(2000, kSystemTime)).delivered);
  ASSERT_TRUE(handler->WaitForPackets(1));
  source->Stop();
}

// Each source on its own line of the log; both on the stepped clock.
TEST_F(AbsentCameraTest, BusyInAnotherSourceIsWaitedForAndSaysSo) {
  const auto first = CreateSourceAt(camera.Url("watchdog_ms=100"), "first");
  first->Start(StartWith(handler));
  const boost::shared_ptr<RecordingHandler> second = boost::make_shared<RecordingHandler>();
  source = CreateSourceAt(camera.Url("watchdog_ms=100"), "cam");
  source->Start(StartWith(second));
  ASSERT_TRUE(clock->Settle(2));
  EXPECT_EQ(log.CountMatching(
                kWarning, R"(<cam> Start: waiting for camera manual-1: busy, in use by another )"
                          R"(program \(rs error calling rs2_pipeline_start.*\):Device or )"
                          R"(resource busy: device manual-1 is streaming to another pipeline\))"),
            1u)
      << testing::PrintToString(log.Messages(kWarning));
  first->Stop();
  // The build a moment ago spaces the first try a second away.
  Step(999);
  EXPECT_EQ(log.Count(kInfo, "<cam> Restart: streaming again after 1.0 s, 1 try"), 0u);
  Step(1);
  ASSERT_TRUE(log.WaitFor(kInfo, "<cam> Restart: streaming again after 1.0 s, 1 try"));
  ASSERT_TRUE(camera.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
  ASSERT_TRUE(second->WaitForPackets(1));
  EXPECT_TRUE(log.Messages(kError).empty());
  source->Stop();
}

// A camera that cannot give what the address asks is no reason to wait, at
// Start, nor to try often afterwards.
TEST_F(AbsentCameraTest, ListedButWithoutTheModeIsAnErrorAtEachTryHalfAMinuteApart) {
  const std::string url = "realsense://?sn=later&c_width=1234&c_height=567&watchdog_ms=100";
  {
    const ManualCamera later("later");
    source = CreateSourceAt(url, "cam");
    EXPECT_THROW(source->Start(StartWith(handler)), rs2::error);
  }
  log.Clear();
  source->Start(StartWith(handler));
  ASSERT_TRUE(clock->Settle());
  const ManualCamera later("later");
  const std::string failed =
      R"(<cam> Restart: try \d failed: rs error calling rs2_pipeline_start.*:Failed to resolve )"
      R"(request\. No device found that satisfies all requirements; next try in 30000 ms)";
  ASSERT_TRUE(log.WaitForMatching(kError, failed, 1));
  ASSERT_TRUE(clock->Settle());
  Step(29'999);
  EXPECT_EQ(log.CountMatching(kError, failed), 1u);
  Step(1);
  EXPECT_EQ(log.CountMatching(kError, failed), 2u);
  EXPECT_EQ(handler->Calls(), "");
}

}  // namespace
}  // namespace vs_realsense2_test
