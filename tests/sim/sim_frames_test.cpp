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

// What the SDK's frame numbers show: frames lost before the library as gaps,
// a counter reset as a step back, and a stream without a new frame as its
// last frame repeated by the syncer.
TEST_F(Frames, NumbersCountPerStreamWithGapsResetsAndRepeatsOnDemand) {
  const auto numbers = [&](const rs2sim::FramesetSpec& set) {
    const rs2::frameset frames(Deliver(set));
    return std::make_pair(frames.get_color_frame().get_frame_number(),
                          frames.get_depth_frame().get_frame_number());
  };
  using Pair = std::pair<unsigned long long, unsigned long long>;
  EXPECT_EQ(numbers({{Color(), Depth()}}), Pair(1, 1));
  rs2sim::FrameSpec skipping = Color();
  skipping.skip = 2;
  rs2sim::FrameSpec repeated = Depth(5.0);
  repeated.repeatLast = true;
  EXPECT_EQ(numbers({{skipping, repeated}}), Pair(4, 1));
  rs2sim::FrameSpec set = Depth();
  set.number = 100;
  EXPECT_EQ(numbers({{Color(), set}}), Pair(5, 100));
  skipping.number = 2;  // a reset: the stream goes on from it
  EXPECT_EQ(numbers({{skipping, Depth()}}), Pair(2, 101));

  // The repeated frame is the last one: its data and time, not the ones given with it.
  const auto first = rs2sim::Emit(kManual, {{Color(), Depth(7.0)}});
  const rs2::frameset again(Deliver({{Color(), repeated}}));
  EXPECT_EQ(again.get_depth_frame().get_data(), first.data[1]);
  EXPECT_EQ(again.get_depth_frame().get_timestamp(), 7.0);
  EXPECT_EQ(again.get_depth_frame().get_frame_number(), 102u);
}

TEST_F(Frames, FrameCounterMetadataIsTheNumberOnDevicesThatSendIt) {
  const rs2::frame color = rs2::frameset(Deliver({{Color(), Depth()}})).get_color_frame();
  EXPECT_TRUE(color.supports_frame_metadata(RS2_FRAME_METADATA_FRAME_COUNTER));
  EXPECT_EQ(color.get_frame_metadata(RS2_FRAME_METADATA_FRAME_COUNTER), 1);
  EXPECT_FALSE(color.supports_frame_metadata(RS2_FRAME_METADATA_ACTUAL_FPS));

  pipe_.reset();
  UseManualCamera(2, false);
  pipe_ = std::make_unique<rs2::pipeline>();
  pipe_->start(Collect{collector_});
  const rs2::frame numbered = rs2::frameset(Deliver({{Color(), Depth()}})).get_depth_frame();
  EXPECT_FALSE(numbered.supports_frame_metadata(RS2_FRAME_METADATA_FRAME_COUNTER));
  EXPECT_EQ(numbered.get_frame_number(), 1u);
  EXPECT_THROW(numbered.get_frame_metadata(RS2_FRAME_METADATA_FRAME_COUNTER),
               rs2::invalid_value_error);
}

}  // namespace
}  // namespace rs2sim_test
