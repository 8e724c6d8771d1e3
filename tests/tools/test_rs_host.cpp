// rs-host with the real module on the simulated camera: what an integrator
// sees on a first run, recording and playback included.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "child_process.hpp"
#include "png_reader.hpp"

namespace {

using nlohmann::json;
using rs_host_test::ChildOptions;
using rs_host_test::ChildResult;
using rs_host_test::DecodePngFile;
using rs_host_test::ReadText;
using rs_host_test::TempDir;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Percent-encodes a path for the address's query.
std::string Encode(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : path) {
    if (std::isalnum(c) != 0 || c == '-' || c == '_' || c == '.') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

class RsHostOnSimulatedCamera : public ::testing::Test {
 protected:
  // --seconds bounds a run whose --frames limit is never reached.
  ChildResult Run(std::vector<std::string> args, const ChildOptions& options = {}) {
    args.insert(args.begin(), {"--module", RS_HOST_MODULE, "--seconds", "30"});
    return rs_host_test::RunChild(RS_HOST_PROGRAM, args, dir_.Path(), options);
  }
  std::string PathOf(const std::string& name) const { return (dir_.Path() / name).string(); }
  json Json(const std::string& name) const { return json::parse(ReadText(PathOf(name))); }

  TempDir dir_;
};

constexpr const char* kVga =
    "realsense://?c_width=640&c_height=480&c_fps=30&d_width=640&d_height=480&d_fps=30";

TEST_F(RsHostOnSimulatedCamera, ShortRunDeliversParamsDepthAndReadableSnapshots) {
  const auto result =
      Run({"--frames", "15", "--json", PathOf("run.json"), "--snapshot", PathOf("shots"), kVga});
  ASSERT_EQ(result.exitCode, 0) << result.err << result.out;
  const auto summary = Json("run.json");
  EXPECT_EQ(summary["stopped_by"], "frames");
  const auto& cam = summary["sources"][0];
  EXPECT_EQ(cam["started"], true);
  EXPECT_EQ(cam["packets"], 15);
  ASSERT_GE(cam["video_params"].size(), 1u);
  EXPECT_EQ(cam["video_params"][0]["width"], 640);
  EXPECT_EQ(cam["video_params"][0]["height"], 480);
  EXPECT_EQ(cam["video_params"][0]["pixel_format_name"], "RGB24");
  ASSERT_TRUE(cam["depth"].is_object());
  EXPECT_EQ(cam["depth"]["width"], 640);
  EXPECT_EQ(cam["depth"]["height"], 480);
  EXPECT_GT(cam["depth"]["units_m"].get<double>(), 0.0);
  EXPECT_GT(cam["depth_packets"].get<int>(), 0);
  EXPECT_TRUE(cam["latency_ms"]["p99"].is_number());

  const auto colour = DecodePngFile(PathOf("shots/cam0_color.png"));
  ASSERT_TRUE(colour.ok) << colour.message;
  EXPECT_EQ(colour.width, 640u);
  EXPECT_EQ(colour.height, 480u);
  const auto depth = DecodePngFile(PathOf("shots/cam0_depth.png"));
  ASSERT_TRUE(depth.ok) << depth.message;
  EXPECT_EQ(depth.width, 640u);
  EXPECT_EQ(depth.height, 480u);
  // A depth ramp is not one colour.
  EXPECT_NE(std::vector<std::uint8_t>(depth.Pixel(0, 240), depth.Pixel(0, 240) + 3),
            std::vector<std::uint8_t>(depth.Pixel(639, 240), depth.Pixel(639, 240) + 3));
}

TEST_F(RsHostOnSimulatedCamera, DefaultModuleIsTheOneBuiltBesideTheProgram) {
  const auto result = rs_host_test::RunChild(
      RS_HOST_PROGRAM,
      {"--frames", "3", "--seconds", "30", "--json", PathOf("run.json"), "realsense://"},
      PathOf(""));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto module = Json("run.json")["module"].get<std::string>();
  EXPECT_TRUE(std::filesystem::equivalent(module, RS_HOST_MODULE)) << module;
}

TEST_F(RsHostOnSimulatedCamera, BadAddressIsReportedWithItsErrorType) {
  const auto result = Run({"realsense://?c_width=6 40"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(Contains(result.err, "source cam0 (realsense://?c_width=6 40) failed to start: "))
      << result.err;
  EXPECT_TRUE(
      Contains(result.err, "UrlParserError: failed to parse URL: 'realsense://?c_width=6 40'"))
      << result.err;
}

TEST_F(RsHostOnSimulatedCamera, MissingPlaybackFileIsReportedAndTheOtherSourceRuns) {
  const std::string missing = PathOf("absent.bag");
  const auto result = Run({"--frames", "5", "--json", PathOf("run.json"),
                           "realsense://?playback_from_file=" + Encode(missing), kVga});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(Contains(result.err, "source cam0")) << result.err;
  EXPECT_TRUE(Contains(result.err, "failed to start")) << result.err;
  EXPECT_TRUE(Contains(result.err, "absent.bag")) << result.err;
  const auto summary = Json("run.json");
  EXPECT_EQ(summary["sources"][0]["started"], false);
  EXPECT_EQ(summary["sources"][1]["packets"], 5);
}

TEST_F(RsHostOnSimulatedCamera, RecordingPlaysBackThroughTheSameProgram) {
  const std::string bag = PathOf("cam.bag");
  const auto recorded =
      Run({"--frames", "20", std::string(kVga) + "&record_to_file=" + Encode(bag)});
  ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
  ASSERT_TRUE(std::filesystem::exists(bag));
  EXPECT_GT(std::filesystem::file_size(bag), 0u);

  const auto played = Run({"--frames", "30", "--json", PathOf("play.json"), "--snapshot",
                           PathOf("shots"), "realsense://?playback_from_file=" + Encode(bag)});
  ASSERT_EQ(played.exitCode, 0) << played.err;
  const auto summary = Json("play.json");
  const auto& cam = summary["sources"][0];
  EXPECT_EQ(cam["packets"], 30);
  EXPECT_EQ(cam["video_params"][0]["width"], 640);
  EXPECT_EQ(cam["video_params"][0]["height"], 480);
  EXPECT_GT(cam["depth_packets"].get<int>(), 0);
  EXPECT_TRUE(DecodePngFile(PathOf("shots/cam0_color.png")).ok);
  EXPECT_TRUE(DecodePngFile(PathOf("shots/cam0_depth.png")).ok);
}

TEST_F(RsHostOnSimulatedCamera, TwoSimulatedCamerasBySerialNumber) {
  ChildOptions options;
  options.env = {{"RS2SIM_DEVICES", "2"}};
  const auto result =
      Run({"--frames", "5", "--json", PathOf("run.json"), "--name", "left", "--name", "right",
           "realsense://?sn=900000000000&c_width=640&c_height=480&c_fps=30",
           "realsense://?sn=900000000001&c_width=1280&c_height=720&c_fps=30"},
          options);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto summary = Json("run.json");
  EXPECT_EQ(summary["sources"][0]["name"], "left");
  EXPECT_EQ(summary["sources"][0]["packets"], 5);
  EXPECT_EQ(summary["sources"][0]["video_params"][0]["width"], 640);
  EXPECT_EQ(summary["sources"][1]["name"], "right");
  EXPECT_EQ(summary["sources"][1]["packets"], 5);
  EXPECT_EQ(summary["sources"][1]["video_params"][0]["width"], 1280);
}

TEST_F(RsHostOnSimulatedCamera, UnknownSerialNumberFailsToStart) {
  const auto result = Run({"realsense://?sn=123"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(Contains(result.err, "source cam0 (realsense://?sn=123) failed to start: "))
      << result.err;
}

}  // namespace
