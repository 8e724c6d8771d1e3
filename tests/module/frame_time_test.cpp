// Packet times: camera clocks mapped onto the wall clock.
#include <cstdint>
#include <string>
#include <vector>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

using vs_test_support::ColorAndDepth;

class FrameTimeTest : public CameraTest {
 protected:
  // Emits one frameset and returns the time of the packet it became, with
  // the wall clock read around the delivery.
  std::int64_t Deliver(double timestamp, rs2_timestamp_domain domain) {
    const std::size_t count = handler->PacketCount() + 1;
    before = WallClockMs();
    camera.Emit(ColorAndDepth(timestamp, domain));
    EXPECT_TRUE(handler->WaitForPackets(count));
    after = WallClockMs();
    return handler->Packets().back().time;
  }

  std::string SyncLine(std::int64_t devTime, std::int64_t sysTime) const {
    return "<cam> MakeSync: devTime: " + std::to_string(devTime) +
           ", sysTime: " + std::to_string(sysTime);
  }

  std::int64_t before = 0;
  std::int64_t after = 0;
};

TEST_F(FrameTimeTest, HardwareClockFollowsTheCameraFromAWallClockBase) {
  StartCamera();
  const std::int64_t first = Deliver(1000, RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK);
  EXPECT_GE(first, before);
  EXPECT_LE(first, after);
  EXPECT_EQ(Deliver(1033.9, RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK), first + 33);
  // The same device millisecond again is no step back: same time, dropped.
  camera.Emit(ColorAndDepth(1033.2, RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK));

  const std::int64_t restarted = Deliver(900, RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK);
  EXPECT_GE(restarted, before);
  EXPECT_LE(restarted, after);
  EXPECT_EQ(log.Messages(orvlog::Severity::Debug),
            (std::vector<std::string>{"<cam> GetFrameTime: times type: Hardware Clock",
                                      SyncLine(1000, first), SyncLine(900, restarted)}));
  EXPECT_EQ(
      log.Messages(orvlog::Severity::Error),
      std::vector<std::string>{"<cam> ConvDevTimeToSys: time decreased: new 900, sync: 1033"});
  EXPECT_EQ(log.Messages(orvlog::Severity::Trace),
            std::vector<std::string>{"<cam> ProcessVideoFrames: ignore color frame with time: " +
                                     std::to_string(first + 33)});
}

TEST_F(FrameTimeTest, SystemAndGlobalTimesPassThroughTruncated) {
  StartCamera();
  EXPECT_EQ(Deliver(1234.9, RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME), 1234);
  EXPECT_EQ(Deliver(5678.6, RS2_TIMESTAMP_DOMAIN_GLOBAL_TIME), 5678);
  EXPECT_EQ(Deliver(100.5, RS2_TIMESTAMP_DOMAIN_GLOBAL_TIME), 100);
  EXPECT_EQ(log.Messages(orvlog::Severity::Debug),
            (std::vector<std::string>{"<cam> GetFrameTime: times type: System Time",
                                      "<cam> GetFrameTime: times type: Global Time"}));
  EXPECT_TRUE(log.Messages(orvlog::Severity::Error).empty());
}

TEST_F(FrameTimeTest, ReturningToTheHardwareClockTakesANewBase) {
  StartCamera();
  const std::int64_t first = Deliver(1000, RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK);
  EXPECT_EQ(Deliver(2000.5, RS2_TIMESTAMP_DOMAIN_GLOBAL_TIME), 2000);
  // Far ahead of the old base: without a new one this would map minutes
  // into the future.
  const std::int64_t back = Deliver(500000, RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK);
  EXPECT_GE(back, before);
  EXPECT_LE(back, after);
  EXPECT_EQ(log.Messages(orvlog::Severity::Debug),
            (std::vector<std::string>{
                "<cam> GetFrameTime: times type: Hardware Clock", SyncLine(1000, first),
                "<cam> GetFrameTime: times type: Global Time",
                "<cam> GetFrameTime: times type: Hardware Clock", SyncLine(500000, back)}));
}

}  // namespace
}  // namespace vs_realsense2_test
