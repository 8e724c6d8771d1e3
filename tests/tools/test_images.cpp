#include <gtest/gtest.h>
#include <boost/make_shared.hpp>

#include "child_process.hpp"
#include "colour_map.hpp"
#include "png_reader.hpp"
#include "png_writer.hpp"
#include "snapshot_writer.hpp"

namespace rs_host {
namespace {

using rs_host_test::DecodePngBytes;
using rs_host_test::DecodePngFile;

TEST(DepthColour, RunsFromBlueThroughGreenToRed) {
  const Rgb nearEnd = DepthColour(0.0);
  const Rgb middle = DepthColour(0.5);
  const Rgb farEnd = DepthColour(1.0);
  EXPECT_GT(nearEnd[2], nearEnd[0]);  // blue above red
  EXPECT_GT(middle[1], middle[2]);    // green leads in the middle
  EXPECT_GT(middle[1], 150);
  EXPECT_GT(farEnd[0], farEnd[1]);  // dark red at the far end
  EXPECT_GT(farEnd[0], farEnd[2]);
  // Values outside 0..1 are clamped, not extrapolated.
  EXPECT_EQ(DepthColour(-3.0), nearEnd);
  EXPECT_EQ(DepthColour(7.0), farEnd);
  EXPECT_EQ(Turbo(-3.0), Turbo(0));
  EXPECT_EQ(Turbo(7.0), Turbo(1));
}

TEST(DepthColour, IsNeverNearBlackSoThatBlackStaysForNoDepth) {
  for (int i = 0; i <= 1000; ++i) {
    const Rgb c = DepthColour(i / 1000.0);
    EXPECT_GT(c[0] + c[1] + c[2], 120) << i;
  }
}

std::vector<std::uint8_t> DepthBytes(const std::vector<std::uint16_t>& values, std::size_t padding,
                                     std::uint32_t width) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < values.size(); ++i) {
    bytes.push_back(static_cast<std::uint8_t>(values[i] & 0xff));
    bytes.push_back(static_cast<std::uint8_t>(values[i] >> 8));
    if ((i + 1) % width == 0)
      bytes.insert(bytes.end(), padding, 0xee);
  }
  return bytes;
}

TEST(ColouriseDepth, NearAndFarTakeTheEndsAndZeroIsBlack) {
  // 3x2, rows padded by 2 bytes: 0 (no depth), 1000, 2000 / 3000, 0, 1000.
  const auto bytes = DepthBytes({0, 1000, 2000, 3000, 0, 1000}, 2, 3);
  const DepthView view{bytes.data(), bytes.size(), 8, 3, 2};
  const auto result = ColouriseDepth(view);
  EXPECT_EQ(result.nearest, 1000);
  EXPECT_EQ(result.farthest, 3000);
  ASSERT_EQ(result.rgb.size(), 18u);
  const auto pixel = [&result](int i) {
    return Rgb{result.rgb[3 * i], result.rgb[3 * i + 1], result.rgb[3 * i + 2]};
  };
  EXPECT_EQ(pixel(0), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(1), DepthColour(0.0));
  EXPECT_EQ(pixel(2), DepthColour(0.5));
  EXPECT_EQ(pixel(3), DepthColour(1.0));
  EXPECT_EQ(pixel(4), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(5), DepthColour(0.0));
}

TEST(ColouriseDepth, FlatAndEmptyFrames) {
  const auto flat = DepthBytes({700, 700, 700, 700}, 0, 2);
  const auto flatResult = ColouriseDepth({flat.data(), flat.size(), 4, 2, 2});
  EXPECT_EQ(flatResult.nearest, 700);
  EXPECT_EQ(flatResult.farthest, 700);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(flatResult.rgb[3 * i], DepthColour(0.0)[0]);
  }
  const auto empty = DepthBytes({0, 0, 0, 0}, 0, 2);
  const auto emptyResult = ColouriseDepth({empty.data(), empty.size(), 4, 2, 2});
  for (const auto byte : emptyResult.rgb)
    EXPECT_EQ(byte, 0);
}

TEST(ColouriseDepth, RejectsViewsThatDoNotHoldTheImage) {
  const std::vector<std::uint8_t> bytes(16);
  EXPECT_THROW(ColouriseDepth({bytes.data(), bytes.size(), 8, 0, 2}), std::invalid_argument);
  EXPECT_THROW(ColouriseDepth({bytes.data(), bytes.size(), 2, 2, 2}), std::invalid_argument);
  EXPECT_THROW(ColouriseDepth({bytes.data(), bytes.size(), 8, 4, 3}), std::invalid_argument);
  EXPECT_THROW(ColouriseDepth({nullptr, 16, 8, 4, 2}), std::invalid_argument);
  EXPECT_NO_THROW(ColouriseDepth({bytes.data(), bytes.size(), 8, 4, 2}));
}

TEST(EncodePng, RgbAndBgrDecodeToTheSamePicture) {
  // 2x2, rows padded to 8 bytes.
  const std::vector<std::uint8_t> rgb = {10, 20, 30, 40,  50,  60,  0, 0,
                                         70, 80, 90, 100, 110, 120, 0, 0};
  std::vector<std::uint8_t> bgr = rgb;
  for (std::size_t row = 0; row < 2; ++row) {
    for (std::size_t x = 0; x < 2; ++x)
      std::swap(bgr[row * 8 + 3 * x], bgr[row * 8 + 3 * x + 2]);
  }
  const auto fromRgb =
      DecodePngBytes(EncodePng({rgb.data(), rgb.size(), 8, 2, 2, PixelOrder::Rgb}));
  const auto fromBgr =
      DecodePngBytes(EncodePng({bgr.data(), bgr.size(), 8, 2, 2, PixelOrder::Bgr}));
  ASSERT_TRUE(fromRgb.ok) << fromRgb.message;
  ASSERT_TRUE(fromBgr.ok) << fromBgr.message;
  EXPECT_EQ(fromRgb.width, 2u);
  EXPECT_EQ(fromRgb.height, 2u);
  const std::vector<std::uint8_t> packed = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  EXPECT_EQ(fromRgb.rgb, packed);
  EXPECT_EQ(fromBgr.rgb, packed);
}

TEST(EncodePng, RejectsImagesThatDoNotFit) {
  const std::vector<std::uint8_t> bytes(12);
  EXPECT_THROW(EncodePng({bytes.data(), bytes.size(), 0, 3, 2, PixelOrder::Rgb}), PngError);
  EXPECT_THROW(EncodePng({bytes.data(), bytes.size(), 0, 0, 2, PixelOrder::Rgb}), PngError);
  EXPECT_THROW(EncodePng({nullptr, 12, 0, 2, 2, PixelOrder::Rgb}), PngError);
  EXPECT_THROW(EncodePng({bytes.data(), bytes.size(), 5, 2, 2, PixelOrder::Rgb}), PngError);
  EXPECT_NO_THROW(EncodePng({bytes.data(), bytes.size(), 0, 2, 2, PixelOrder::Rgb}));
}

class Bytes : public vid_db::media::PackBuf {
 public:
  explicit Bytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  const std::uint8_t* GetData() const override { return bytes_.data(); }
  std::uint64_t GetSize() const override { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

class Depth : public vid_db::media::DepthFrame {
 public:
  Depth(std::vector<std::uint8_t> bytes, std::uint32_t width, std::uint32_t height)
      : bytes_(std::move(bytes)), width_(width), height_(height) {}
  const std::uint8_t* GetData() const override { return bytes_.data(); }
  std::uint64_t GetSize() const override { return bytes_.size(); }
  std::uint64_t GetStride() const override { return 2u * width_; }
  float GetUnits() const override { return 0.001f; }
  std::pair<std::uint32_t, std::uint32_t> GetResolution() const override {
    return {width_, height_};
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t width_;
  std::uint32_t height_;
};

TEST(SnapshotWriter, WritesColourAndColourisedDepth) {
  const rs_host_test::TempDir dir;
  const SnapshotWriter writer((dir.Path() / "new" / "shots").string());
  KeptFrames frames;
  // 4x3 BGR, every pixel blue 200, green 100, red 50.
  std::vector<std::uint8_t> bgr;
  for (int i = 0; i < 12; ++i)
    bgr.insert(bgr.end(), {200, 100, 50});
  frames.colour = ColourImage{boost::make_shared<Bytes>(bgr), VideoFormat{4, 3, 8}};
  frames.depth = boost::make_shared<Depth>(DepthBytes({0, 500, 900, 1300, 0, 0}, 0, 3), 3, 2);

  const auto result = writer.Write("cam0", frames);
  EXPECT_TRUE(result.problems.empty());
  EXPECT_TRUE(result.missing.empty());
  ASSERT_EQ(result.written.size(), 2u);
  EXPECT_EQ(result.written[0], writer.ColourPath("cam0"));
  EXPECT_NE(result.written[0].find("cam0_color.png"), std::string::npos);
  EXPECT_NE(result.written[1].find("cam0_depth.png"), std::string::npos);

  const auto colour = DecodePngFile(writer.ColourPath("cam0"));
  ASSERT_TRUE(colour.ok) << colour.message;
  EXPECT_EQ(colour.width, 4u);
  EXPECT_EQ(colour.height, 3u);
  EXPECT_EQ(colour.Pixel(3, 2)[0], 50);   // red
  EXPECT_EQ(colour.Pixel(3, 2)[2], 200);  // blue

  const auto depth = DecodePngFile(writer.DepthPath("cam0"));
  ASSERT_TRUE(depth.ok) << depth.message;
  EXPECT_EQ(depth.width, 3u);
  EXPECT_EQ(depth.height, 2u);
  EXPECT_EQ(depth.Pixel(0, 0)[0] + depth.Pixel(0, 0)[1] + depth.Pixel(0, 0)[2], 0);
  EXPECT_EQ(depth.Pixel(1, 0)[2], DepthColour(0.0)[2]);
  EXPECT_EQ(depth.Pixel(0, 1)[0], DepthColour(1.0)[0]);
}

TEST(SnapshotWriter, ReportsWhatItCouldNotWrite) {
  const rs_host_test::TempDir dir;
  const SnapshotWriter writer(dir.Path().string());
  const auto none = writer.Write("cam1", KeptFrames{});
  EXPECT_TRUE(none.written.empty());
  EXPECT_TRUE(none.problems.empty());
  ASSERT_EQ(none.missing.size(), 2u);
  EXPECT_NE(none.missing[0].find("no colour frame"), std::string::npos);
  EXPECT_NE(none.missing[1].find("no depth frame"), std::string::npos);

  KeptFrames yuv;
  yuv.colour =
      ColourImage{boost::make_shared<Bytes>(std::vector<std::uint8_t>(8)), VideoFormat{2, 2, 3}};
  const auto unknown = writer.Write("cam1", yuv);
  ASSERT_FALSE(unknown.problems.empty());
  EXPECT_NE(unknown.problems[0].find("format 3"), std::string::npos);
}

TEST(SnapshotWriter, ADirectoryThatCannotBeMadeIsAnError) {
  const rs_host_test::TempDir dir;
  WriteFile((dir.Path() / "file").string(), {1, 2, 3});
  EXPECT_THROW(SnapshotWriter((dir.Path() / "file" / "sub").string()), std::runtime_error);
}

}  // namespace
}  // namespace rs_host
