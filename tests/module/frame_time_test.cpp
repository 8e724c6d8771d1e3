// Packet times: camera clocks mapped onto the wall clock, live and played back.

#include <chrono>
#include <cstdio>
#include <thread>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

class FrameTimeTest : public CameraTest {
 protected:
  // The time of the packet of one frameset; the wall clock read around it.
  std::int64_t TimeOf(double timestamp,
                      rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK) {
    before = WallClockMs();
    const std::int64_t time = Deliver(ColorAndDepth(timestamp, domain)).time;
    after = WallClockMs();
    return time;
  }

  static std::string SyncLine(std::int64_t devTime, std::int64_t sysTime) {
    return "<cam> MakeSync: devTime: " + std::to_string(devTime) +
           ", sysTime: " + std::to_string(sysTime);
  }

  std::int64_t before = 0;
  std::int64_t after = 0;
};

// Unsupervised: a watchdog restart on a stalled machine would take a base of its own.
TEST_F(FrameTimeTest, HardwareClockTakesAWallClockBaseOtherDomainsPassThrough) {
  StartCamera("watchdog_ms=0");
  const std::int64_t first = TimeOf(1000);
  EXPECT_GE(first, before);
  EXPECT_LE(first, after);
  EXPECT_EQ(TimeOf(1033.9), first + 33);
  // The same device millisecond again is no step back: same time, dropped.
  camera.Emit(ColorAndDepth(1033.2));
  // One millisecond back is a step back already: it takes a new base.
  const std::int64_t restarted = TimeOf(1032.5);
  EXPECT_GE(restarted, before);
  EXPECT_LE(restarted, after);

  EXPECT_EQ(TimeOf(1234.9, kSystemTime), 1234);
  EXPECT_EQ(TimeOf(5678.6, RS2_TIMESTAMP_DOMAIN_GLOBAL_TIME), 5678);
  // Earlier than the last packet, yet delivered: only an equal time is dropped.
  EXPECT_EQ(TimeOf(100.5, RS2_TIMESTAMP_DOMAIN_GLOBAL_TIME), 100);
  // Far ahead of the old base: without a new one, minutes into the future.
  const std::int64_t back = TimeOf(500000);
  EXPECT_GE(back, before);
  EXPECT_LE(back, after);

  EXPECT_EQ(log.Messages(kDebug),
            (Texts{"<cam> GetFrameTime: times type: Hardware Clock", SyncLine(1000, first),
                   SyncLine(1032, restarted), "<cam> GetFrameTime: times type: System Time",
                   "<cam> GetFrameTime: times type: Global Time",
                   "<cam> GetFrameTime: times type: Hardware Clock", SyncLine(500000, back)}));
  EXPECT_EQ(log.Messages(kError),
            Texts{"<cam> ConvDevTimeToSys: time decreased: new 1032, sync: 1033"});
  EXPECT_EQ(log.Messages(orvlog::Severity::Trace),
            Texts{"<cam> ProcessVideoFrames: ignore color frame with time: " +
                  std::to_string(first + 33)});
}

// A server slow with one packet delays the reader, not the times of the
// framesets that wait meanwhile: a new base maps a frameset to the moment it
// arrived, as the time base of a camera's clock should.
TEST_F(FrameTimeTest, ANewBaseIsTakenAtTheArrivalOfItsFramesetNotWhenTheReaderGetsToIt) {
  StartCamera("watchdog_ms=0");
  TimeOf(1000);
  handler->BlockPackets();
  camera.Emit(ColorAndDepth(1100));
  ASSERT_TRUE(handler->WaitForPacketCalls(2));
  const std::int64_t arriving = WallClockMs();
  camera.Emit(ColorAndDepth(900));  // a step back: the next base, queued
  const std::int64_t arrived = WallClockMs();
  // The server takes its time over the packet before.
  while (WallClockMs() < arrived + 300)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  handler->Unblock();
  ASSERT_TRUE(handler->WaitForPackets(3));
  const std::int64_t time = handler->Packets().back().time;
  EXPECT_GE(time, arriving);
  EXPECT_LE(time, arrived);
}

TEST_F(FrameTimeTest, LiveRecordingPlaysBackInALoopOnTheWallClock) {
  const std::string ignored = ProcessTempPath("vsrs-ignored", ".bag");
  Open(camera.Url("record_to_file=" + PercentEncoded(recording)));
  for (int i = 0; i < 3; ++i)
    camera.Emit(ColorAndDepth(1000 + 33 * i, kSystemTime));
  ASSERT_TRUE(handler->WaitForPackets(3));
  source->Stop();
  handler->Clear();
  log.Clear();

  // Playback wins over everything else the address asks for.
  before = WallClockMs();
  PlayBack("sn=nobody&c_width=1&record_to_file=" + PercentEncoded(ignored), "replay");
  EXPECT_EQ(log.Count(kInfo, "<replay> Session: playback from file: " + recording), 1u);
  // More packets than recorded framesets: the recording starts over, and
  // each start over is a backward step that takes a new base silently.
  ASSERT_TRUE(handler->WaitForPackets(8));
  after = WallClockMs();
  source->Stop();
  // Recorded system times are past too: a wall-clock base, recorded steps.
  const auto packets = handler->Packets();
  EXPECT_GE(packets[0].time, before);
  EXPECT_LE(packets[0].time, after);
  EXPECT_EQ(packets[1].time, packets[0].time + 33);
  for (const auto& packet : packets)
    EXPECT_EQ(packet.attachments.size(), 1u);
  EXPECT_TRUE(log.Messages(kError).empty());
  EXPECT_NE(access(ignored.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace vs_realsense2_test
