// Frames: reference counts, pools, keep, and what framesets offer.

#include <cstring>

#include "sim_test_support.hpp"

namespace rs2sim_test {
namespace {

class Frames : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    UseOnly(ManualCamera(kManual, 2));
    pipe_ = std::make_unique<rs2::pipeline>();
    pipe_->start(Collect{collector_});
  }
  void TearDown() override {
    pipe_.reset();
    collector_->Clear();
    SimTest::TearDown();
  }

  // The single frameset delivered by emitting `spec`.
  rs2::frameset Deliver(const rs2sim::FramesetSpec& spec) {
    collector_->Clear();
    EXPECT_TRUE(rs2sim::Emit(kManual, spec).delivered);
    auto frames = collector_->Frames();
    collector_->Clear();
    return frames.empty() ? rs2::frameset() : rs2::frameset(frames.front());
  }

  std::shared_ptr<Collector> collector_ = std::make_shared<Collector>();
  std::unique_ptr<rs2::pipeline> pipe_;
};

TEST_F(Frames, DataStaysValidAndUnchangedForTheFramesLife) {
  const auto emitted = rs2sim::Emit(kManual, {{Color(1.0, 0x5A)}});
  ASSERT_TRUE(emitted.delivered);
  auto held = rs2::frameset(collector_->Frames().front()).get_color_frame();
  collector_->Clear();
  rs2sim::Emit(kManual, {{Color(2.0, 0x11)}});
  ASSERT_EQ(held.get_data(), emitted.data[0]);
  const auto* bytes = static_cast<const std::uint8_t*>(held.get_data());
  EXPECT_EQ(bytes[0], 0x5A);
  EXPECT_EQ(bytes[held.get_data_size() - 1], 0x5A);
  EXPECT_EQ(held.get_data_size(), 640 * 480 * 3);
}

TEST_F(Frames, PoolRefusesNewFramesWhileUnkeptOnesAreHeldAndKeepFreesASlot) {
  for (int i = 0; i < 2; ++i)
    ASSERT_TRUE(rs2sim::Emit(kManual, {{Color(i)}}).delivered);
  EXPECT_FALSE(rs2sim::Emit(kManual, {{Color(2)}}).delivered);  // pool of 2 exhausted
  EXPECT_EQ(collector_->Frames().size(), 2u);

  rs2::frameset(collector_->Frames().front()).get_color_frame().keep();
  EXPECT_EQ(rs2sim::GetCounters().framesKept, 1);
  EXPECT_TRUE(rs2sim::Emit(kManual, {{Color(3)}}).delivered);
  collector_->Clear();
  EXPECT_EQ(rs2sim::GetCounters().framesAlive, 0);
  EXPECT_TRUE(rs2sim::Emit(kManual, {{Color(4)}}).delivered);
}

TEST_F(Frames, CopiesShareOneFrameUntilTheLastReleases) {
  rs2sim::Emit(kManual, {{Color()}});
  const long alive = rs2sim::GetCounters().framesAlive;  // the set and its one frame
  EXPECT_EQ(alive, 2);
  {
    rs2::frame copy = collector_->Frames().front();
    rs2::frame another = copy;
    EXPECT_EQ(rs2sim::GetCounters().framesAlive, alive);
  }
  collector_->Clear();
  EXPECT_EQ(rs2sim::GetCounters().framesAlive, 0);
}

TEST_F(Frames, ColorFallsBackToInfraredOnlyInRgb8) {
  rs2sim::FrameSpec ir = Color();
  ir.stream = RS2_STREAM_INFRARED;
  ir.index = 1;
  EXPECT_EQ(Deliver({{Depth(), ir}}).get_color_frame().get_profile().stream_type(),
            RS2_STREAM_INFRARED);
  ir.format = RS2_FORMAT_Y8;
  EXPECT_FALSE(Deliver({{Depth(), ir}}).get_color_frame());
}

TEST_F(Frames, DepthFrameIsTheFirstDepthInZ16WithItsUnits) {
  rs2sim::FrameSpec disparity = Depth();
  disparity.format = RS2_FORMAT_DISPARITY16;
  EXPECT_FALSE(Deliver({{disparity, Color()}}).get_depth_frame());

  rs2sim::FrameSpec depth = Depth();
  depth.depthUnits = 0.0001f;
  auto set = Deliver({{Color(), depth}});
  ASSERT_TRUE(set.get_depth_frame());
  EXPECT_FLOAT_EQ(set.get_depth_frame().get_units(), 0.0001f);
  EXPECT_EQ(set.size(), 2u);
}

TEST_F(Frames, EmittedGeometryDataAndTimesAreReportedAsGiven) {
  rs2sim::FrameSpec odd = Color(1234.5, 0x01);
  odd.format = RS2_FORMAT_YUYV;
  odd.width = 0;
  odd.stride = 7;
  odd.dataSize = 0;
  odd.domain = RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME;
  rs2sim::FrameSpec empty = Depth();
  empty.nullData = true;
  empty.dataSize = 5;
  auto set = Deliver({{odd, empty}});
  auto color = set[0].as<rs2::video_frame>();
  EXPECT_EQ(std::make_tuple(color.get_width(), color.get_height(), color.get_stride_in_bytes(),
                            color.get_data_size(), color.get_bytes_per_pixel()),
            std::make_tuple(0, 480, 7, 0, 2));
  EXPECT_NE(color.get_data(), nullptr);
  EXPECT_EQ(color.get_timestamp(), 1234.5);
  EXPECT_EQ(color.get_frame_timestamp_domain(), RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME);
  EXPECT_EQ(set[1].get_data(), nullptr);
  EXPECT_EQ(set[1].get_data_size(), 5);
}

TEST_F(Frames, NonCompositeFrameIsNoFrameset) {
  collector_->Clear();
  ASSERT_TRUE(rs2sim::Emit(kManual, {{Color()}, false}).delivered);
  auto single = collector_->Frames().front();
  EXPECT_FALSE(rs2::frameset(single));
  EXPECT_TRUE(single.is<rs2::video_frame>());
}

}  // namespace
}  // namespace rs2sim_test
