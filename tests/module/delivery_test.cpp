// From an emitted frameset to what the host's handler receives.
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <vid_db/media/packet.hpp>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

using vs_test_support::ColorAndDepth;
using vs_test_support::ColorFrame;
using vs_test_support::DepthFrame;
using vs_test_support::ManualCamera;

constexpr auto kSystemTime = RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME;

rs2sim::FramesetSpec Set(std::vector<rs2sim::FrameSpec> frames) {
  rs2sim::FramesetSpec set;
  set.frames = std::move(frames);
  return set;
}

std::vector<std::uint32_t> PixelFormats(const std::vector<vid_db::media::StreamParams>& params) {
  std::vector<std::uint32_t> formats;
  for (const auto& p : params)
    formats.push_back(p.rawVideo ? p.rawVideo->pixelFormat : 0);
  return formats;
}

// The queue holds three framesets: a test emits at most three before it
// waits for the outcome of the last one, or the camera outruns the reader.
using DeliveryTest = CameraTest;

TEST_F(DeliveryTest, FirstPacketIsAnnouncedAndPointsIntoTheLibraryFrames) {
  StartCamera();
  const std::int64_t before = WallClockMs();
  const rs2sim::Emitted emitted = camera.Emit(ColorAndDepth(1000));
  ASSERT_TRUE(emitted.delivered);
  ASSERT_TRUE(handler->WaitForPackets(1));
  const std::int64_t after = WallClockMs();
  camera.Emit(ColorAndDepth(1033));
  ASSERT_TRUE(handler->WaitForPackets(2));

  const auto params = handler->Params();
  ASSERT_EQ(params.size(), 1u);
  EXPECT_FALSE(params[0].video);
  EXPECT_FALSE(params[0].audio);
  ASSERT_TRUE(params[0].rawVideo);
  EXPECT_EQ(params[0].rawVideo->kind, 32000u);
  EXPECT_EQ(params[0].rawVideo->width, 640u);
  EXPECT_EQ(params[0].rawVideo->height, 480u);
  EXPECT_EQ(params[0].rawVideo->pixelFormat, 16u);

  const vid_db::media::Packet packet = handler->Packets()[0];
  EXPECT_EQ(packet.data, emitted.data[0]);
  EXPECT_EQ(packet.size, 640u * 480u * 3u);
  EXPECT_EQ(packet.dataBuf->GetData(), packet.data);
  EXPECT_EQ(packet.tag, 0u);
  EXPECT_EQ(packet.flags, 1u);
  EXPECT_GE(packet.time, before);
  EXPECT_LE(packet.time, after);
  ASSERT_EQ(packet.attachments.size(), 1u);
  const auto depth =
      boost::dynamic_pointer_cast<vid_db::media::DepthFrame>(packet.attachments.at("depth"));
  ASSERT_TRUE(depth);
  EXPECT_EQ(depth->GetData(), emitted.data[1]);
  EXPECT_EQ(depth->GetSize(), 640u * 480u * 2u);
  EXPECT_EQ(depth->GetStride(), 1280u);
  EXPECT_FLOAT_EQ(depth->GetUnits(), 0.001f);
  EXPECT_EQ(depth->GetResolution(), std::make_pair(640u, 480u));
  EXPECT_EQ(depth->GetEncoding(), 0u);

  // Delivered on the module's own thread, never the host's.
  for (const auto& id : handler->CallingThreads())
    EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(DeliveryTest, ChangesOfFormatOrSizeAreAnnouncedBeforeTheirPacket) {
  StartCamera();
  camera.Emit(Set({ColorFrame(1000, kSystemTime, RS2_FORMAT_RGB8)}));
  camera.Emit(Set({ColorFrame(1001, kSystemTime, RS2_FORMAT_BGR8)}));
  ASSERT_TRUE(handler->WaitForPackets(2));
  camera.Emit(Set({ColorFrame(1002, kSystemTime, RS2_FORMAT_BGR8)}));
  camera.Emit(Set({ColorFrame(1003, kSystemTime, RS2_FORMAT_BGR8, 320, 240)}));
  ASSERT_TRUE(handler->WaitForPackets(4));
  const auto params = handler->Params();
  EXPECT_EQ(PixelFormats(params), (std::vector<std::uint32_t>{16, 8, 8}));
  EXPECT_EQ(params[2].rawVideo->width, 320u);
  EXPECT_EQ(params[2].rawVideo->height, 240u);
}

TEST_F(DeliveryTest, UndeliverableColourFramesAreRejectedOneLineEach) {
  StartCamera();
  camera.Emit(Set({ColorFrame(1000, kSystemTime, RS2_FORMAT_YUYV)}));
  camera.Emit(Set({ColorFrame(1001, kSystemTime, RS2_FORMAT_YUYV)}));
  camera.Emit(Set({ColorFrame(1002, kSystemTime, RS2_FORMAT_RGB8, 0, 480)}));
  ASSERT_TRUE(log.WaitFor("<cam> UpdateVideoParams: invalid color frame with fmt: RGB8"));
  camera.Emit(Set({ColorFrame(1003, kSystemTime)}));
  ASSERT_TRUE(handler->WaitForPackets(1));
  EXPECT_EQ(
      log.Messages(orvlog::Severity::Error),
      (std::vector<std::string>{"<cam> UpdateVideoParams: invalid color frame with fmt: YUYV",
                                "<cam> UpdateVideoParams: invalid color frame with fmt: YUYV",
                                "<cam> UpdateVideoParams: invalid color frame with fmt: RGB8"}));
  EXPECT_EQ(handler->Params().size(), 1u);
  EXPECT_EQ(handler->Packets()[0].time, 1003);
}

TEST_F(DeliveryTest, InfraredInRgb8StandsInForColourAndOtherFramesAreSkipped) {
  StartCamera();
  rs2sim::FrameSpec infrared = ColorFrame(1000, kSystemTime);
  infrared.stream = RS2_STREAM_INFRARED;
  infrared.index = 1;
  rs2sim::FrameSpec grey = infrared;
  grey.format = RS2_FORMAT_Y8;
  grey.timestamp = 1001;
  rs2sim::FramesetSpec single = Set({ColorFrame(1002, kSystemTime)});
  single.composite = false;

  camera.Emit(Set({grey, DepthFrame(1001, kSystemTime)}));
  camera.Emit(single);
  const rs2sim::Emitted used = camera.Emit(Set({infrared, DepthFrame(1000, kSystemTime)}));
  ASSERT_TRUE(handler->WaitForPackets(1));
  ASSERT_EQ(handler->PacketCount(), 1u);
  EXPECT_EQ(handler->Packets()[0].data, used.data[0]);
  EXPECT_EQ(PixelFormats(handler->Params()), std::vector<std::uint32_t>{16});
  EXPECT_EQ(log.Count("<cam> ProcessVideoFrames: no color frame"), 1u);
  EXPECT_EQ(log.Count("<cam> ProcessFrame: lost frames"), 0u);
}

TEST_F(DeliveryTest, UnusableDepthLeavesThePacketWithoutAttachment) {
  StartCamera();
  rs2sim::FrameSpec notZ16 = DepthFrame(1001, kSystemTime);
  notZ16.format = RS2_FORMAT_Y16;
  rs2sim::FrameSpec empty = DepthFrame(1002, kSystemTime);
  empty.dataSize = 0;
  rs2sim::FrameSpec noData = DepthFrame(1003, kSystemTime);
  noData.nullData = true;

  camera.Emit(Set({ColorFrame(1000, kSystemTime)}));
  camera.Emit(Set({ColorFrame(1001, kSystemTime), notZ16}));
  ASSERT_TRUE(handler->WaitForPackets(2));
  camera.Emit(Set({ColorFrame(1002, kSystemTime), empty}));
  camera.Emit(Set({ColorFrame(1003, kSystemTime), noData}));
  ASSERT_TRUE(handler->WaitForPackets(4));
  for (const auto& packet : handler->Packets())
    EXPECT_TRUE(packet.attachments.empty());
  EXPECT_EQ(log.Count("<cam> ProcessVideoFrames: no depth frame"), 4u);
}

TEST_F(DeliveryTest, ColourWithoutDataIsInvalidAfterItsAnnouncement) {
  StartCamera();
  rs2sim::FrameSpec empty = ColorFrame(1000, kSystemTime, RS2_FORMAT_RGB8, 320, 240);
  empty.dataSize = 0;
  rs2sim::FrameSpec noData = ColorFrame(1001, kSystemTime);
  noData.nullData = true;
  camera.Emit(Set({empty}));
  camera.Emit(Set({noData}));
  camera.Emit(Set({ColorFrame(1002, kSystemTime)}));
  ASSERT_TRUE(handler->WaitForPackets(1));
  EXPECT_EQ(handler->Params().size(), 2u);
  EXPECT_EQ(handler->Params()[0].rawVideo->width, 320u);
  EXPECT_EQ(log.Messages(orvlog::Severity::Error),
            (std::vector<std::string>{"<cam> ProcessVideoFrames: invalid frame",
                                      "<cam> ProcessVideoFrames: invalid frame"}));
}

TEST_F(DeliveryTest, ColourFramesOfTheSameMillisecondAreDeliveredOnce) {
  StartCamera();
  camera.Emit(ColorAndDepth(1000.2, kSystemTime));
  camera.Emit(ColorAndDepth(1000.7, kSystemTime));
  camera.Emit(ColorAndDepth(999, kSystemTime));
  ASSERT_TRUE(handler->WaitForPackets(2));
  const auto packets = handler->Packets();
  EXPECT_EQ(packets[0].time, 1000);
  EXPECT_EQ(packets[1].time, 999);
  EXPECT_EQ(
      log.Messages(orvlog::Severity::Trace),
      std::vector<std::string>{"<cam> ProcessVideoFrames: ignore color frame with time: 1000"});
}

TEST_F(DeliveryTest, PacketsKeptByTheHostDoNotStarveTheCamera) {
  const ManualCamera small("small-pool", [](rs2sim::DeviceSpec& spec) { spec.poolSize = 2; });
  source = CreateSource(small.Url(), "cam");
  source->Start(StartWith(handler));
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(small.Emit(ColorAndDepth(1000 + i, kSystemTime)).delivered) << i;
    ASSERT_TRUE(handler->WaitForPackets(static_cast<std::size_t>(i) + 1));
  }
  source->Stop();
  EXPECT_GT(rs2sim::GetCounters().framesAlive, 0);
  handler->Clear();
  EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters()));
}

}  // namespace
}  // namespace vs_realsense2_test
