// Recovery on stepped time: every delay the supervisor takes is the one the
// test expects, to the millisecond, and nothing is rebuilt faster than the
// spacing of builds allows. Supervised, a camera that is not there or is busy
// when the source starts is waited for: Start returns after one look at the
// device list, and the camera is started as after an unplug.
#include <condition_variable>
#include <mutex>
#include <string>

#include <librealsense2/rs.hpp>

#include "stepped_source_test.hpp"

namespace vs_realsense2_test {
namespace {

const std::string kQuickWatchdog = "watchdog_ms=100";

std::string StreamingAgain(const std::string& after, int tries) {
  return "<cam> Restart: streaming again after " + after + ", " + std::to_string(tries) +
         (tries == 1 ? " try" : " tries");
}

using RecoveryTest = SteppedSourceTest;

TEST_F(RecoveryTest, UnpluggedCameraIsRetriedWithGrowingDelaysAndStreamsAgainOnceReplugged) {
  StartCamera(kQuickWatchdog);
  Deliver(1000, 1);
  ASSERT_TRUE(rs2sim::UnplugDevice(camera.Serial()));
  Step(100);  // the packet is seen
  Step(100);  // silence: the build a second ago sets the first try's time
  Step(800);
  Step(500);
  const Texts warnings = {
      "<cam> Watchdog: no frames for 100 ms, restarting in 800 ms",
      "<cam> Restart: try 1 failed: camera manual-1 not connected; next try in 500 ms",
      "<cam> Restart: try 2 failed: camera manual-1 not connected; next try in 1000 ms",
  };
  EXPECT_EQ(log.Messages(kWarning), warnings);
  EXPECT_FALSE(camera.Emit(ColorAndDepth(1100, kSystemTime)).delivered);

  // The library reports the camera's return: no need to wait out the delay.
  ASSERT_TRUE(rs2sim::ReplugDevice(camera.Serial()));
  ASSERT_TRUE(log.WaitFor(kInfo, StreamingAgain("1.3 s", 3)));
  Deliver(2000, 2);
  EXPECT_EQ(handler->Calls(), "APAP");
  EXPECT_EQ(log.Messages(kWarning), warnings);
  EXPECT_TRUE(log.Messages(kError).empty());
}

// A dead reader is replaced after the build gap, its "exception: " line
// first; the new session announces again. A packet up to a second older than
// the last one delivered is dropped. The wall clock set back ten minutes (or
// a hardware clock's drift against the new base): one Warning, and the
// source delivers instead of dropping ten minutes of packets.
TEST_F(RecoveryTest, DeadReaderIsReplacedAfterTheBuildGapAndTimesFarBackAreWarnedAndDelivered) {
  StartCamera(kQuickWatchdog);
  EndReader(ColorAndDepth(700000, kSystemTime));
  Step(999);
  EXPECT_EQ(log.Count(kInfo, StreamingAgain("1.0 s", 1)), 0u);
  Step(1);
  ASSERT_TRUE(log.WaitFor(kInfo, StreamingAgain("1.0 s", 1)));
  EXPECT_EQ(log.Messages(kError), Texts{"<cam> ReadFrames: exception: host failure"});
  ASSERT_TRUE(camera.Emit(ColorAndDepth(699000, kSystemTime)).delivered);
  Deliver(100000, 2);
  Deliver(100033, 3);
  ASSERT_TRUE(handler->WaitForPackets(2));
  EXPECT_EQ(handler->Packets().at(0).time, 100000);
  EXPECT_EQ(handler->Packets().at(1).time, 100033);
  EXPECT_EQ(handler->Calls(), "APAPP");
  EXPECT_EQ(log.Messages(kWarning),
            (Texts{"<cam> Watchdog: reader ended, restarting in 1000 ms",
                   "<cam> ProcessVideoFrames: packet times stepped back 600000 ms across the "
                   "restart; delivering from there"}));
}

// A camera that stalls right after its first frameset, with a watchdog below
// its frame interval, used to be rebuilt dozens of times a second (each time
// into a new recording file: the recording suite's).
TEST_F(RecoveryTest, WatchdogBelowTheFrameIntervalIsRaisedAndAStallingCameraCannotLoop) {
  StartAt(camera.Url("watchdog_ms=40&c_fps=6&d_fps=6"));
  Deliver(1000, 1);
  rs2sim::StallDevice(camera.Serial(), true);
  StepTimes(30, 100);
  EXPECT_EQ(log.Messages(kWarning),
            (Texts{"<cam> Watchdog: watchdog_ms=40 raised to 500 ms: at least 100 ms and 3 frame "
                   "intervals at 6 fps",
                   "<cam> Watchdog: no frames for 500 ms, restarting in 200 ms"}));
  EXPECT_EQ(log.Count(kInfo, StreamingAgain("0.2 s", 1)), 1u);
}

// The watchdog watches packets reaching the server. A server slower than
// the watchdog is no silent camera. Colour gone while depth still comes is:
// framesets reach the module, packets do not reach the server.
TEST_F(RecoveryTest, HandlerSlowerThanTheWatchdogIsNoSilenceColourLostIsARestartThatSaysSo) {
  StartCamera(kQuickWatchdog);
  handler->BlockPackets();
  ASSERT_TRUE(camera.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
  ASSERT_TRUE(handler->WaitForPacketCalls(1));  // and blocked there
  StepTimes(10, 100);
  handler->Unblock();
  Deliver(1033, 2);
  EXPECT_TRUE(log.Messages(kWarning).empty());
  for (int i = 2; i <= 4; ++i) {
    ASSERT_TRUE(camera.Emit({{DepthFrame(1000 + 33 * i, kSystemTime)}}).delivered);
    Step(50);
  }
  // The last build lies more than a second back: no delay.
  EXPECT_EQ(log.Messages(kWarning), Texts{"<cam> Watchdog: no color packets for 100 ms while "
                                          "framesets arrive, restarting"});
  ASSERT_TRUE(log.WaitFor(kInfo, StreamingAgain("0.0 s", 1)));
  Deliver(2000, 3);
  EXPECT_EQ(handler->Calls(), "APPAP");
}

// A change of devices while the spacing of builds still holds the next try
// back: the try waits for the spacing, and the supervisor waits with it
// (it used to spin, holding its lock, so that Stop hung).
TEST_F(RecoveryTest, DevicesChangingDuringTheBuildGapWaitForIt) {
  StartCamera(kQuickWatchdog);
  EndReader(ColorAndDepth(1000, kSystemTime));
  rs2sim::FailNext("rs2_pipeline_start_with_config_and_callback_cpp", RS2_EXCEPTION_TYPE_IO,
                   "busy");
  Step(1000);
  ASSERT_TRUE(log.WaitForMatching(
      kWarning, R"(<cam> Restart: try 1 failed: rs error calling .*:busy; next try in 1000 ms)"));
  // Devices come and go. The library's thread reports each change to every
  // listener before the next: once this listener has heard the fourth, the
  // supervisor has heard the first three.
  std::mutex mutex;
  std::condition_variable heard;
  int changes = 0;
  rs2::context listener;
  listener.set_devices_changed_callback([&](rs2::event_information&) {
    const std::lock_guard<std::mutex> lock(mutex);
    ++changes;
    heard.notify_all();
  });
  for (int i = 0; i < 2; ++i)
    const ManualCamera other("manual-2");
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(heard.wait_for(lock, vs_test_support::kWaitLimit, [&] { return changes >= 4; }));
  }
  ASSERT_TRUE(clock->Settle());
  Step(999);
  EXPECT_EQ(log.Count(kInfo, StreamingAgain("2.0 s", 2)), 0u);
  Step(1);
  ASSERT_TRUE(log.WaitFor(kInfo, StreamingAgain("2.0 s", 2)));
  source->Stop();
}

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
  source->Stop();  // before its camera goes
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
