// Device resolution, pipeline lifecycle and fault injection.

#include <regex>
#include <string>

#include "sim_test_support.hpp"

namespace rs2sim_test {
namespace {

class Resolution : public SimTest {};

TEST_F(Resolution, ZerosMeanTheFirstMatchingMode) {
  rs2::pipeline pipe;
  rs2::config config;
  config.enable_stream(RS2_STREAM_DEPTH, -1, 0, 0, RS2_FORMAT_Z16, 0);
  config.enable_stream(RS2_STREAM_COLOR, -1, 640, 0, RS2_FORMAT_BGR8, 0);
  const auto profile = pipe.start(config, [](rs2::frame) {});  // owns the stream profiles
  const auto streams = profile.get_streams();
  ASSERT_EQ(streams.size(), 2u);
  const auto depth = streams[0].as<rs2::video_stream_profile>();
  const auto color = streams[1].as<rs2::video_stream_profile>();
  EXPECT_EQ(std::make_tuple(depth.format(), depth.width(), depth.height(), depth.fps()),
            std::make_tuple(RS2_FORMAT_Z16, 848, 480, 30));
  EXPECT_EQ(std::make_tuple(color.format(), color.width(), color.height(), color.fps()),
            std::make_tuple(RS2_FORMAT_BGR8, 640, 480, 30));
}

TEST_F(Resolution, AStreamingDeviceIsBusyForASecondPipeline) {
  UseManualCamera();
  rs2::config config;
  config.enable_device(kManual);
  rs2::pipeline first;
  first.start(config, [](rs2::frame) {});
  rs2::pipeline second;
  EXPECT_THROW(second.start(config, [](rs2::frame) {}), rs2::backend_error);
  first.stop();
  second.start(config, [](rs2::frame) {});
}

class Lifecycle : public SimTest {};

TEST_F(Lifecycle, CallbackRunsOnALibraryThreadAndNeverAfterStopOrTheLastHandle) {
  UseManualCamera();
  for (const bool stop : {true, false}) {
    auto collector = std::make_shared<Collector>();
    auto pipe = std::make_unique<rs2::pipeline>();
    pipe->start(Collect{collector});
    EXPECT_TRUE(rs2sim::Emit(kManual, {{Depth(), Color()}}).delivered);
    const auto threads = collector->Threads();  // Emit returns after the callback
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(threads[0], std::this_thread::get_id());

    if (stop)
      pipe->stop();
    pipe.reset();
    EXPECT_EQ(rs2sim::GetCounters().callbacksAlive, 0) << stop;
    EXPECT_EQ(collector.use_count(), 1) << stop;  // the callback object is gone
    EXPECT_FALSE(rs2sim::Emit(kManual, {{Color()}}).delivered) << stop;
    EXPECT_EQ(collector->Frames().size(), 1u) << stop;
  }
}

class Faults : public SimTest {};

TEST_F(Faults, NextCallFailsOnceWithTheGivenTypeAndMessage) {
  UseManualCamera();
  auto collector = std::make_shared<Collector>();
  rs2::pipeline pipe;
  rs2sim::FailNext("rs2_pipeline_start_with_config_and_callback_cpp", RS2_EXCEPTION_TYPE_BACKEND,
                   "busy");
  EXPECT_THROW(pipe.start(rs2::config(), Collect{collector}), rs2::backend_error);
  EXPECT_EQ(collector.use_count(), 1);  // the failed start kept no callback

  pipe.start(rs2::config(), Collect{collector});
  rs2sim::FailNext("rs2_get_frame_timestamp", RS2_EXCEPTION_TYPE_INVALID_VALUE, "no clock");
  ASSERT_TRUE(rs2sim::Emit(kManual, {{Color()}}).delivered);
  EXPECT_THROW(collector->Frames().front().get_timestamp(), rs2::invalid_value_error);
  rs2sim::FailNext("rs2_pipeline_stop", RS2_EXCEPTION_TYPE_CAMERA_DISCONNECTED, "unplugged");
  try {
    pipe.stop();
    ADD_FAILURE() << "stop() passed";
  } catch (const rs2::camera_disconnected_error& e) {
    EXPECT_STREQ(e.what(), "unplugged");
    EXPECT_EQ(e.get_failed_function(), "rs2_pipeline_stop");
  }
  pipe.stop();  // the fault was used up
}

}  // namespace
}  // namespace rs2sim_test
