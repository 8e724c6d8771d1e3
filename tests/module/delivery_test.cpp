// From an emitted frameset, through the queue, to the host's handler.
#include <chrono>
#include <thread>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

using DeliveryTest = CameraTest;

TEST_F(DeliveryTest, EachFormatOrSizeIsAnnouncedBeforeItsPacketsWhichPointIntoLibraryFrames) {
  StartCamera();
  const rs2sim::Emitted emitted = camera.Emit(ColorAndDepth(1000));
  ASSERT_TRUE(handler->WaitForPackets(1));
  camera.Emit(Set({ColorFrame(1001, kSystemTime)}));
  camera.Emit(Set({ColorFrame(1002, kSystemTime, RS2_FORMAT_BGR8)}));
  camera.Emit(Set({ColorFrame(1003, kSystemTime, RS2_FORMAT_BGR8, 320, 240)}));
  ASSERT_TRUE(handler->WaitForPackets(4));
  EXPECT_EQ(handler->Calls(), "APPAPAP");

  std::vector<std::vector<std::uint32_t>> raw;
  for (const auto& p : handler->Params()) {
    ASSERT_TRUE(p.rawVideo && !p.video && !p.audio);
    raw.push_back(
        {p.rawVideo->kind, p.rawVideo->width, p.rawVideo->height, p.rawVideo->pixelFormat});
  }
  EXPECT_EQ(raw, (std::vector<std::vector<std::uint32_t>>{
                     {32000, 640, 480, 16}, {32000, 640, 480, 8}, {32000, 320, 240, 8}}));

  const vid_db::media::Packet packet = handler->Packets()[0];
  EXPECT_EQ(packet.data, emitted.data[0]);
  EXPECT_EQ(packet.size, 640u * 480u * 3u);
  EXPECT_EQ(packet.dataBuf->GetData(), packet.data);
  EXPECT_EQ(packet.flags, vid_db::media::kPacketKeyFrame);
  ASSERT_EQ(packet.attachments.size(), 1u);
  const auto depth =
      boost::dynamic_pointer_cast<vid_db::media::DepthFrame>(packet.attachments.at("depth"));
  ASSERT_TRUE(depth);
  EXPECT_EQ(depth->GetData(), emitted.data[1]);
  EXPECT_EQ(depth->GetSize(), 640u * 480u * 2u);
  EXPECT_EQ(depth->GetStride(), 1280u);
  EXPECT_FLOAT_EQ(depth->GetUnits(), 0.001f);
  EXPECT_EQ(depth->GetResolution(), std::make_pair(640u, 480u));
}

// Sizes that are not square catch a width asked for as a height. BGR8 is announced as pixel
// format 8 in the case above.
TEST_F(DeliveryTest, Bgr8ColourAndBothSizesAreRequestedAsGiven) {
  Open(camera.Url("c_format=bgr8&c_width=640&c_height=480&d_width=1280&d_height=720"));
  EXPECT_EQ(Reported("Color as BGR8 at 30 Hz; resolution: 640x480"), 1u);
  EXPECT_EQ(Reported("Depth as Z16 at 30 Hz; resolution: 1280x720"), 1u);
}

TEST_F(DeliveryTest, ColourThatCannotBeDeliveredIsDroppedWithOneLineEach) {
  StartCamera();
  camera.Emit(Set({ColorFrame(1000, kSystemTime, RS2_FORMAT_YUYV)}));
  camera.Emit(Set({ColorFrame(1001, kSystemTime, RS2_FORMAT_YUYV)}));
  camera.Emit(Set({ColorFrame(1002, kSystemTime, RS2_FORMAT_RGB8, 0, 480)}));
  ASSERT_TRUE(log.WaitFor(kError, "<cam> UpdateVideoParams: invalid color frame with fmt: RGB8"));

  // Infrared stands in for colour only in RGB8; a lone frame is no frameset.
  rs2sim::FrameSpec infrared = ColorFrame(1003, kSystemTime, RS2_FORMAT_Y8);
  infrared.stream = RS2_STREAM_INFRARED;
  infrared.index = 1;
  rs2sim::FramesetSpec single = Set({ColorFrame(1004, kSystemTime)});
  single.composite = false;
  rs2sim::FrameSpec empty = ColorFrame(1005, kSystemTime, RS2_FORMAT_RGB8, 320, 240);
  empty.dataSize = 0;
  camera.Emit(Set({infrared, DepthFrame(1003, kSystemTime)}));
  camera.Emit(single);
  camera.Emit(Set({empty}));
  ASSERT_TRUE(log.WaitFor(kError, "<cam> ProcessVideoFrames: invalid frame"));

  rs2sim::FrameSpec noData = ColorFrame(1006, kSystemTime);
  noData.nullData = true;
  infrared.format = RS2_FORMAT_RGB8;
  camera.Emit(Set({noData}));
  const rs2sim::Emitted used = camera.Emit(Set({infrared, DepthFrame(1007, kSystemTime)}));
  ASSERT_TRUE(handler->WaitForPackets(1));
  EXPECT_EQ(handler->Packets()[0].data, used.data[0]);
  // Frames without data are announced first: their size is known.
  EXPECT_EQ(handler->Calls(), "AAP");
  EXPECT_EQ(handler->Params()[0].rawVideo->width, 320u);
  EXPECT_EQ(log.Messages(kError),
            (Texts{"<cam> UpdateVideoParams: invalid color frame with fmt: YUYV",
                   "<cam> UpdateVideoParams: invalid color frame with fmt: YUYV",
                   "<cam> UpdateVideoParams: invalid color frame with fmt: RGB8",
                   "<cam> ProcessVideoFrames: invalid frame",
                   "<cam> ProcessVideoFrames: invalid frame"}));
  EXPECT_EQ(log.Count(kDebug, "<cam> ProcessVideoFrames: no color frame"), 1u);
}

TEST_F(DeliveryTest, UnusableDepthLeavesThePacketWithoutAttachment) {
  StartCamera();
  rs2sim::FrameSpec notZ16 = DepthFrame(1001, kSystemTime);
  notZ16.format = RS2_FORMAT_Y16;
  rs2sim::FrameSpec empty = DepthFrame(1002, kSystemTime);
  empty.dataSize = 0;
  rs2sim::FrameSpec noData = DepthFrame(1003, kSystemTime);
  noData.nullData = true;
  EXPECT_TRUE(Deliver(Set({ColorFrame(1000, kSystemTime)})).attachments.empty());
  for (const rs2sim::FrameSpec& depth : {notZ16, empty, noData})
    EXPECT_TRUE(
        Deliver(Set({ColorFrame(depth.timestamp, kSystemTime), depth})).attachments.empty());
  EXPECT_EQ(log.Count(kDebug, "<cam> ProcessVideoFrames: no depth frame"), 4u);
}

// A frameset the reader kept while it waits would pin a frame of the library's
// pool for as long as the camera is quiet.
TEST_F(DeliveryTest, TheReaderHoldsNoFrameWhileItWaits) {
  // Unsupervised: no restart may release it instead.
  StartCamera("watchdog_ms=0&stats_s=0");
  camera.Emit(ColorAndDepth(1000, kSystemTime));
  ASSERT_TRUE(handler->WaitForPackets(1));
  handler->Clear();
  // Polled, not slept on: nothing signals the reader's return to its wait.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (rs2sim::GetCounters().framesAlive != 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  EXPECT_EQ(rs2sim::GetCounters().framesAlive, 0);
}

}  // namespace
}  // namespace vs_realsense2_test
