#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <boost/make_shared.hpp>

#include "colour_map.hpp"
#include "png_reader.hpp"
#include "snapshot_writer.hpp"
#include "vs_stream/video_params.hpp"

namespace rs_host {
namespace {

TEST(ColouriseDepth, NearAndFarTakeTheEndsZeroIsBlackAndBadViewsAreRefused) {
  // 3x2 little-endian, rows padded by 2 bytes: 0 (no depth), 1000, 2000 / 3000, 0, 1000.
  const std::vector<std::uint8_t> bytes = {0,    0,  0xe8, 3, 0xd0, 7, 0xee, 0xee,
                                           0xb8, 11, 0,    0, 0xe8, 3, 0xee, 0xee};
  const auto result = ColouriseDepth({bytes.data(), bytes.size(), 8, 3, 2});
  EXPECT_EQ(result.nearest, 1000);
  EXPECT_EQ(result.farthest, 3000);
  std::vector<std::uint8_t> expected;
  for (const Rgb& c : {Rgb{0, 0, 0}, DepthColour(0.0), DepthColour(0.5), DepthColour(1.0),
                       Rgb{0, 0, 0}, DepthColour(0.0)})
    expected.insert(expected.end(), c.begin(), c.end());
  EXPECT_EQ(result.rgb, expected);

  // A flat frame takes the near end rather than dividing by a zero span.
  const auto flat = ColouriseDepth({bytes.data() + 2, 2, 2, 1, 1});  // the lone 1000
  EXPECT_EQ(flat.rgb, std::vector<std::uint8_t>(expected.begin() + 3, expected.begin() + 6));

  EXPECT_THROW(ColouriseDepth({bytes.data(), bytes.size(), 2, 3, 2}), std::invalid_argument);
  EXPECT_THROW(ColouriseDepth({bytes.data(), bytes.size(), 8, 3, 3}), std::invalid_argument);
}

// Bytes of a width x height image; the depth accessors matter only where it
// stands for depth, at 16 bits a pixel.
class Frame : public vid_db::media::DepthFrame {
 public:
  Frame(std::vector<std::uint8_t> bytes, std::uint32_t width, std::uint32_t height)
      : bytes_(std::move(bytes)), width_(width), height_(height) {}
  const std::uint8_t* GetData() const override { return bytes_.data(); }
  std::uint64_t GetSize() const override { return bytes_.size(); }
  std::uint64_t GetStride() const override { return width_ * 2u; }
  float GetUnits() const override { return 0.001f; }
  std::pair<std::uint32_t, std::uint32_t> GetResolution() const override {
    return {width_, height_};
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t width_;
  std::uint32_t height_;
};

// A writer into a folder of the case's own, not there yet: the writer makes it.
class SnapshotWriterTest : public ::testing::Test {
 protected:
  ~SnapshotWriterTest() override { std::filesystem::remove_all(dir_); }

  const std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() /
      ("rs-host-snapshots-" + std::to_string(::getpid()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
  const SnapshotWriter writer{dir_.string()};
};

// The depth snapshot and RGB colour are covered end to end; here BGR colour
// with padded rows, and a frame that never came.
TEST_F(SnapshotWriterTest, WritesBgrColourAsRgbAndReportsAMissingFrame) {
  // 2x2, rows padded to 8 bytes.
  const std::vector<std::uint8_t> bgr = {30, 20, 10, 60,  50,  40,  0, 0,
                                         90, 80, 70, 120, 110, 100, 0, 0};
  KeptFrames frames;
  frames.colour = ColourImage{boost::make_shared<Frame>(bgr, 2, 2),
                              VideoFormat{2, 2, vs_stream::kPixelFormatBgr24}};
  const auto result = writer.Write("cam0", frames);
  EXPECT_EQ(result.problems, std::vector<std::string>{});
  ASSERT_EQ(result.written, std::vector<std::string>{writer.ColourPath("cam0")});
  ASSERT_EQ(result.missing.size(), 1u);
  EXPECT_NE(result.missing[0].find("no depth frame"), std::string::npos);
  const auto colour = rs_host_test::DecodePngFile(writer.ColourPath("cam0"));
  ASSERT_TRUE(colour.ok) << colour.message;
  EXPECT_EQ(colour.rgb,
            (std::vector<std::uint8_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}));
}

// Depth aligned to colour has the colour image's size: then the overlay shows both at once.
TEST_F(SnapshotWriterTest, SameSizedColourAndDepthAlsoGiveAnOverlay) {
  // 2x1 BGR: red, green; depth: none, 1000 (the nearest, so DepthColour(0)).
  KeptFrames frames;
  frames.colour =
      ColourImage{boost::make_shared<Frame>(std::vector<std::uint8_t>{0, 0, 200, 0, 200, 0}, 2, 1),
                  VideoFormat{2, 1, vs_stream::kPixelFormatBgr24}};
  frames.depth = boost::make_shared<Frame>(std::vector<std::uint8_t>{0, 0, 0xe8, 3}, 2, 1);
  const auto result = writer.Write("cam0", frames);
  EXPECT_EQ(result.problems, std::vector<std::string>{});
  EXPECT_EQ(result.written,
            (std::vector<std::string>{writer.ColourPath("cam0"), writer.DepthPath("cam0"),
                                      writer.OverlayPath("cam0")}));
  const auto overlay = rs_host_test::DecodePngFile(writer.OverlayPath("cam0"));
  ASSERT_TRUE(overlay.ok) << overlay.message;
  const Rgb near = DepthColour(0.0);
  EXPECT_EQ(overlay.rgb,
            (std::vector<std::uint8_t>{200, 0, 0, static_cast<std::uint8_t>(near[0] / 2),
                                       static_cast<std::uint8_t>((200 + near[1]) / 2),
                                       static_cast<std::uint8_t>(near[2] / 2)}));

  // Depth of its own size: no overlay.
  frames.depth = boost::make_shared<Frame>(std::vector<std::uint8_t>{0xe8, 3}, 1, 1);
  const auto unaligned = writer.Write("cam1", frames);
  EXPECT_EQ(unaligned.written,
            (std::vector<std::string>{writer.ColourPath("cam1"), writer.DepthPath("cam1")}));
}

}  // namespace
}  // namespace rs_host
