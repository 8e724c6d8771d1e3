// Frames: the pool, keep, and what framesets offer.

#include "sim_test_support.hpp"

namespace rs2sim_test {
namespace {

class Frames : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    UseManualCamera(2);
    pipe_ = std::make_unique<rs2::pipeline>();
    pipe_->start(Collect{collector_});
  }
  void TearDown() override {
    pipe_.reset();
    collector_->Clear();
    SimTest::TearDown();
  }

  // What emitting `set` delivered.
  rs2::frame Deliver(const rs2sim::FramesetSpec& set) {
    collector_->Clear();
    EXPECT_TRUE(rs2sim::Emit(kManual, set).delivered);
    auto frames = collector_->Frames();
    collector_->Clear();
    return frames.empty() ? rs2::frame() : frames.front();
  }

  std::shared_ptr<Collector> collector_ = std::make_shared<Collector>();
  std::unique_ptr<rs2::pipeline> pipe_;
};

TEST_F(Frames, PoolRefusesFramesWhileUnkeptOnesAreHeldAndKeepFreesASlot) {
  const auto first = rs2sim::Emit(kManual, {{Color(0.0, 0x5A)}});
  ASSERT_TRUE(first.delivered);
  ASSERT_TRUE(rs2sim::Emit(kManual, {{Color(1.0)}}).delivered);
  EXPECT_FALSE(rs2sim::Emit(kManual, {{Color(2.0)}}).delivered);  // pool of 2 exhausted
  EXPECT_EQ(collector_->Frames().size(), 2u);
  {
    auto kept = rs2::frameset(collector_->Frames().front()).get_color_frame();
    kept.keep();
    EXPECT_EQ(rs2sim::GetCounters().framesKept, 1);
    EXPECT_TRUE(rs2sim::Emit(kManual, {{Color(3.0, 0x11)}}).delivered);
    // A held frame's data is neither moved nor overwritten by later frames.
    ASSERT_EQ(kept.get_data(), first.data[0]);
    const auto* bytes = static_cast<const std::uint8_t*>(kept.get_data());
    EXPECT_EQ(bytes[0], 0x5A);
    EXPECT_EQ(bytes[kept.get_data_size() - 1], 0x5A);
  }
  collector_->Clear();
  EXPECT_EQ(rs2sim::GetCounters().framesAlive, 0);
  EXPECT_TRUE(rs2sim::Emit(kManual, {{Color(4.0)}}).delivered);
}

TEST_F(Frames, FramesetOffersColourDepthAndInfraredLikeTheSdk) {
  rs2sim::FrameSpec ir = Color();
  ir.stream = RS2_STREAM_INFRARED;
  ir.index = 1;
  EXPECT_EQ(rs2::frameset(Deliver({{Depth(), ir}})).get_color_frame().get_profile().stream_type(),
            RS2_STREAM_INFRARED);  // an RGB8 infrared frame stands in for colour
  ir.format = RS2_FORMAT_Y8;
  EXPECT_FALSE(rs2::frameset(Deliver({{Depth(), ir}})).get_color_frame());

  rs2sim::FrameSpec depth = Depth();
  depth.format = RS2_FORMAT_DISPARITY16;
  EXPECT_FALSE(rs2::frameset(Deliver({{depth, Color()}})).get_depth_frame());
  depth.format = RS2_FORMAT_Z16;
  depth.depthUnits = 0.0001f;
  EXPECT_FLOAT_EQ(rs2::frameset(Deliver({{Color(), depth}})).get_depth_frame().get_units(),
                  0.0001f);

  const rs2::frame single = Deliver({{Color()}, false});
  EXPECT_FALSE(rs2::frameset(single));
  EXPECT_TRUE(single.is<rs2::video_frame>());
}

}  // namespace
}  // namespace rs2sim_test
