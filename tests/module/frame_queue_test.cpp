// The queue between the camera's thread and the reader, under a host that
// blocks or fails.
#include <cstdint>
#include <string>
#include <vector>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

using vs_test_support::ColorAndDepth;

constexpr auto kSystemTime = RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME;

using FrameQueueTest = CameraTest;

TEST_F(FrameQueueTest, BlockedHandlerLetsThreeWaitAndDropsTheRestInOrder) {
  StartCamera();
  handler->BlockPackets();
  camera.Emit(ColorAndDepth(1, kSystemTime));
  ASSERT_TRUE(handler->WaitForPacketCallsEntered(1));
  for (int t = 2; t <= 5; ++t)
    EXPECT_TRUE(camera.Emit(ColorAndDepth(t, kSystemTime)).delivered);
  // Emit returns after the callback: the loss is already logged.
  EXPECT_EQ(log.Messages(orvlog::Severity::Warning),
            std::vector<std::string>{"<cam> ProcessFrame: lost frames"});

  handler->Unblock();
  ASSERT_TRUE(handler->WaitForPackets(4));
  std::vector<std::int64_t> times;
  for (const auto& packet : handler->Packets())
    times.push_back(packet.time);
  EXPECT_EQ(times, (std::vector<std::int64_t>{1, 2, 3, 4}));
}

TEST_F(FrameQueueTest, ThrowingHandlerEndsTheReaderAndStopStillCompletes) {
  StartCamera();
  handler->ThrowOnPacket("host failure");
  camera.Emit(ColorAndDepth(1, kSystemTime));
  ASSERT_TRUE(log.WaitFor("<cam> ReadFrames: exception: host failure"));
  // Nobody drains the queue any more: three wait, the fourth is lost.
  for (int t = 2; t <= 5; ++t)
    camera.Emit(ColorAndDepth(t, kSystemTime));
  EXPECT_EQ(log.Count("<cam> ProcessFrame: lost frames"), 1u);
  source->Stop();
  EXPECT_EQ(log.Messages(orvlog::Severity::Error),
            std::vector<std::string>{"<cam> ReadFrames: exception: host failure"});
  EXPECT_EQ(handler->PacketCount(), 0u);
  EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters()));
}

}  // namespace
}  // namespace vs_realsense2_test
