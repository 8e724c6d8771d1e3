// Recording delivered framesets and playing recordings back.

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

#include "sim_test_support.hpp"

namespace rs2sim_test {
namespace {

class Recording : public SimTest {
 protected:
  void TearDown() override {
    std::remove(path_.c_str());
    SimTest::TearDown();
  }

  // Plays the recording and collects `count` framesets.
  std::vector<rs2::frame> Play(std::size_t count, rs2::pipeline_profile* profile = nullptr) {
    rs2::config config;
    config.enable_device_from_file(path_, true);
    auto collector = std::make_shared<Collector>();
    rs2::pipeline pipe;
    auto started = pipe.start(config, Collect{collector});
    if (profile)
      *profile = started;
    collector->WaitFor(count);
    pipe.stop();
    auto frames = collector->Frames();
    frames.resize(count);
    return frames;
  }

  // One file per process: ctest runs the cases of this suite side by side.
  std::string path_ =
      ::testing::TempDir() + "rs2sim_recording_test_" + std::to_string(::getpid()) + ".rec";
};

TEST_F(Recording, PlaybackRepeatsTheRecordedFramesWithTheirTimesAndDomain) {
  rs2sim::AddDevice(ManualCamera());
  {
    rs2::config config;
    config.enable_device(kManual);
    config.enable_record_to_file(path_);
    rs2::pipeline pipe;
    pipe.start(config, [](rs2::frame) {});
    for (int i = 0; i < 3; ++i) {
      rs2sim::FrameSpec color = Color(1000.0 + 10 * i, static_cast<std::uint8_t>(i + 1));
      color.domain = RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME;
      ASSERT_TRUE(rs2sim::Emit(kManual, {{Depth(1000.0 + 10 * i), color}}).delivered);
    }
    pipe.stop();
  }

  std::vector<double> times;
  std::vector<int> fills;
  for (auto& f : Play(7)) {
    auto color = rs2::frameset(f).get_color_frame();
    ASSERT_TRUE(color);
    EXPECT_EQ(color.get_frame_timestamp_domain(), RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME);
    times.push_back(color.get_timestamp());
    fills.push_back(static_cast<const std::uint8_t*>(color.get_data())[0]);
  }
  EXPECT_EQ(times, (std::vector<double>{1000, 1010, 1020, 1000, 1010, 1020, 1000}));
  EXPECT_EQ(fills, (std::vector<int>{1, 2, 3, 1, 2, 3, 1}));
}

TEST_F(Recording, WrittenRecordingPlaysAnyStreamsAndDevice) {
  rs2sim::RecordingSpec spec;
  spec.device = ManualCamera("rec");
  spec.device.hasDepthSensor = false;
  rs2sim::FrameSpec ir = Color(5.0);
  ir.stream = RS2_STREAM_INFRARED;
  ir.index = 2;
  ir.format = RS2_FORMAT_Y8;
  rs2sim::FrameSpec gyro = Color(5.0);
  gyro.stream = RS2_STREAM_GYRO;
  gyro.format = RS2_FORMAT_MOTION_XYZ32F;
  gyro.width = gyro.height = 1;
  spec.streams = {{RS2_STREAM_INFRARED, 2, RS2_FORMAT_Y8, 640, 480, 30},
                  {RS2_STREAM_GYRO, 0, RS2_FORMAT_MOTION_XYZ32F, 1, 1, 200}};
  spec.framesets = {{{ir, gyro}}};
  rs2sim::WriteRecording(path_, spec);

  rs2::pipeline_profile profile;
  auto frames = Play(1, &profile);
  std::vector<std::string> names;
  for (auto&& s : profile.get_streams()) {
    names.push_back(s.stream_name() + (s.is<rs2::video_stream_profile>() ? " video" : ""));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Infrared 2 video", "Gyro"}));
  bool depthSensor = false;
  for (auto&& s : profile.get_device().query_sensors())
    depthSensor |= s.is<rs2::depth_sensor>();
  EXPECT_FALSE(depthSensor);
  EXPECT_EQ(rs2::frameset(frames[0]).size(), 2u);
}

TEST_F(Recording, FilesThatAreNoRecordingFailTheStart) {
  for (const char* content : {"#ROSBAG V2.0\nE", "hello"}) {
    std::ofstream(path_, std::ios::binary) << content;
    rs2::config config;
    config.enable_device_from_file(path_);
    auto collector = std::make_shared<Collector>();
    rs2::pipeline pipe;
    EXPECT_THROW(pipe.start(config, Collect{collector}), rs2::error) << content;
    EXPECT_EQ(collector.use_count(), 1);
  }
}

TEST_F(Recording, UnwritableRecordingPathFailsTheStart) {
  rs2::config config;
  config.enable_record_to_file("/nonexistent-dir/out.rec");
  rs2::pipeline pipe;
  EXPECT_THROW(pipe.start(config, [](rs2::frame) {}), rs2::error);
}

}  // namespace
}  // namespace rs2sim_test
