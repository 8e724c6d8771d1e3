// Options, visual presets, advanced mode, stream geometry, frame queues and the align block.

#include <librealsense2/rs_advanced_mode.hpp>

#include <cstdint>
#include <cstring>
#include <optional>

#include "sim_test_support.hpp"

namespace rs2sim_test {
namespace {

using ::testing::ElementsAre;

const std::string kDefault = rs2sim::DefaultSerial(0);

rs2::device DefaultDevice() {
  return rs2::context().query_devices()[0];
}

rs2::sensor SensorNamed(const rs2::device& device, const std::string& name) {
  for (const rs2::sensor& sensor : device.query_sensors()) {
    if (sensor.get_info(RS2_CAMERA_INFO_NAME) == name)
      return sensor;
  }
  throw std::runtime_error("no sensor " + name);
}

template <class Error, class Call>
std::string ErrorText(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

class Options : public SimTest {};

TEST_F(Options, RangesAreTheDeviceSpecsAndWritesAreCheckedAndLoggedInOrder) {
  const rs2::sensor depth = SensorNamed(DefaultDevice(), "Stereo Module");
  const rs2::option_range laser = depth.get_option_range(RS2_OPTION_LASER_POWER);
  EXPECT_EQ((std::vector<float>{laser.min, laser.max, laser.step, laser.def}),
            (std::vector<float>{0, 360, 30, 150}));
  EXPECT_EQ(depth.get_option(RS2_OPTION_LASER_POWER), 150.0f);
  EXPECT_FALSE(depth.is_option_read_only(RS2_OPTION_LASER_POWER));

  depth.set_option(RS2_OPTION_LASER_POWER, 210);
  depth.set_option(RS2_OPTION_EMITTER_ENABLED, 0);
  EXPECT_EQ(depth.get_option(RS2_OPTION_LASER_POWER), 210.0f);
  EXPECT_EQ(depth.get_option(RS2_OPTION_EMITTER_ENABLED), 0.0f);
  // Another handle of the same device sees the values.
  EXPECT_EQ(SensorNamed(DefaultDevice(), "Stereo Module").get_option(RS2_OPTION_LASER_POWER),
            210.0f);

  EXPECT_EQ(
      ErrorText<rs2::invalid_value_error>([&] { depth.set_option(RS2_OPTION_LASER_POWER, 390); }),
      "set(Laser Power) failed! Given value 390 is out of range.");
  EXPECT_TRUE(depth.is_option_read_only(RS2_OPTION_DEPTH_UNITS));
  EXPECT_EQ(ErrorText<rs2::invalid_value_error>(
                [&] { depth.set_option(RS2_OPTION_DEPTH_UNITS, 0.0001f); }),
            "Option Depth Units is read-only!");
  EXPECT_EQ(ErrorText<rs2::invalid_value_error>(
                [&] { depth.get_option_range(RS2_OPTION_WHITE_BALANCE); }),
            "Device does not support option White Balance!");
  EXPECT_THAT(rs2sim::DeviceWrites(kDefault), ElementsAre("Stereo Module: Laser Power = 210",
                                                          "Stereo Module: Emitter Enabled = 0"));

  // A device added again is a camera after a power cycle.
  rs2sim::AddDevice(rs2sim::DefaultCamera(kDefault));
  EXPECT_TRUE(rs2sim::DeviceWrites(kDefault).empty());
  EXPECT_EQ(SensorNamed(DefaultDevice(), "Stereo Module").get_option(RS2_OPTION_LASER_POWER),
            150.0f);
}

TEST_F(Options, WritingExposureOrGainSwitchesThatSensorsAutoExposureOff) {
  const rs2::device device = DefaultDevice();
  const rs2::sensor color = SensorNamed(device, "RGB Camera");
  const rs2::sensor depth = SensorNamed(device, "Stereo Module");
  EXPECT_EQ(color.get_option(RS2_OPTION_ENABLE_AUTO_EXPOSURE), 1.0f);
  color.set_option(RS2_OPTION_EXPOSURE, 200);
  EXPECT_EQ(color.get_option(RS2_OPTION_ENABLE_AUTO_EXPOSURE), 0.0f);
  EXPECT_EQ(depth.get_option(RS2_OPTION_ENABLE_AUTO_EXPOSURE), 1.0f);
  color.set_option(RS2_OPTION_ENABLE_AUTO_EXPOSURE, 1);
  color.set_option(RS2_OPTION_GAIN, 32);
  EXPECT_EQ(color.get_option(RS2_OPTION_ENABLE_AUTO_EXPOSURE), 0.0f);
}

TEST_F(Options, VisualPresetsHaveTheLibrarysNames) {
  std::vector<std::string> names;
  for (int i = 0; i < RS2_RS400_VISUAL_PRESET_COUNT; ++i)
    names.push_back(rs2_rs400_visual_preset_to_string(static_cast<rs2_rs400_visual_preset>(i)));
  EXPECT_THAT(names, ElementsAre("Custom", "Default", "Hand", "High Accuracy", "High Density",
                                 "Medium Density", "Remove Ir Pattern"));
  EXPECT_EQ(RS2_RS400_VISUAL_PRESET_HIGH_ACCURACY, 3);
}

class AdvancedMode : public SimTest {};

TEST_F(AdvancedMode, JsonLoadsWhenEnabledAndMakesThePresetCustom) {
  rs400::advanced_mode advanced(DefaultDevice());
  ASSERT_TRUE(advanced);
  EXPECT_TRUE(advanced.is_enabled());
  const rs2::sensor depth = SensorNamed(DefaultDevice(), "Stereo Module");
  depth.set_option(RS2_OPTION_VISUAL_PRESET, RS2_RS400_VISUAL_PRESET_HIGH_DENSITY);
  advanced.load_json(" {\"param-laserpower\": 120} ");
  EXPECT_EQ(depth.get_option(RS2_OPTION_VISUAL_PRESET), 0.0f);
  EXPECT_EQ(ErrorText<rs2::invalid_value_error>([&] { advanced.load_json("laser=1"); }),
            "Invalid JSON: no object found");

  advanced.toggle_advanced_mode(false);
  EXPECT_FALSE(advanced.is_enabled());
  EXPECT_EQ(ErrorText<rs2::wrong_api_call_sequence_error>([&] { advanced.load_json("{}"); }),
            "Advanced mode is not enabled!");
  EXPECT_THAT(
      rs2sim::DeviceWrites(kDefault),
      ElementsAre("Stereo Module: Visual Preset = 4",
                  "advanced mode: load_json  {\"param-laserpower\": 120} ", "advanced mode: off"));
}

TEST_F(AdvancedMode, ADeviceWithoutItDoesNotExtendToIt) {
  rs2sim::DeviceSpec camera = rs2sim::DefaultCamera("plain");
  camera.advancedMode = false;
  rs2sim::ClearDevices();
  rs2sim::AddDevice(camera);
  EXPECT_FALSE(rs400::advanced_mode(DefaultDevice()));
}

// The stream of `type` in a profile.
rs2::video_stream_profile StreamOf(const rs2::pipeline_profile& profile, rs2_stream type) {
  for (const rs2::stream_profile& s : profile.get_streams()) {
    if (s.stream_type() == type)
      return rs2::video_stream_profile(s);
  }
  throw std::runtime_error("no such stream");
}

class Geometry : public SimTest {};

TEST_F(Geometry, PinholeStreamsAndAColourCentreFifteenMillimetresAlongX) {
  rs2::pipeline pipe;
  rs2::config config;
  // A request of zeros: 848x480 depth and 1280x720 colour.
  const rs2::pipeline_profile profile = config.resolve(pipe);
  const rs2::video_stream_profile depth = StreamOf(profile, RS2_STREAM_DEPTH);
  const rs2::video_stream_profile color = StreamOf(profile, RS2_STREAM_COLOR);
  const rs2_intrinsics d = depth.get_intrinsics();
  const rs2_intrinsics c = color.get_intrinsics();
  EXPECT_EQ((std::vector<float>{float(d.width), float(d.height), d.ppx, d.ppy, d.fx, d.fy}),
            (std::vector<float>{848, 480, 424, 240, 424, 424}));
  EXPECT_EQ((std::vector<float>{float(c.width), float(c.height), c.ppx, c.ppy, c.fx, c.fy}),
            (std::vector<float>{1280, 720, 640, 360, 960, 960}));
  EXPECT_EQ(c.model, RS2_DISTORTION_NONE);
  const rs2_extrinsics toColor = depth.get_extrinsics_to(color);
  const rs2_extrinsics toDepth = color.get_extrinsics_to(depth);
  EXPECT_THAT(toColor.rotation, ElementsAre(1, 0, 0, 0, 1, 0, 0, 0, 1));
  EXPECT_THAT(toColor.translation, ElementsAre(0.015f, 0, 0));
  EXPECT_THAT(toDepth.translation, ElementsAre(-0.015f, 0, 0));
}

// A wall at 1 m with a 10x10 block at 0.5 m whose top-left depth pixel is (500, 300).
std::vector<std::uint8_t> WallWithBlock(bool block) {
  std::vector<std::uint8_t> bytes(848 * 480 * 2);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 848; ++x) {
      const bool inBlock = block && x >= 500 && x < 510 && y >= 300 && y < 310;
      const std::uint16_t mm = inBlock ? 500 : 1000;
      std::memcpy(&bytes[(y * 848 + x) * 2], &mm, 2);
    }
  }
  return bytes;
}

rs2sim::FramesetSpec Scene(bool block) {
  rs2sim::FrameSpec depth;
  depth.stream = RS2_STREAM_DEPTH;
  depth.format = RS2_FORMAT_Z16;
  depth.width = 848;
  depth.height = 480;
  depth.bytes = WallWithBlock(block);
  rs2sim::FrameSpec color;
  color.width = 1280;
  color.height = 720;
  rs2sim::FramesetSpec set;
  set.frames = {color, depth};
  return set;
}

std::uint16_t At(const rs2::depth_frame& frame, int x, int y) {
  std::uint16_t value = 0;
  const auto* data = static_cast<const std::uint8_t*>(frame.get_data());
  std::memcpy(&value, data + y * frame.get_stride_in_bytes() + x * 2, 2);
  return value;
}

class Align : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    rs2sim::DeviceSpec camera = rs2sim::DefaultCamera(kManual);
    camera.manual = true;
    rs2sim::ClearDevices();
    rs2sim::AddDevice(camera);
    pipe.emplace();
    pipe->start();
  }
  void TearDown() override {
    pipe.reset();
    SimTest::TearDown();
  }

  rs2::frameset Emit(const rs2sim::FramesetSpec& set) {
    EXPECT_TRUE(rs2sim::Emit(kManual, set).delivered);
    return pipe->wait_for_frames();
  }

  std::optional<rs2::pipeline> pipe;
};

// Colour pixel u sees depth pixel (u - 640 - 960 * 0.015 / z) * 424 / 960 + 424 at depth z, and
// row v sees (v - 360) * 424 / 960 + 240. The block's corners (499.5, 299.5) and (509.5, 309.5)
// at 0.5 m land on colour (839.7, 494.7) and (862.4, 517.4): columns 840..862, rows 495..517.
// The wall behind the block is hidden from depth; from colour, 14.4 pixels further left, the
// columns 826..839 of those rows show nothing (0), as occlusion does.
TEST_F(Align, DepthTakesTheColourGeometryAndEachPixelComesFromWhereTheOpticsSay) {
  rs2::align align(RS2_STREAM_COLOR);
  const rs2::frameset received = Emit(Scene(true));
  const rs2::frameset aligned = align.process(received);
  const rs2::depth_frame depth = aligned.get_depth_frame();
  ASSERT_TRUE(depth);
  EXPECT_EQ(depth.get_width(), 1280);
  EXPECT_EQ(depth.get_height(), 720);
  EXPECT_EQ(depth.get_stride_in_bytes(), 2560);
  EXPECT_EQ(depth.get_data_size(), 1280 * 720 * 2);
  EXPECT_EQ(depth.get_units(), 0.001f);
  EXPECT_EQ(depth.get_profile().format(), RS2_FORMAT_Z16);
  EXPECT_EQ(aligned.get_color_frame().get_data(), received.get_color_frame().get_data());

  EXPECT_EQ(At(depth, 840, 495), 500);
  EXPECT_EQ(At(depth, 862, 517), 500);
  EXPECT_EQ(At(depth, 851, 506), 500);
  EXPECT_EQ(At(depth, 863, 506), 1000);
  EXPECT_EQ(At(depth, 851, 494), 1000);
  EXPECT_EQ(At(depth, 851, 518), 1000);
  EXPECT_EQ(At(depth, 826, 506), 0);
  EXPECT_EQ(At(depth, 839, 506), 0);
  EXPECT_EQ(At(depth, 825, 506), 1000);
  EXPECT_EQ(depth.get_distance(851, 506), 0.5f);
}

TEST_F(Align, AWallCoversEveryColourPixel) {
  rs2::align align(RS2_STREAM_COLOR);
  const rs2::depth_frame depth = align.process(Emit(Scene(false))).get_depth_frame();
  std::size_t wall = 0;
  for (int y = 0; y < 720; ++y) {
    for (int x = 0; x < 1280; ++x)
      wall += At(depth, x, y) == 1000;
  }
  EXPECT_EQ(wall, 1280u * 720u);
}

TEST_F(Align, FramesetsWithoutDepthPassThrough) {
  rs2::align align(RS2_STREAM_COLOR);
  rs2sim::FramesetSpec colorOnly = Scene(false);
  colorOnly.frames.pop_back();
  const rs2::frameset received = Emit(colorOnly);
  const rs2::frameset result = align.process(received);
  EXPECT_EQ(result.get(), received.get());
}

class FrameQueue : public SimTest {};

TEST_F(FrameQueue, AFullQueueDropsTheOldestAndAnEmptyOneTimesOut) {
  UseManualCamera();
  rs2::pipeline pipe;
  pipe.start();
  rs2::frame_queue queue(2);
  for (double t : {1.0, 2.0, 3.0}) {
    ASSERT_TRUE(rs2sim::Emit(kManual, {{Color(t)}, true}).delivered);
    queue.enqueue(pipe.wait_for_frames());
  }
  rs2::frame f;
  ASSERT_TRUE(queue.poll_for_frame(&f));
  EXPECT_EQ(f.get_timestamp(), 2.0);
  EXPECT_EQ(queue.wait_for_frame().get_timestamp(), 3.0);
  EXPECT_FALSE(queue.poll_for_frame(&f));
  EXPECT_EQ(ErrorText<rs2::error>([&] { queue.wait_for_frame(1); }),
            "Frame did not arrive in time!");
  f = rs2::frame();
  pipe.stop();
}

}  // namespace
}  // namespace rs2sim_test
