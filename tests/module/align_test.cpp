// align=color: the depth attachment in the colour image's geometry; c_format=bgr8.
#include <cstring>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

// rs2sim's optics: a wall at 1 m with a 10x10 block at 0.5 m whose top-left depth pixel is
// (500, 300) lands in colour columns 840..862 and rows 495..517; the wall just left of it
// (columns 826..839) is hidden from the depth camera and stays 0.
rs2sim::FramesetSpec WallWithBlock(double timestamp) {
  rs2sim::FrameSpec depth = DepthFrame(timestamp, kSystemTime, 848, 480);
  depth.bytes.resize(848 * 480 * 2);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 848; ++x) {
      const std::uint16_t mm = x >= 500 && x < 510 && y >= 300 && y < 310 ? 500 : 1000;
      std::memcpy(&depth.bytes[(y * 848 + x) * 2], &mm, 2);
    }
  }
  return Set({ColorFrame(timestamp, kSystemTime, RS2_FORMAT_RGB8, 1280, 720), depth});
}

using AlignTest = CameraTest;

TEST_F(AlignTest, DepthHasTheColourGeometryAndEachPixelComesFromWhereTheOpticsSay) {
  source = CreateSource(camera.Url("align=color"), "cam");
  source->Start(StartWith(handler));
  const rs2sim::Emitted emitted = camera.Emit(WallWithBlock(1000));
  ASSERT_TRUE(handler->WaitForPackets(1));
  const vid_db::media::Packet packet = handler->Packets()[0];
  EXPECT_EQ(packet.data, emitted.data[0]);  // colour as it came
  const auto depth = DepthOf(packet);
  ASSERT_TRUE(depth);
  EXPECT_EQ(depth->GetResolution(), std::make_pair(1280u, 720u));
  EXPECT_EQ(depth->GetStride(), 2560u);
  EXPECT_EQ(depth->GetSize(), 1280u * 720u * 2u);
  EXPECT_FLOAT_EQ(depth->GetUnits(), 0.001f);
  EXPECT_EQ(DepthAt(*depth, 840, 495), 500);
  EXPECT_EQ(DepthAt(*depth, 862, 517), 500);
  EXPECT_EQ(DepthAt(*depth, 863, 506), 1000);
  EXPECT_EQ(DepthAt(*depth, 851, 494), 1000);
  EXPECT_EQ(DepthAt(*depth, 832, 506), 0);
  EXPECT_EQ(DepthAt(*depth, 825, 506), 1000);
  EXPECT_EQ(DepthAt(*depth, 0, 0), 1000);
  EXPECT_EQ(DepthAt(*depth, 1279, 719), 1000);
  EXPECT_TRUE(log.Messages(orvlog::Severity::Error).empty());
}

// Sizes that are not square catch a width asked for as a height.
TEST_F(AlignTest, Bgr8ColourAndBothSizesAreRequestedAsGivenAndAnnouncedAsPixelFormat8) {
  source = CreateSource(
      camera.Url("c_format=bgr8&c_width=640&c_height=480&d_width=1280&d_height=720"), "cam");
  source->Start(StartWith(handler));
  EXPECT_EQ(log.Count(orvlog::Severity::Debug,
                      "<cam> PrintProfile: stream: Color as BGR8 at 30 Hz; resolution: 640x480"),
            1u);
  EXPECT_EQ(log.Count(orvlog::Severity::Debug,
                      "<cam> PrintProfile: stream: Depth as Z16 at 30 Hz; resolution: 1280x720"),
            1u);
  camera.Emit(Set({ColorFrame(1000, kSystemTime, RS2_FORMAT_BGR8, 640, 480)}));
  ASSERT_TRUE(handler->WaitForPackets(1));
  const auto params = handler->Params();
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(params[0].rawVideo->pixelFormat, 8u);
}

}  // namespace
}  // namespace vs_realsense2_test
