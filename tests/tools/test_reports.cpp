#include <algorithm>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>
#include <boost/make_shared.hpp>
#include <nlohmann/json.hpp>

#include "error_text.hpp"
#include "lost_frame_counter.hpp"
#include "status_display.hpp"
#include "summary.hpp"

namespace rs_host {
namespace {

RunSummary SampleSummary() {
  RunSummary summary;
  summary.module = "/opt/lib/libvs_realsense2.so";
  summary.seconds = 5.02;
  summary.stoppedBy = "time";
  SourceSummary ok;
  ok.name = "cam0";
  ok.address = "realsense://?c_width=640";
  ok.report.packets = 150;
  ok.report.depthPackets = 75;
  ok.report.lostFrames = 2;
  ok.report.meanFps = 29.97;
  ok.report.firstPacketMs = 312.4;
  ok.report.announcements = {{640, 480, 16}};
  ok.report.depth = DepthInfo{848, 480, 0.001f};
  ok.report.latencyP50Ms = 3.25;
  ok.report.latencyP99Ms = 8.5;
  ok.snapshots = {"shots/cam0_color.png", "shots/cam0_depth.png"};
  SourceSummary failed;
  failed.name = "cam1";
  failed.address = "realsense://?sn=1";
  failed.error = "rs2::error: No device connected";
  summary.sources = {ok, failed};
  return summary;
}

TEST(SummaryJson, CarriesEveryFigure) {
  const auto json = nlohmann::json::parse(SummaryJson(SampleSummary()));
  EXPECT_EQ(json["module"], "/opt/lib/libvs_realsense2.so");
  EXPECT_EQ(json["stopped_by"], "time");
  ASSERT_EQ(json["sources"].size(), 2u);
  const auto& ok = json["sources"][0];
  EXPECT_EQ(ok["name"], "cam0");
  EXPECT_EQ(ok["started"], true);
  EXPECT_TRUE(ok["error"].is_null());
  EXPECT_EQ(ok["packets"], 150);
  EXPECT_DOUBLE_EQ(ok["mean_fps"].get<double>(), 29.97);
  EXPECT_DOUBLE_EQ(ok["first_packet_ms"].get<double>(), 312.4);
  ASSERT_EQ(ok["video_params"].size(), 1u);
  EXPECT_EQ(ok["video_params"][0]["width"], 640);
  EXPECT_EQ(ok["video_params"][0]["pixel_format"], 16);
  EXPECT_EQ(ok["video_params"][0]["pixel_format_name"], "RGB24");
  EXPECT_EQ(ok["depth"]["width"], 848);
  EXPECT_DOUBLE_EQ(ok["depth"]["units_m"].get<double>(), 0.001);
  EXPECT_EQ(ok["depth_packets"], 75);
  EXPECT_DOUBLE_EQ(ok["depth_share"].get<double>(), 0.5);
  EXPECT_EQ(ok["lost_frames"], 2);
  EXPECT_DOUBLE_EQ(ok["latency_ms"]["p50"].get<double>(), 3.25);
  EXPECT_DOUBLE_EQ(ok["latency_ms"]["p99"].get<double>(), 8.5);
  EXPECT_EQ(ok["snapshots"].size(), 2u);

  const auto& failed = json["sources"][1];
  EXPECT_EQ(failed["started"], false);
  EXPECT_EQ(failed["error"], "rs2::error: No device connected");
  EXPECT_EQ(failed["packets"], 0);
  EXPECT_TRUE(failed["mean_fps"].is_null());
  EXPECT_TRUE(failed["depth"].is_null());
  EXPECT_TRUE(failed["latency_ms"]["p50"].is_null());
}

TEST(SummaryTable, ShowsEachSourceAndItsFailure) {
  std::ostringstream out;
  WriteSummaryTable(out, SampleSummary());
  const auto text = out.str();
  for (const char* expected :
       {"Summary after 5.0 s (stopped by time)", "cam0  realsense://?c_width=640", "150", "29.97",
        "312 ms", "640x480 RGB24", "848x480, 0.001 m per unit", "50.0 %", "3.2 ms", "8.5 ms",
        "shots/cam0_depth.png", "cam1  realsense://?sn=1",
        "start failed        rs2::error: No device connected"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

SourceStatus Status(const std::string& name, bool running, std::uint64_t packets) {
  SourceStatus status;
  status.name = name;
  status.running = running;
  status.report.packets = packets;
  return status;
}

TEST(StatusDisplay, FormatsEverySource) {
  auto cam0 = Status("cam0", true, 60);
  cam0.report.depthPackets = 60;
  cam0.report.lostFrames = 1;
  cam0.report.announcements = {{640, 480, 16}};
  const auto text = StatusDisplay::Format(
      2.0, {cam0, Status("cam1", true, 0), Status("cam2", false, 0)}, {30.0, 0.0, 0.0});
  EXPECT_EQ(text,
            "[  2.0 s] cam0: 60 pkts 30.0 fps depth yes 640x480 RGB24 lost 1"
            " | cam1: 0 pkts 0.0 fps depth no no params lost 0"
            " | cam2: not running");
}

TEST(StatusDisplay, RateIsOverTheLastInterval) {
  std::ostringstream out;
  StatusDisplay display(out, false);
  display.Update(1.0, {Status("a", true, 30)});
  display.Update(2.0, {Status("a", true, 45)});
  display.Update(4.0, {Status("a", true, 105)});
  const auto text = out.str();
  EXPECT_NE(text.find("[  1.0 s] a: 30 pkts 30.0 fps"), std::string::npos) << text;
  EXPECT_NE(text.find("[  2.0 s] a: 45 pkts 15.0 fps"), std::string::npos) << text;
  EXPECT_NE(text.find("[  4.0 s] a: 105 pkts 30.0 fps"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

TEST(StatusDisplay, OnATerminalTheLineIsRedrawnAndEndedOnce) {
  std::ostringstream out;
  {
    StatusDisplay display(out, true);
    display.Update(1.0, {Status("a", true, 1)});
    display.Update(2.0, {Status("a", true, 2)});
  }
  const auto text = out.str();
  EXPECT_EQ(text.rfind("\r", 0), 0u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
  EXPECT_EQ(text.back(), '\n');
}

orvlog::LogLine Line(orvlog::Severity severity, const std::string& channel,
                     const std::string& message) {
  return orvlog::LogLine{severity, channel, message, message};
}

TEST(LostFrameCounter, RecognisesOnlyTheModulesLostFrameLines) {
  using orvlog::Severity;
  const auto source = [](const orvlog::LogLine& line) {
    return LostFrameCounter::SourceOfLostFrames(line).value_or("-");
  };
  EXPECT_EQ(source(Line(Severity::Warning, "viroz.realsense", "<cam0> ProcessFrame: lost frames")),
            "cam0");
  EXPECT_EQ(source(Line(Severity::Warning, "viroz.realsense", "<a.b-c> X: lost frames")), "a.b-c");
  EXPECT_EQ(source(Line(Severity::Warning, "utils", "<cam0> ProcessFrame: lost frames")), "-");
  EXPECT_EQ(source(Line(Severity::Error, "viroz.realsense", "<cam0> ProcessFrame: lost frames")),
            "-");
  EXPECT_EQ(source(Line(Severity::Warning, "viroz.realsense",
                        "<cam0> PrintEmitter: emitter "
                        "not supported")),
            "-");
  EXPECT_EQ(source(Line(Severity::Warning, "viroz.realsense", "cam0 ProcessFrame: lost frames")),
            "-");
  EXPECT_EQ(source(Line(Severity::Warning, "viroz.realsense", "<cam0> lost frames")), "-");
}

TEST(LostFrameCounter, CountsThroughTheLogAndStopsWhenGone) {
  std::vector<std::string> seen;
  orvlog::Logger logger(LostFrameCounter::kChannel, false);
  const auto log = [&logger](const std::string& message) {
    auto record = boost::make_shared<orvlog::LogRecord>(orvlog::Severity::Warning);
    record->SetMessage(message);
    logger.PushRecord(record);
  };
  {
    const LostFrameCounter counter([&seen](const std::string& name) { seen.push_back(name); });
    log("<left> ProcessFrame: lost frames");
    log("<left> PrintEmitter: emitter not supported");
    log("<right> ProcessFrame: lost frames");
  }
  log("<left> ProcessFrame: lost frames");
  EXPECT_EQ(seen, (std::vector<std::string>{"left", "right"}));
}

namespace sample {
struct OpenFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
}  // namespace sample

TEST(ErrorText, NamesTheTypeReadably) {
  EXPECT_EQ(DescribeException(sample::OpenFileError("cannot open 'x.bag'")),
            "rs_host::(anonymous namespace)::sample::OpenFileError: cannot open 'x.bag'");
  EXPECT_EQ(DescribeException(std::invalid_argument("bad")), "std::invalid_argument: bad");
}

}  // namespace
}  // namespace rs_host
