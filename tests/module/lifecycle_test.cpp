// Start, Stop and destruction of a source, and what they leave behind.
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdio>
#include <stdexcept>

#include <librealsense2/rs.hpp>
#include <utils/error.hpp>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

using LifecycleTest = CameraTest;

TEST_F(LifecycleTest, StartReportsItsStreamsAndTheLibraryOnceAndRefusesASecondStartSilently) {
  source = CreateSource(camera.Url(), "cam");
  source->Start(StartWith(handler));
  constexpr orvlog::Severity kDebug = orvlog::Severity::Debug;
  EXPECT_EQ(
      log.All(),
      (Lines{
          {kDebug, "<cam> Start: "},
          SdkLine("cam"),
          {kDebug, "<cam> PrintProfile: stream: Depth as Z16 at 30 Hz; resolution: 848x480"},
          {kDebug, "<cam> PrintProfile: stream: Color as RGB8 at 30 Hz; resolution: 1280x720"},
          {kDebug, "<cam> PrintEmitter: emitter state: 1"},
          DeviceLine("cam", "manual-1"),
      }));
  log.Clear();
  try {
    source->Start(vid_db::media::StartParams{});
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "already started: ");
  }
  EXPECT_TRUE(log.All().empty());
  // The library's version is the loaded module's first start's only.
  const ManualCamera other("manual-2");
  const auto second = CreateSource(other.Url(), "b");
  second->Start(StartWith(boost::make_shared<RecordingHandler>()));
  EXPECT_EQ(log.Messages(orvlog::Severity::Info),
            std::vector<std::string>{DeviceLine("b", "manual-2").message});
  second->Stop();
  // The running session goes on.
  EXPECT_TRUE(camera.Emit(ColorAndDepth(1000)).delivered);
  EXPECT_TRUE(handler->WaitForPackets(1));
}

TEST_F(LifecycleTest, StopEndsDeliveryAndReleasesEverythingAndDestructionStopsWithoutStopLine) {
  auto first = boost::make_shared<RecordingHandler>();
  auto second = boost::make_shared<RecordingHandler>();
  const boost::weak_ptr<RecordingHandler> watchedFirst = first, watchedSecond = second;
  source = CreateSource(camera.Url(), "cam");
  source->Start(StartWith(first));
  camera.Emit(ColorAndDepth(1000));
  ASSERT_TRUE(first->WaitForPackets(1));
  // The session's last line after its first packet.
  const std::string described =
      "<cam> Frames: hardware clock times are mapped onto the system clock without drift "
      "correction";
  ASSERT_TRUE(log.WaitFor(orvlog::Severity::Info, described));
  log.Clear();
  source->Stop();
  EXPECT_EQ(log.All(), (Lines{{orvlog::Severity::Debug, "<cam> Stop: "}}));
  EXPECT_FALSE(camera.Emit(ColorAndDepth(1033)).delivered);
  EXPECT_EQ(first->Calls(), "AP");
  first.reset();
  EXPECT_TRUE(watchedFirst.expired());
  EXPECT_TRUE(AllCountersZero());

  // A new session announces its parameters again.
  source->Start(StartWith(second));
  camera.Emit(ColorAndDepth(2000));
  ASSERT_TRUE(second->WaitForPackets(1));
  EXPECT_EQ(second->Calls(), "AP");
  second.reset();
  ASSERT_TRUE(log.WaitFor(orvlog::Severity::Info, described));
  log.Clear();
  // The reader holds the handler until it has ended.
  source.reset();
  EXPECT_TRUE(watchedSecond.expired());
  EXPECT_TRUE(log.All().empty());
  EXPECT_TRUE(AllCountersZero());
}

// A FIFO is POSIX's; the Windows probe's own refusals are in the utils suite. A
// missing file and a directory are the bad-input suite's (tests/reliability).
#ifndef _WIN32
TEST_F(LifecycleTest, PlaybackFromAFifoIsRefusedWithoutWaitingForAWriter) {
  const std::string path = ::testing::TempDir() + "lifecycle-recording.fifo";
  std::remove(path.c_str());
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  source = CreateSource(camera.Url("playback_from_file=" + PercentEncoded(path)), "cam");
  try {
    source->Start(StartWith(handler));
    ADD_FAILURE() << "no exception";
  } catch (const utils::OpenFileError& e) {
    EXPECT_EQ(e.what(), "Not a regular file: " + path);
  }
  std::remove(path.c_str());
  EXPECT_EQ(log.All(), (Lines{{orvlog::Severity::Debug, "<cam> Start: "}, SdkLine("cam")}));
  EXPECT_TRUE(AllCountersZero());
}
#endif

// A camera without an emitter is the controls suite's.
TEST_F(LifecycleTest, DeviceWithoutDepthSensorStillStarts) {
  const ManualCamera noDepth("no-depth", [](auto& device) { device.hasDepthSensor = false; });
  source = CreateSource(noDepth.Url(), "a");
  source->Start(StartWith(handler));
  EXPECT_EQ(log.Messages(orvlog::Severity::Error),
            std::vector<std::string>{"<a> PrintEmitter: no depth sensor"});
}

// With no sink for Debug lines, an armed failure of the emitter read stays unused.
class QuietLifecycleTest : public CameraTest {
 protected:
  QuietLifecycleTest() : CameraTest(orvlog::Severity::Info) {}
};

TEST_F(QuietLifecycleTest, EmitterIsNotReadWhenItsLineIsOff) {
  rs2sim::FailNext("rs2_get_option", RS2_EXCEPTION_TYPE_BACKEND, "option lost");
  source = CreateSource(camera.Url(), "cam");
  EXPECT_NO_THROW(source->Start(StartWith(handler)));
  EXPECT_EQ(log.All(), (Lines{SdkLine("cam"), DeviceLine("cam", "manual-1")}));
}

}  // namespace
}  // namespace vs_realsense2_test
