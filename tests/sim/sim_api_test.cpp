// Context, resolution, pipeline lifecycle, sensors and fault injection.

#include "sim_test_support.hpp"

namespace rs2sim_test {
namespace {

using ::testing::MatchesRegex;

std::shared_ptr<rs2_context> MakeContext(int apiVersion) {
  rs2_error* e = nullptr;
  std::shared_ptr<rs2_context> ctx(rs2_create_context(apiVersion, &e), rs2_delete_context);
  rs2::error::handle(e);
  return ctx;
}

class Version : public SimTest {};

TEST_F(Version, RuntimeIs2_54_2AndAcceptsOlderMinorOfSameMajor) {
  EXPECT_EQ(RS2_API_VERSION, 25402);
  EXPECT_NE(MakeContext(24300), nullptr);
  EXPECT_NE(MakeContext(25402), nullptr);
}

TEST_F(Version, RejectsNewerMinorAndOtherMajor) {
  for (int version : {25500, 34300}) {
    try {
      MakeContext(version);
      ADD_FAILURE() << version << " was accepted";
    } catch (const rs2::invalid_value_error& e) {
      EXPECT_EQ(e.get_failed_function(), "rs2_create_context");
      EXPECT_EQ(e.get_failed_args(), "api_version:" + std::to_string(version));
      EXPECT_THAT(e.what(), ::testing::HasSubstr("API version mismatch"));
    }
  }
}

class Resolution : public SimTest {};

// Starts with a callback the way the module does and returns the error it raised.
rs2::error StartError(rs2::config& config) {
  rs2::pipeline pipe(rs2::context(MakeContext(24300)));
  try {
    pipe.start(config, [](rs2::frame) {});
  } catch (const rs2::error& e) {
    return e;
  }
  return rs2::error("started");
}

TEST_F(Resolution, EmptyRegistryMeansNoDeviceConnected) {
  rs2sim::ClearDevices();
  rs2::config config;
  const auto e = StartError(config);
  EXPECT_STREQ(e.what(), "No device connected");
  EXPECT_EQ(e.get_failed_function(), "rs2_pipeline_start_with_config_and_callback_cpp");
  EXPECT_THAT(e.get_failed_args(),
              MatchesRegex("pipe:0x[0-9a-f]+, config:0x[0-9a-f]+, callback:0x[0-9a-f]+"));
}

TEST_F(Resolution, UnknownSerialOrModeFindsNoDevice) {
  rs2::config bySerial;
  bySerial.enable_device("no-such-serial");
  rs2::config byMode;
  byMode.enable_stream(RS2_STREAM_COLOR, -1, 1024, 768, RS2_FORMAT_RGB8, 0);
  for (rs2::config* config : {&bySerial, &byMode}) {
    EXPECT_STREQ(StartError(*config).what(),
                 "Failed to resolve request. No device found that satisfies all requirements");
  }
}

TEST_F(Resolution, ZerosMeanAnyAndTheProfileListsTheChosenStreams) {
  rs2::pipeline pipe;
  rs2::config config;
  config.enable_stream(RS2_STREAM_DEPTH, -1, 0, 0, RS2_FORMAT_Z16, 0);
  config.enable_stream(RS2_STREAM_COLOR, -1, 640, 0, RS2_FORMAT_BGR8, 0);
  auto profile = pipe.start(config, [](rs2::frame) {});
  auto streams = profile.get_streams();
  pipe.stop();
  ASSERT_EQ(streams.size(), 2u);
  const auto depth = streams[0].as<rs2::video_stream_profile>();
  const auto color = streams[1].as<rs2::video_stream_profile>();
  EXPECT_EQ(depth.stream_name(), "Depth");
  EXPECT_EQ(std::make_tuple(depth.format(), depth.width(), depth.height(), depth.fps()),
            std::make_tuple(RS2_FORMAT_Z16, 848, 480, 30));
  EXPECT_EQ(std::make_tuple(color.format(), color.width(), color.height(), color.fps()),
            std::make_tuple(RS2_FORMAT_BGR8, 640, 480, 30));
  EXPECT_EQ(profile.get_device().get_info(RS2_CAMERA_INFO_SERIAL_NUMBER), rs2sim::DefaultSerial(0));
}

TEST_F(Resolution, AStreamingDeviceIsBusyForASecondPipeline) {
  rs2sim::AddDevice(ManualCamera());
  rs2::config config;
  config.enable_device(kManual);
  rs2::pipeline first;
  first.start(config, [](rs2::frame) {});
  rs2::pipeline second;
  EXPECT_THROW(second.start(config, [](rs2::frame) {}), rs2::backend_error);
  first.stop();
  second.start(config, [](rs2::frame) {});
  second.stop();
}

class Lifecycle : public SimTest {};

TEST_F(Lifecycle, StopBeforeStartIsAWrongCallSequence) {
  rs2::pipeline pipe;
  try {
    pipe.stop();
    ADD_FAILURE() << "stop() passed";
  } catch (const rs2::wrong_api_call_sequence_error& e) {
    EXPECT_STREQ(e.what(), "stop() cannot be called before start()");
    EXPECT_EQ(e.get_failed_function(), "rs2_pipeline_stop");
  }
}

TEST_F(Lifecycle, CallbackRunsOnALibraryThreadAndNeverAfterStop) {
  UseOnly(ManualCamera());
  auto collector = std::make_shared<Collector>();
  rs2::pipeline pipe;
  pipe.start(Collect{collector});
  EXPECT_EQ(rs2sim::GetCounters().callbacksAlive, 1);

  const auto emitted = rs2sim::Emit(kManual, {{Depth(), Color()}});
  EXPECT_TRUE(emitted.delivered);
  ASSERT_EQ(collector->Threads().size(), 1u);  // Emit returns after the callback
  EXPECT_NE(collector->Threads()[0], std::this_thread::get_id());

  pipe.stop();
  EXPECT_EQ(rs2sim::GetCounters().callbacksAlive, 0);
  EXPECT_EQ(collector.use_count(), 1);  // the callback object is gone
  EXPECT_FALSE(rs2sim::Emit(kManual, {{Color()}}).delivered);
  EXPECT_EQ(collector->Frames().size(), 1u);
}

TEST_F(Lifecycle, DroppingTheLastHandleOfAStartedPipelineStopsIt) {
  UseOnly(ManualCamera());
  auto collector = std::make_shared<Collector>();
  {
    rs2::pipeline pipe;
    pipe.start(Collect{collector});
    EXPECT_EQ(rs2sim::GetCounters().pipelinesStreaming, 1);
  }
  EXPECT_EQ(rs2sim::GetCounters().pipelinesStreaming, 0);
  EXPECT_EQ(collector.use_count(), 1);
}

TEST_F(Lifecycle, DefaultCameraStreamsSyntheticFramesForWaitForFrames) {
  rs2::pipeline pipe;
  pipe.start();
  auto first = pipe.wait_for_frames();
  auto second = pipe.wait_for_frames();
  pipe.stop();
  const auto color = second.get_color_frame();
  const auto depth = second.get_depth_frame();
  ASSERT_TRUE(color && depth);
  EXPECT_EQ(color.get_width(), 1280);
  EXPECT_EQ(depth.get_width(), 848);
  EXPECT_GT(second.get_timestamp(), first.get_timestamp());
  EXPECT_EQ(second.get_frame_timestamp_domain(), RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK);
}

class Sensors : public SimTest {};

TEST_F(Sensors, DepthSensorReportsTheEmitterOnlyWhereOffered) {
  auto withEmitter = ManualCamera("1");
  withEmitter.emitterValue = 2.0f;
  auto withoutEmitter = ManualCamera("2");
  withoutEmitter.emitterSupported = false;
  auto withoutDepth = ManualCamera("3");
  withoutDepth.hasDepthSensor = false;
  for (const auto& spec : {withEmitter, withoutEmitter, withoutDepth})
    rs2sim::AddDevice(spec);

  std::vector<std::string> seen;
  for (const char* serial : {"1", "2", "3"}) {
    rs2::config config;
    config.enable_device(serial);
    rs2::pipeline pipe;
    auto device = pipe.start(config, [](rs2::frame) {}).get_device();
    pipe.stop();
    std::string report = "none";
    for (auto&& s : device.query_sensors()) {
      if (!s.is<rs2::depth_sensor>())
        continue;
      report = s.supports(RS2_OPTION_EMITTER_ENABLED)
                   ? std::to_string(s.get_option(RS2_OPTION_EMITTER_ENABLED))
                   : "unsupported";
      break;
    }
    seen.push_back(report);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{std::to_string(2.0f), "unsupported", "none"}));
}

class Faults : public SimTest {};

TEST_F(Faults, NextCallFailsOnceWithTheGivenTypeAndMessage) {
  UseOnly(ManualCamera());
  rs2::pipeline pipe;
  pipe.start([](rs2::frame) {});
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

TEST_F(Faults, FailedStartReleasesTheCallback) {
  rs2sim::FailNext("rs2_pipeline_start_with_config_and_callback_cpp", RS2_EXCEPTION_TYPE_BACKEND,
                   "busy");
  auto collector = std::make_shared<Collector>();
  rs2::pipeline pipe;
  EXPECT_THROW(pipe.start(rs2::config(), Collect{collector}), rs2::backend_error);
  EXPECT_EQ(collector.use_count(), 1);
}

TEST_F(Faults, FrameFunctionsFailInsideTheCallback) {
  UseOnly(ManualCamera());
  std::string caught;
  rs2::pipeline pipe;
  pipe.start([&caught](rs2::frame f) {
    try {
      f.get_timestamp();
    } catch (const rs2::invalid_value_error& e) {
      caught = e.what();
    }
  });
  rs2sim::FailNext("rs2_get_frame_timestamp", RS2_EXCEPTION_TYPE_INVALID_VALUE, "no clock");
  rs2sim::Emit(kManual, {{Color()}});
  pipe.stop();
  EXPECT_EQ(caught, "no clock");
}

}  // namespace
}  // namespace rs2sim_test
