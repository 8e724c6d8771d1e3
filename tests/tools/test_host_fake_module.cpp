// rs-host as a whole, run as a separate process against a stand-in module
// whose output is known exactly.
#include <csignal>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "child_process.hpp"
#include "colour_map.hpp"
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

class RsHostWithFakeModule : public ::testing::Test {
 protected:
  ChildResult Run(std::vector<std::string> args, const ChildOptions& options = {},
                  const std::string& module = RS_HOST_FAKE_MODULE) {
    args.insert(args.begin(), {"--module", module});
    return rs_host_test::RunChild(RS_HOST_PROGRAM, args, dir_.Path(), options);
  }
  std::string PathOf(const std::string& name) const { return (dir_.Path() / name).string(); }
  json Json(const std::string& name) const { return json::parse(ReadText(PathOf(name))); }

  TempDir dir_;
};

TEST_F(RsHostWithFakeModule, FrameLimitedRunWritesSummaryJsonAndSnapshots) {
  const auto result = Run({"--frames", "20", "--seconds", "60", "--json", PathOf("run.json"),
                           "--snapshot", PathOf("shots"), "realsense://?fake"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(Contains(result.out, "Summary after")) << result.out;
  EXPECT_TRUE(Contains(result.out, "cam0  realsense://?fake")) << result.out;

  const auto summary = Json("run.json");
  EXPECT_EQ(summary["stopped_by"], "frames");
  EXPECT_EQ(summary["module"], RS_HOST_FAKE_MODULE);
  ASSERT_EQ(summary["sources"].size(), 1u);
  const auto& cam = summary["sources"][0];
  EXPECT_EQ(cam["name"], "cam0");
  EXPECT_EQ(cam["started"], true);
  EXPECT_EQ(cam["packets"], 20);
  EXPECT_EQ(cam["depth_packets"], 20);
  EXPECT_DOUBLE_EQ(cam["depth_share"].get<double>(), 1.0);
  ASSERT_EQ(cam["video_params"].size(), 1u);
  EXPECT_EQ(cam["video_params"][0]["width"], 64);
  EXPECT_EQ(cam["video_params"][0]["height"], 48);
  EXPECT_EQ(cam["video_params"][0]["pixel_format_name"], "RGB24");
  EXPECT_EQ(cam["depth"]["width"], 32);
  EXPECT_EQ(cam["depth"]["height"], 24);
  EXPECT_DOUBLE_EQ(cam["depth"]["units_m"].get<double>(), 0.001);
  EXPECT_EQ(cam["lost_frames"], 0);
  EXPECT_TRUE(cam["mean_fps"].is_number());
  EXPECT_TRUE(cam["first_packet_ms"].is_number());
  EXPECT_TRUE(cam["latency_ms"]["p50"].is_number());
  EXPECT_LE(cam["latency_ms"]["p50"].get<double>(), cam["latency_ms"]["p99"].get<double>());
  EXPECT_EQ(cam["snapshots"].size(), 2u);

  const auto colour = DecodePngFile(PathOf("shots/cam0_color.png"));
  ASSERT_TRUE(colour.ok) << colour.message;
  EXPECT_EQ(colour.width, 64u);
  EXPECT_EQ(colour.height, 48u);
  EXPECT_EQ(colour.Pixel(10, 10)[0], 200);
  EXPECT_EQ(colour.Pixel(10, 10)[1], 100);
  EXPECT_EQ(colour.Pixel(10, 10)[2], 50);

  const auto depth = DecodePngFile(PathOf("shots/cam0_depth.png"));
  ASSERT_TRUE(depth.ok) << depth.message;
  EXPECT_EQ(depth.width, 32u);
  EXPECT_EQ(depth.height, 24u);
  // Top row: no depth, black. Left column nearest, right column farthest.
  EXPECT_EQ(depth.Pixel(5, 0)[0] + depth.Pixel(5, 0)[1] + depth.Pixel(5, 0)[2], 0);
  const auto nearest = rs_host::DepthColour(0.0);
  const auto farthest = rs_host::DepthColour(1.0);
  EXPECT_EQ(std::vector<std::uint8_t>(depth.Pixel(0, 5), depth.Pixel(0, 5) + 3),
            std::vector<std::uint8_t>(nearest.begin(), nearest.end()));
  EXPECT_EQ(std::vector<std::uint8_t>(depth.Pixel(31, 5), depth.Pixel(31, 5) + 3),
            std::vector<std::uint8_t>(farthest.begin(), farthest.end()));
}

TEST_F(RsHostWithFakeModule, SeveralSourcesKeepTheirOwnFiguresAndNames) {
  const auto result = Run({"--frames", "10", "--seconds", "60", "--name", "left", "--name", "right",
                           "--json", PathOf("run.json"), "--snapshot", PathOf("shots"),
                           "realsense://?bgr&lost=3", "realsense://?no_depth"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto summary = Json("run.json");
  ASSERT_EQ(summary["sources"].size(), 2u);
  const auto& left = summary["sources"][0];
  const auto& right = summary["sources"][1];
  EXPECT_EQ(left["name"], "left");
  EXPECT_EQ(left["lost_frames"], 3);
  EXPECT_EQ(left["video_params"][0]["pixel_format_name"], "BGR24");
  EXPECT_EQ(right["name"], "right");
  EXPECT_EQ(right["lost_frames"], 0);
  EXPECT_EQ(right["packets"], 10);
  EXPECT_EQ(right["depth_packets"], 0);
  EXPECT_TRUE(right["depth"].is_null());

  // BGR is written as the same picture as RGB.
  const auto colour = DecodePngFile(PathOf("shots/left_color.png"));
  ASSERT_TRUE(colour.ok) << colour.message;
  EXPECT_EQ(colour.Pixel(0, 0)[0], 200);
  EXPECT_EQ(colour.Pixel(0, 0)[2], 50);
  EXPECT_TRUE(DecodePngFile(PathOf("shots/left_depth.png")).ok);
  EXPECT_TRUE(DecodePngFile(PathOf("shots/right_color.png")).ok);
  // No depth arrived: said so, but not a failure.
  EXPECT_FALSE(DecodePngFile(PathOf("shots/right_depth.png")).ok);
  EXPECT_TRUE(Contains(result.err, "right: no depth frame arrived")) << result.err;
}

TEST_F(RsHostWithFakeModule, SourcesThatFailToStartAreReportedAndTheOthersRun) {
  const auto result = Run({"--frames", "5", "--seconds", "60", "--json", PathOf("run.json"),
                           "realsense://?bad", "realsense://?fail_start", "realsense://?good"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(Contains(result.err,
                       "source cam0 (realsense://?bad) failed to start: std::invalid_argument: "
                       "failed to parse URL: 'realsense://?bad'"))
      << result.err;
  EXPECT_TRUE(Contains(result.err,
                       "source cam1 (realsense://?fail_start) failed to start: "
                       "std::runtime_error: no device connected"))
      << result.err;
  const auto summary = Json("run.json");
  EXPECT_EQ(summary["sources"][0]["started"], false);
  EXPECT_EQ(summary["sources"][1]["started"], false);
  EXPECT_EQ(summary["sources"][2]["started"], true);
  EXPECT_EQ(summary["sources"][2]["packets"], 5);
  EXPECT_TRUE(Contains(result.out, "start failed")) << result.out;
}

TEST_F(RsHostWithFakeModule, NoSourceStartsEndsAtOnceWithFailure) {
  const auto result =
      Run({"--seconds", "600", "--json", PathOf("run.json"), "realsense://?fail_start"});
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(Json("run.json")["stopped_by"], "failure");
}

TEST_F(RsHostWithFakeModule, ModulesThatCannotServeAreRefused) {
  const auto missing = Run({"x://"}, {}, PathOf("no-such-module.so"));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(Contains(missing.err, "cannot load module")) << missing.err;
  EXPECT_TRUE(Contains(missing.err, "no-such-module.so")) << missing.err;

  const auto noEntry = Run({"x://"}, {}, RS_HOST_NOT_A_MODULE);
  EXPECT_EQ(noEntry.exitCode, 1);
  EXPECT_TRUE(Contains(noEntry.err, "exports no 'run_realsense_protocol_query'")) << noEntry.err;

  const auto otherScheme = Run({"x://"}, {}, RS_HOST_OTHER_SCHEME_MODULE);
  EXPECT_EQ(otherScheme.exitCode, 1);
  EXPECT_TRUE(Contains(otherScheme.err, "does not serve the scheme 'realsense' (it serves: rtsp)"))
      << otherScheme.err;
}

TEST_F(RsHostWithFakeModule, UsageErrorExitsWithTwo) {
  const auto result = Run({"--frames", "lots", "realsense://"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_TRUE(Contains(result.err, "--frames")) << result.err;
}

TEST_F(RsHostWithFakeModule, UnwritableJsonIsAFailure) {
  const auto result =
      Run({"--frames", "2", "--json", PathOf("no/such/dir/run.json"), "realsense://"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(Contains(result.err, "cannot write the JSON summary")) << result.err;
}

// Ctrl-C and SIGTERM end an unlimited run cleanly, once the status line
// shows that packets flow.
TEST_F(RsHostWithFakeModule, SignalsStopTheRunCleanly) {
  for (const int signal : {SIGINT, SIGTERM}) {
    bool sent = false;
    ChildOptions options;
    options.watch = [&sent, signal](int pid, const std::string& out) {
      if (!sent && Contains(out, " pkts ")) {
        kill(pid, signal);
        sent = true;
      }
    };
    const auto result =
        Run({"--seconds", "0", "--json", PathOf("run.json"), "realsense://"}, options);
    ASSERT_TRUE(sent) << result.out;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.termSignal, 0);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Contains(result.out, "stopping on signal " + std::to_string(signal))) << result.out;
    EXPECT_TRUE(Contains(result.out, "[  1.0 s] cam0: ")) << result.out;
    const auto summary = Json("run.json");
    EXPECT_EQ(summary["stopped_by"], "signal");
    EXPECT_GT(summary["sources"][0]["packets"].get<int>(), 0);
  }
}

}  // namespace
