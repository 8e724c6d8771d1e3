// Start, Stop and destruction of a source, what a start reports, and what they leave behind;
// recovery on real time, the module loaded as a host loads it: a failing log sink. Stalls,
// restarts while recording, the delays themselves and a stop or release from inside the
// handler are checked on stepped time (tests/lifecycle).
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
using RecoveryTest = CameraTest;

TEST_F(LifecycleTest, StartReportsItsStreamsAndTheLibraryOnceAndRefusesASecondStartSilently) {
  Open(camera.Url());
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
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { source->Start(vid_db::media::StartParams{}); }),
            "already started: ");
  EXPECT_TRUE(log.All().empty());
  // The library's version is the loaded module's first start's only.
  const ManualCamera other("manual-2");
  const auto second = CreateSource(other.Url(), "b");
  second->Start(StartWith(boost::make_shared<RecordingHandler>()));
  EXPECT_EQ(log.Messages(kInfo), Texts{DeviceLine("b", "manual-2").message});
  second->Stop();
  // The running session goes on.
  Deliver(ColorAndDepth(1000));
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
  ASSERT_TRUE(log.WaitFor(kInfo, described));
  log.Clear();
  source->Stop();
  EXPECT_EQ(log.All(), (Lines{{kDebug, "<cam> Stop: "}}));
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
  ASSERT_TRUE(log.WaitFor(kInfo, described));
  log.Clear();
  // The reader holds the handler until it has ended.
  source.reset();
  EXPECT_TRUE(watchedSecond.expired());
  EXPECT_TRUE(log.All().empty());
  EXPECT_TRUE(AllCountersZero());
}

// A FIFO is POSIX's; the probe's own refusals, a directory among them, are in the utils suite.
// A missing file is the bad-input suite's (tests/reliability).
#ifndef _WIN32
TEST_F(LifecycleTest, PlaybackFromAFifoIsRefusedWithoutWaitingForAWriter) {
  const std::string path = ::testing::TempDir() + "lifecycle-recording.fifo";
  std::remove(path.c_str());
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  source = CreateSource(camera.Url("playback_from_file=" + PercentEncoded(path)), "cam");
  EXPECT_EQ(ThrownText<utils::OpenFileError>([&] { source->Start(StartWith(handler)); }),
            "Not a regular file: " + path);
  std::remove(path.c_str());
  EXPECT_EQ(log.All(), (Lines{{kDebug, "<cam> Start: "}, SdkLine("cam")}));
  EXPECT_TRUE(AllCountersZero());
}
#endif

// With no sink for Debug lines, an armed failure of the emitter read stays unused; the device
// line leaves out what the camera does not report and quotes no control character.
class QuietLifecycleTest : public CameraTest {
 protected:
  QuietLifecycleTest() : CameraTest(kInfo) {}
};

TEST_F(QuietLifecycleTest, EmitterIsNotReadWhenItsLineIsOffAndTheDeviceLineSaysWhatIsKnown) {
  const ManualCamera usb2("usb2-cam", [](rs2sim::DeviceSpec& device) {
    device.name = "D435\r\nforged line";
    device.firmware.clear();
    device.usbType = "2.1";
    device.physicalPort =
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/video4linux/video2";
  });
  // Without a depth sensor too, and it still starts; a camera without an emitter is the
  // controls suite's.
  const ManualCamera bare("bare", [](rs2sim::DeviceSpec& device) {
    device.name.clear();
    device.firmware.clear();
    device.usbType.clear();
    device.hasDepthSensor = false;
  });
  rs2sim::FailNext("rs2_get_option", RS2_EXCEPTION_TYPE_BACKEND, "option lost");
  EXPECT_NO_THROW(Open(usb2.Url()));
  const auto other = CreateSource(bare.Url(), "bare");
  other->Start(StartWith(handler));
  EXPECT_EQ(log.All(), (Lines{
                           SdkLine("cam"),
                           {kInfo,
                            "<cam> PrintDevice: device: D435??forged line, serial number usb2-cam, "
                            "USB 2.1, port /sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/"
                            "video4linux/video2"},
                           {kWarning,
                            "<cam> PrintDevice: USB 2.1 connection: reduced bandwidth, fewer "
                            "modes and lower rates; use a USB 3 port and cable"},
                           {kError, "<bare> PrintEmitter: no depth sensor"},
                           {kInfo, "<bare> PrintDevice: device: serial number bare"},
                       }));
  other->Stop();
}

// A server's log sink that throws on every line (a full disk, say) loses
// its lines but kills no thread: it fails at the reader's exception line,
// the supervisor's restart lines and the new session's start lines (on the
// supervisor's thread), and the source streams again. The capture, added
// first, still sees every line.
TEST_F(RecoveryTest, LogSinkThatThrowsOnEveryLineKillsNoThread) {
  const orvlog::SinkId failing = orvlog::AddCallbackSink(
      orvlog::Severity::Trace,
      [](const orvlog::LogLine&) { throw std::runtime_error("disk full"); });
  StartCamera("watchdog_ms=100");  // restarts within a fraction of a second
  handler->ThrowOnPacket("host failure");
  ASSERT_TRUE(camera.Emit(ColorAndDepth(5000, kSystemTime)).delivered);
  ASSERT_TRUE(log.WaitForMatching(kInfo, vs_test_support::StreamingAgain("cam", 1)));
  ASSERT_TRUE(camera.Emit(ColorAndDepth(6000, kSystemTime)).delivered);
  ASSERT_TRUE(handler->WaitForPacketCalls(2));
  source->Stop();
  orvlog::RemoveSink(failing);
  EXPECT_EQ(handler->Calls(), "APAP");
  EXPECT_EQ(handler->Packets().at(0).time, 6000);
}

}  // namespace
}  // namespace vs_realsense2_test
