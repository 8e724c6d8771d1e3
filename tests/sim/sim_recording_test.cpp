// Recording delivered framesets and playing recordings back.

#include <cstdio>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "sim_test_support.hpp"

namespace rs2sim_test {
namespace {

int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return ::getpid();
#endif
}

class Recording : public SimTest {
 protected:
  void TearDown() override {
    std::remove(path_.c_str());
    SimTest::TearDown();
  }

  // One file per process: ctest runs the cases of this suite side by side.
  std::string path_ =
      ::testing::TempDir() + "rs2sim_recording_test_" + std::to_string(ProcessId()) + ".rec";
};

TEST_F(Recording, PlaybackLoopsTheRecordedFramesWithTheirTimesAndDomain) {
  UseManualCamera();
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

  rs2::config config;
  config.enable_device_from_file(path_, true);
  auto collector = std::make_shared<Collector>();
  rs2::pipeline pipe;
  pipe.start(config, Collect{collector});
  const bool looped = collector->WaitFor(7);
  pipe.stop();
  ASSERT_TRUE(looped);
  auto frames = collector->Frames();
  collector->Clear();
  frames.resize(7);
  std::vector<double> times;
  std::vector<int> fills;
  std::vector<unsigned long long> numbers;
  for (auto& f : frames) {
    auto color = rs2::frameset(f).get_color_frame();
    ASSERT_TRUE(color);
    EXPECT_EQ(color.get_frame_timestamp_domain(), RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME);
    times.push_back(color.get_timestamp());
    fills.push_back(static_cast<const std::uint8_t*>(color.get_data())[0]);
    numbers.push_back(color.get_frame_number());
  }
  EXPECT_EQ(times, (std::vector<double>{1000, 1010, 1020, 1000, 1010, 1020, 1000}));
  EXPECT_EQ(fills, (std::vector<int>{1, 2, 3, 1, 2, 3, 1}));
  // Each loop plays the recorded numbers again.
  EXPECT_EQ(numbers, (std::vector<unsigned long long>{1, 2, 3, 1, 2, 3, 1}));
}

TEST_F(Recording, FileThatIsNoRecordingOrCannotBeWrittenFailsTheStart) {
  for (const char* content : {"#ROSBAG V2.0\nE", "hello", static_cast<const char*>(nullptr)}) {
    rs2::config config;
    if (content != nullptr) {
      std::ofstream(path_, std::ios::binary) << content;
      config.enable_device_from_file(path_);
    } else {
      config.enable_record_to_file("/nonexistent-dir/out.rec");
    }
    auto collector = std::make_shared<Collector>();
    rs2::pipeline pipe;
    EXPECT_THROW(pipe.start(config, Collect{collector}), rs2::error) << content;
    EXPECT_EQ(collector.use_count(), 1) << content;
  }
}

}  // namespace
}  // namespace rs2sim_test
