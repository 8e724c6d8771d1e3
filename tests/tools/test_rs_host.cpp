// rs-host with the real module on the simulated camera: what an integrator
// sees on a first run, failures, recording and playback, and Ctrl-C. With the
// stand-in module: restarts, lost frames, a silent source.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <vs_test_support/child_process.hpp>
#include <vs_test_support/percent_encoding.hpp>

#include "png_reader.hpp"

namespace {

using nlohmann::json;
using rs_host_test::DecodePngFile;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Each of `parts` is in `output`, each at or after the one before it.
void ExpectInOrder(const std::string& output, const std::vector<std::string>& parts) {
  std::size_t previous = 0;
  for (const std::string& part : parts) {
    const auto at = output.find(part);
    ASSERT_NE(at, std::string::npos) << part << " not in: " << output;
    EXPECT_GE(at, previous) << part;
    previous = at;
  }
}

constexpr const char* kVga =
    "realsense://?c_width=640&c_height=480&c_fps=30&d_width=640&d_height=480&d_fps=30";

struct ChildResult {
  int exitCode = -1;   // -1 when ended by a signal, or killed after a minute
  std::string output;  // standard output and error, as they came
};

// Called with the child's pid and its output so far, each time more arrives;
// lets a test act once the child has printed some line.
using OutputWatch = std::function<void(int pid, const std::string& output)>;

// Runs rs-host as a user does. Reads until the child closes its end, so that
// it never blocks on a full pipe.
ChildResult RunRsHost(const std::vector<std::string>& args, const OutputWatch& watch = {}) {
  vs_test_support::ChildProcess child(RS_HOST_PROGRAM, args);
  ChildResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      child.Signal(SIGKILL);
      break;
    }
    const std::size_t before = result.output.size();
    if (!child.Read(result.output, left))
      break;
    if (watch && result.output.size() != before)
      watch(child.Pid(), result.output);
  }
  result.exitCode = child.WaitForExit(std::chrono::hours(1)).value_or(-1);
  return result;
}

class RsHostOnSimulatedCamera : public ::testing::Test {
 protected:
  // A folder of the case's own, removed with everything in it at the end.
  RsHostOnSimulatedCamera() { std::filesystem::create_directories(dir_); }
  ~RsHostOnSimulatedCamera() override { std::filesystem::remove_all(dir_); }

  ChildResult Run(std::vector<std::string> args, const OutputWatch& watch = {}) const {
    args.insert(args.begin(), {"--module", module_});
    return RunRsHost(args, watch);
  }
  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  json Json(const std::string& name) const { return json::parse(std::ifstream(PathOf(name))); }

  const std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() /
      ("rs-host-test-" + std::to_string(::getpid()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::string module_ = RS_HOST_MODULE;
};

// A first run as an integrator makes it, without --module: the module built
// beside the program is loaded. It records, and the recording plays back. The
// depth snapshot is the depth the module delivered: filtered and at its size.
// A snapshot that cannot be written is named with its reason; the others are
// written. --seconds bounds a run whose --frames limit is never reached.
TEST_F(RsHostOnSimulatedCamera, ShortRunDeliversEverythingAndItsRecordingPlaysBack) {
  const std::string bag = PathOf("cam.bag");
  const auto result = RunRsHost(
      {"--frames", "15", "--seconds", "30", "--json", PathOf("run.json"), "--snapshot",
       PathOf("shots"),
       std::string(kVga) + "&decimate=2&record_to_file=" + vs_test_support::PercentEncoded(bag)});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const auto summary = Json("run.json");
  EXPECT_TRUE(std::filesystem::equivalent(summary["module"].get<std::string>(), RS_HOST_MODULE))
      << summary["module"];
  const auto& cam = summary["sources"][0];
  EXPECT_EQ(cam["packets"], 15);
  EXPECT_EQ(cam["video_params"][0]["width"], 640);
  EXPECT_EQ(cam["video_params"][0]["height"], 480);
  EXPECT_EQ(cam["video_params"][0]["pixel_format_name"], "RGB24");
  EXPECT_EQ(cam["depth"]["width"], 320);
  EXPECT_GT(cam["depth_packets"].get<int>(), 0);
  for (const auto& [file, width, height] : {std::tuple{"shots/cam0_color.png", 640u, 480u},
                                            std::tuple{"shots/cam0_depth.png", 320u, 240u}}) {
    const auto png = DecodePngFile(PathOf(file));
    ASSERT_TRUE(png.ok) << file << ": " << png.message;
    EXPECT_EQ(std::make_pair(png.width, png.height), std::make_pair(width, height)) << file;
    // Neither colour bars nor a depth ramp are one colour.
    EXPECT_NE(png.Pixel(0, 10), png.Pixel(width - 1, 10)) << file;
  }
  // The second colour bar is yellow: red and green, in that order.
  EXPECT_EQ(DecodePngFile(PathOf("shots/cam0_color.png")).Pixel(100, 10),
            (std::vector<std::uint8_t>{255, 255, 0}));

  // More packets than were recorded: playback loops.
  std::filesystem::create_directories(PathOf("blocked/cam0_color.png"));
  const auto played =
      Run({"--frames", "30", "--seconds", "30", "--json", PathOf("play.json"), "--snapshot",
           PathOf("blocked"),
           "realsense://?playback_from_file=" + vs_test_support::PercentEncoded(bag)});
  EXPECT_EQ(played.exitCode, 1);
  EXPECT_TRUE(Contains(played.output, "rs-host: snapshot not written: " +
                                          PathOf("blocked/cam0_color.png") + ": Is a directory\n"))
      << played.output;
  EXPECT_TRUE(DecodePngFile(PathOf("blocked/cam0_depth.png")).ok);
  const auto playCam = Json("play.json")["sources"][0];
  EXPECT_EQ(playCam["packets"], 30);
  EXPECT_EQ(playCam["video_params"][0]["width"], 640);
  EXPECT_GT(playCam["depth_packets"].get<int>(), 0);
}

// The sources start at once: while the start of a source whose camera is
// missing waits inside the camera library (unsupervised, the module leaves
// that wait to the library), the next one delivers; the failures of those
// after it (each says why) are told only after the waiting one's, in source
// order. Ctrl-C then stops the run without waiting for that start: the
// running source stops at once, the waiting one as soon as its start gives
// up, and the summary is written. A second Ctrl-C during that wait ends the
// program at once.
TEST_F(RsHostOnSimulatedCamera, CtrlCDuringAStartStopsTheRun) {
  const std::regex bothShown(R"(cam0: starting \| cam1: [1-9][0-9]* pkts )");
  const std::string absent = PathOf("absent.bag");
  const std::vector<std::string> args = {
      "--seconds",
      "600",
      "--json",
      PathOf("run.json"),
      "realsense://?sn=123&watchdog_ms=0",
      kVga,
      "realsense://?c_width=6 40",
      "realsense://?playback_from_file=" + vs_test_support::PercentEncoded(absent)};
  // rs2sim's longest wait: the other source has that long to deliver.
  setenv("RS2SIM_MISSING_DEVICE_WAIT_MS", "15000", 1);
  bool sent = false;
  const auto once = Run(args, [&](int pid, const std::string& out) {
    if (!sent && std::regex_search(out, bothShown)) {
      kill(pid, SIGINT);
      sent = true;
    }
  });
  ASSERT_TRUE(sent) << once.output;
  EXPECT_EQ(once.exitCode, 1) << once.output;  // cam0, cam2 and cam3 did not start
  ExpectInOrder(
      once.output,
      {"stopping on signal 2\n",
       "waiting for the start of cam0 to return; each source is stopped as soon as it does\n",
       "rs-host: source cam0 (realsense://?sn=123&watchdog_ms=0) failed to start: ",
       "rs-host: source cam2 (realsense://?c_width=6 40) failed to start: "
       "utils::UrlParserError: failed to parse URL: 'realsense://?c_width=6 40'\n",
       "rs-host: source cam3 (" + args.back() +
           ") failed to start: utils::OpenFileError: No such file or directory: " + absent + "\n",
       "Summary after"});
  const auto summary = Json("run.json");
  EXPECT_EQ(summary["stopped_by"], "signal");
  for (const int failed : {0, 2, 3})
    EXPECT_EQ(summary["sources"][failed]["started"], false) << failed;
  EXPECT_GT(summary["sources"][1]["packets"].get<int>(), 0);

  int signals = 0;
  const auto twice = Run(args, [&](int pid, const std::string& out) {
    if ((signals == 0 && std::regex_search(out, bothShown)) ||
        (signals == 1 && Contains(out, "waiting for the start of cam0"))) {
      kill(pid, SIGINT);
      ++signals;
    }
  });
  unsetenv("RS2SIM_MISSING_DEVICE_WAIT_MS");
  EXPECT_EQ(signals, 2) << twice.output;
  EXPECT_EQ(twice.exitCode, 130) << twice.output;
  EXPECT_FALSE(Contains(twice.output, "failed to start")) << twice.output;
  EXPECT_FALSE(Contains(twice.output, "Summary after")) << twice.output;
}

// rs-host pulls the simulated camera out and plugs it back in; the module's
// watchdog notices the silence and restarts the source, which streams again.
// An action never comes during the start, however slow the machine.
TEST_F(RsHostOnSimulatedCamera, UnplugAndReplugShowTheModulesRecovery) {
  const std::string camera = "900000000000";
  bool sent = false;
  const auto result =
      Run({"--seconds", "0", "--json", PathOf("run.json"), "--unplug", camera + "@1", "--replug",
           camera + "@3", "--replug", "123@3", "realsense://?watchdog_ms=500"},
          [&sent](int pid, const std::string& out) {
            if (!sent && Contains(out, "<cam0> Restart: streaming again after ")) {
              kill(pid, SIGINT);
              sent = true;
            }
          });
  ASSERT_TRUE(sent) << result.output;
  EXPECT_EQ(result.exitCode, 0) << result.output;
  ExpectInOrder(result.output,
                {"rs-host: simulated camera " + camera + " unplugged at ",
                 "<cam0> Watchdog: no frames for ", "<cam0> Restart: streaming again"});
  for (const std::string& expected :
       {"rs-host: simulated camera " + camera + " plugged back in at ",
        std::string("rs-host: --replug 123@3: no simulated camera 123 is unplugged\n")}) {
    EXPECT_TRUE(Contains(result.output, expected)) << expected << " not in: " << result.output;
  }
  const auto summary = Json("run.json");
  const auto& restarts = summary["sources"][0]["restarts"];
  EXPECT_EQ(restarts["count"], 1);
  EXPECT_EQ(restarts["down_at_end"], false);
}

// The stand-in module (stand_in_module.cpp) scripts what a camera cannot be
// made to do on demand.
class RsHostOnStandIn : public RsHostOnSimulatedCamera {
 protected:
  RsHostOnStandIn() { module_ = RS_HOST_STAND_IN; }
};

// Two restarts, each with its warning, a failed try, 300 ms without packets
// and "streaming again": counted in the live line, the summary and the JSON;
// so are lost frames, of both lines.
TEST_F(RsHostOnStandIn, RestartsShowInTheLiveLineAndTheSummary) {
  const auto result = Run({"--frames", "300", "--seconds", "60", "--json", PathOf("run.json"),
                           "realsense://?restarts=2", "realsense://?lost=4"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_TRUE(std::regex_search(
      result.output,
      std::regex(
          R"(\] cam0: [0-9]+ pkts [0-9.]+ fps depth no 640x480 RGB24 lost 0 restarts [12] )"
          R"(down [0-9.]+ s \| cam1: [0-9]+ pkts [0-9.]+ fps depth no 640x480 RGB24 lost 5\n)")))
      << result.output;
  EXPECT_TRUE(std::regex_search(result.output,
                                std::regex(R"(\n  restarts +2, down [0-9.]+ s, 2 failed tries\n)")))
      << result.output;
  EXPECT_TRUE(Contains(result.output, "\n  restarts            0\n")) << result.output;
  const auto summary = Json("run.json");
  const auto& cam = summary["sources"][0];
  EXPECT_EQ(cam["packets"], 300);
  EXPECT_EQ(cam["restarts"]["count"], 2);
  EXPECT_EQ(cam["restarts"]["failed_tries"], 2);
  EXPECT_GE(cam["restarts"]["down_s"].get<double>(), 0.6);
  EXPECT_EQ(cam["restarts"]["down_at_end"], false);
  // Each restart announced again; the format is listed once.
  EXPECT_EQ(cam["video_params_count"], 3);
  EXPECT_EQ(cam["video_params"].size(), 1u);
  EXPECT_EQ(summary["sources"][1]["restarts"]["count"], 0);
  // The plain line counts one lost frame, the summed one its count.
  EXPECT_EQ(summary["sources"][1]["lost_frames"], 5);
}

TEST_F(RsHostOnStandIn, ASourceThatDeliversNothingEndsWithStatusThree) {
  const auto result = Run({"--seconds", "1", "realsense://?silent=1", "realsense://"});
  EXPECT_EQ(result.exitCode, 3) << result.output;
  EXPECT_TRUE(Contains(result.output, "rs-host: source cam0 started but delivered no packet\n"))
      << result.output;
  EXPECT_FALSE(Contains(result.output, "source cam1 started but")) << result.output;
}

// A file that cannot be written says why, in the system's words. The JSON
// path is refused before any source runs, the snapshot directory too.
TEST_F(RsHostOnStandIn, FilesThatCannotBeWrittenSayWhy) {
  std::ofstream(PathOf("plain")) << "not a directory";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--json", PathOf("missing/run.json")},
       "cannot write the JSON summary to '" + PathOf("missing/run.json") +
           "': No such file or directory"},
      {{"--snapshot", PathOf("plain/shots")},
       "cannot create snapshot directory '" + PathOf("plain/shots") + "': Not a directory"},
  };
  for (auto [args, expected] : cases) {
    args.push_back("realsense://");
    const auto result = Run(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "rs-host: " + expected + "\n");
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("missing/run.json")));
}

}  // namespace
