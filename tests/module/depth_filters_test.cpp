// Depth post-processing: what each filter and the alignment to colour deliver, the order of
// the chain, the temporal history across a restart and a playback loop, and values that
// cannot be used. rs2sim's blocks do simple arithmetic (sim/src/engine/depth_filters.cpp)
// and the library's geometry.
#include <cstring>
#include <functional>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

// Depth in millimetres at a pixel.
using Pattern = std::function<std::uint16_t(int x, int y)>;

Pattern Flat(std::uint16_t mm) {
  return [mm](int, int) { return mm; };
}

// RGB8 colour at 1280x720 and depth drawn from `depthAt`, as rs2sim's D435 streams them.
rs2sim::FramesetSpec Scene(double timestamp, const Pattern& depthAt) {
  constexpr int kWidth = 848;
  constexpr int kHeight = 480;
  rs2sim::FrameSpec depth = DepthFrame(timestamp, kSystemTime, kWidth, kHeight);
  depth.bytes.resize(std::size_t{kWidth} * kHeight * 2);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint16_t mm = depthAt(x, y);
      std::memcpy(&depth.bytes[(static_cast<std::size_t>(y) * kWidth + x) * 2], &mm, 2);
    }
  }
  return Set({ColorFrame(timestamp, kSystemTime, RS2_FORMAT_RGB8, 1280, 720), depth});
}

class DepthFiltersTest : public CameraTest {
 protected:
  // The depth of the packet that a scene becomes.
  boost::shared_ptr<vid_db::media::DepthFrame> DepthOfScene(double time, const Pattern& depthAt) {
    return DepthOf(Deliver(Scene(time, depthAt)));
  }

  // Unsupervised: a restart by the watchdog on a slow machine would give the temporal filter
  // a new history where a case expects none.
  void Restart(const std::string& query) {
    if (source)
      source->Stop();
    Open(camera.Url("watchdog_ms=0&" + query));
  }

  Texts ChainLines() {
    Texts lines;
    for (const std::string& line : log.Messages(kInfo)) {
      if (line.rfind("<cam> DepthChain: ", 0) == 0)
        lines.push_back(line);
    }
    return lines;
  }
};

// The library's sizes: each side divided by the factor, padded with 0 to a multiple of 4
// (measured on librealsense2 2.54.2).
TEST_F(DepthFiltersTest, DecimationDividesTheGeometryAndPadsToFour) {
  const std::vector<std::pair<unsigned, unsigned>> sizes = {
      {424, 240}, {284, 160}, {212, 120}, {172, 96}, {144, 80}, {124, 68}, {108, 60}};
  double time = 1000;
  for (int factor = 2; factor <= 8; ++factor) {
    Restart("decimate=" + std::to_string(factor));
    const auto depth = DepthOfScene(time += 33, Flat(1000));
    ASSERT_TRUE(depth);
    const auto size = sizes[static_cast<std::size_t>(factor - 2)];
    EXPECT_EQ(depth->GetResolution(), size) << "factor " << factor;
    EXPECT_EQ(depth->GetStride(), size.first * 2) << "factor " << factor;
    EXPECT_EQ(depth->GetSize(), size.first * size.second * 2) << "factor " << factor;
    EXPECT_FLOAT_EQ(depth->GetUnits(), 0.001f);
    EXPECT_EQ(DepthAt(*depth, 0, 0), 1000);
    // 848 / 3 = 282 columns of blocks, then padding.
    if (factor == 3) {
      EXPECT_EQ(DepthAt(*depth, 281, 0), 1000);
      EXPECT_EQ(DepthAt(*depth, 282, 0), 0);
    }
  }
}

// rs2sim's optics: a wall at 1 m with a 10x10 block at 0.5 m whose top-left depth pixel is
// (500, 300) lands in colour columns 840..862 and rows 495..517; the wall just left of it
// (columns 826..839) is hidden from the depth camera and stays 0.
std::uint16_t WallWithBlock(int x, int y) {
  return x >= 500 && x < 510 && y >= 300 && y < 310 ? 500 : 1000;
}

TEST_F(DepthFiltersTest, AlignedDepthHasTheColourGeometryAndEachPixelComesFromWhereTheOpticsSay) {
  Open(camera.Url("align=color"));
  const rs2sim::Emitted emitted = camera.Emit(Scene(1000, WallWithBlock));
  ASSERT_TRUE(handler->WaitForPackets(1));
  const vid_db::media::Packet packet = handler->Packets()[0];
  EXPECT_EQ(packet.data, emitted.data[0]);  // colour as it came
  const auto depth = DepthOf(packet);
  ASSERT_TRUE(depth);
  EXPECT_EQ(depth->GetResolution(), std::make_pair(1280u, 720u));
  EXPECT_EQ(depth->GetStride(), 2560u);
  EXPECT_EQ(depth->GetSize(), 1280u * 720u * 2u);
  EXPECT_FLOAT_EQ(depth->GetUnits(), 0.001f);
  // {x, y, depth}: the block's corners, the wall beside them, the hidden wall, the image's corners.
  const int pixels[][3] = {{840, 495, 500}, {862, 517, 500},  {863, 506, 1000}, {851, 494, 1000},
                           {832, 506, 0},   {825, 506, 1000}, {0, 0, 1000},     {1279, 719, 1000}};
  for (const auto& [x, y, mm] : pixels)
    EXPECT_EQ(DepthAt(*depth, x, y), mm) << x << "," << y;
  EXPECT_TRUE(log.Messages(kError).empty());
  EXPECT_TRUE(ChainLines().empty());  // alignment alone is no chain to announce
}

// Inside means min <= depth <= max; a bound not given cuts nothing, where the block's own
// defaults (0.15 m, 4 m) would.
TEST_F(DepthFiltersTest, ThresholdZeroesExactlyWhatLiesOutside) {
  const std::vector<std::uint16_t> row = {0, 100, 499, 500, 1000, 1001, 5000};
  const Pattern scene = [&](int x, int) { return x < 7 ? row[static_cast<std::size_t>(x)] : 0; };
  const auto Row = [](const vid_db::media::DepthFrame& depth) {
    std::vector<std::uint16_t> values;
    for (int x = 0; x < 7; ++x)
      values.push_back(DepthAt(depth, x, 5));
    return values;
  };
  using Values = std::vector<std::uint16_t>;
  Restart("min_depth=0.5&max_depth=1");
  EXPECT_EQ(Row(*DepthOfScene(1000, scene)), (Values{0, 0, 0, 500, 1000, 0, 0}));
  Restart("min_depth=0.5");
  EXPECT_EQ(Row(*DepthOfScene(1033, scene)), (Values{0, 0, 0, 500, 1000, 1001, 5000}));
  Restart("max_depth=1");
  EXPECT_EQ(Row(*DepthOfScene(1066, scene)), (Values{0, 100, 499, 500, 1000, 0, 0}));
  EXPECT_EQ(ChainLines(), (Texts{"<cam> DepthChain: depth chain: threshold 0.5-1.0 m",
                                 "<cam> DepthChain: depth chain: threshold 0.5-16.0 m",
                                 "<cam> DepthChain: depth chain: threshold 0.0-1.0 m"}));
}

// The hole filling runs after the threshold, so a cut pixel is filled from its left; the
// whole chain is named in the library's order whatever the address's order, and alignment
// runs last: after decimation the depth still takes the colour geometry.
TEST_F(DepthFiltersTest, TheChainRunsInTheLibrarysOrder) {
  Restart("hole_fill=0&min_depth=0.5");
  const auto depth = DepthOfScene(1000, [](int x, int) -> std::uint16_t {
    return x == 1 ? 100 : static_cast<std::uint16_t>(1000 + x);
  });
  EXPECT_EQ(DepthAt(*depth, 1, 0), 1000);
  EXPECT_EQ(DepthAt(*depth, 2, 0), 1002);

  log.Clear();
  Restart("align=color&hole_fill=1&temporal=1&spatial=1&max_depth=4&min_depth=0.3&decimate=2");
  EXPECT_EQ(ChainLines(),
            (Texts{"<cam> DepthChain: depth chain: decimate 2 > threshold 0.3-4.0 m > disparity > "
                   "spatial > temporal > depth > hole fill 1 > align color"}));
  const auto aligned = DepthOfScene(1033, Flat(1000));
  EXPECT_EQ(aligned->GetResolution(), std::make_pair(1280u, 720u));
  EXPECT_EQ(aligned->GetStride(), 2560u);
  EXPECT_FLOAT_EQ(aligned->GetUnits(), 0.001f);
  EXPECT_EQ(DepthAt(*aligned, 640, 360), 1000);
  EXPECT_TRUE(log.Messages(kError).empty());
}

// rs2sim's temporal filter: disparity 10^6 / depth, blended 0.4 new to 0.6 old within 20:
// after 1000, a flat 1010 becomes 1004; with a new history it stays 1010.
TEST_F(DepthFiltersTest, EachStartGivesTheTemporalFilterANewHistory) {
  Restart("temporal=1");
  EXPECT_EQ(DepthAt(*DepthOfScene(1000, Flat(1000)), 10, 10), 1000);
  EXPECT_EQ(DepthAt(*DepthOfScene(1033, Flat(1010)), 10, 10), 1004);
  Restart("temporal=1");
  EXPECT_EQ(DepthAt(*DepthOfScene(1066, Flat(1010)), 10, 10), 1010);
}

TEST_F(DepthFiltersTest, APlaybackLoopGivesTheTemporalFilterANewHistory) {
  rs2sim::WriteRecording(recording, {rs2sim::DefaultCamera("recorded"),
                                     {{RS2_STREAM_COLOR, 0, RS2_FORMAT_RGB8, 1280, 720, 30},
                                      {RS2_STREAM_DEPTH, 0, RS2_FORMAT_Z16, 848, 480, 30}},
                                     {Scene(1000, Flat(1000)), Scene(1033, Flat(1010))}});
  PlayBack("watchdog_ms=0&temporal_alpha=0.5&temporal=1");
  ASSERT_TRUE(handler->WaitForPackets(4));
  source->Stop();
  std::vector<std::uint16_t> delivered;
  for (const auto& packet : handler->Packets())
    delivered.push_back(DepthAt(*DepthOf(packet), 10, 10));
  delivered.resize(4);
  // Blended at alpha 0.5: 10^6 / ((990.1 + 1000) / 2) = 1005.
  EXPECT_EQ(delivered, (std::vector<std::uint16_t>{1000, 1005, 1000, 1005}));
  EXPECT_GE(log.Count(kDebug,
                      "<cam> DepthChain: time stepped back: the temporal filter starts "
                      "a new history"),
            1u);
  EXPECT_EQ(ChainLines(), (Texts{"<cam> DepthChain: depth chain: disparity > temporal alpha 0.5 "
                                 "> depth"}));
}

// Texts that are no values are the address suite's (ControlParamsTest) and warned at the
// source's creation (ControlsTest).
TEST_F(DepthFiltersTest, ValuesOutsideTheirFiltersRangeAreWarnedAndTheirFilterIsOff) {
  Restart("decimate=9&min_depth=2&max_depth=1&spatial=1&spatial_alpha=0.1&temporal=1&hole_fill=3");
  EXPECT_EQ(log.Messages(kWarning),
            (Texts{"<cam> DepthChain: decimate: 9 is not in the decimation filter's range 1..8; "
                   "decimation off",
                   "<cam> DepthChain: min_depth 2 is not below max_depth 1; threshold off",
                   "<cam> DepthChain: spatial_alpha: 0.1 is not in the spatial filter's range "
                   "0.25..1; spatial off",
                   "<cam> DepthChain: hole_fill: 3 is not in the hole filling filter's range 0..2; "
                   "hole filling off"}));
  EXPECT_EQ(ChainLines(), (Texts{"<cam> DepthChain: depth chain: disparity > temporal > depth"}));
  const auto depth = DepthOfScene(1000, Flat(3000));
  EXPECT_EQ(depth->GetResolution(), std::make_pair(848u, 480u));
  EXPECT_EQ(DepthAt(*depth, 0, 0), 3000);
}

}  // namespace
}  // namespace vs_realsense2_test
