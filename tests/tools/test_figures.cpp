// What rs-host counts while sources run, and how it reports it.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <sstream>

#include <gtest/gtest.h>
#include <boost/make_shared.hpp>
#include <module_log_lines.hpp>
#include <nlohmann/json.hpp>

#include "device_list.hpp"
#include "module_events.hpp"
#include "quantile_histogram.hpp"
#include "source_statistics.hpp"
#include "status_display.hpp"
#include "summary.hpp"

namespace rs_host {
namespace {

// A million values of a spread-out distribution: its percentiles agree with
// the exact ones within the bound, in the histogram's fixed memory.
TEST(QuantileHistogram, PercentilesOfAManyValuesAgreeWithTheExactOnes) {
  QuantileHistogram histogram;
  std::vector<double> values;
  std::uint64_t state = 12345;
  for (int i = 0; i < 1'000'000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double uniform = static_cast<double>(state >> 11) / 9007199254740992.0;
    values.push_back(-1.0 + 50.0 * uniform * uniform);
    histogram.Add(values.back());
  }
  std::sort(values.begin(), values.end());
  for (const double p : {1.0, 50.0, 90.0, 99.0, 99.9}) {
    const double exact = values[static_cast<std::size_t>(std::ceil(p / 100 * 1e6)) - 1];
    const double bound =
        std::abs(exact) * QuantileHistogram::kRelativeError + QuantileHistogram::kResolutionMs / 2;
    EXPECT_NEAR(*histogram.Percentile(p), exact, bound) << "p" << p;
  }
  EXPECT_LE(sizeof(QuantileHistogram), 60u * 1024);
}

// Packets, depth and summed lost frames are checked end to end (test_rs_host.cpp); the
// rates, depth share and packet ages only here.
TEST(SourceStatistics, CountsRatesPacketAgeAndDepth) {
  SourceStatistics statistics;
  EXPECT_FALSE(statistics.Report().meanFps);

  const auto start = std::chrono::steady_clock::time_point{} + std::chrono::seconds(100);
  statistics.MarkStart(start);
  // Eleven packets 100 ms apart, the first 250 ms after Start; latency is
  // 2 ms for all but the last, which is 40 ms late; every other has depth.
  for (int i = 0; i <= 10; ++i) {
    PacketObservation packet;
    packet.arrival = start + std::chrono::milliseconds(250 + 100 * i);
    packet.packetTimeMs = 1'000'000 + 100 * i;
    packet.arrivalSystemMs = static_cast<double>(packet.packetTimeMs) + (i == 10 ? 40.0 : 2.0);
    if (i % 2 == 0)
      packet.depth = DepthInfo{848, 480, 0.001f};
    ASSERT_TRUE(statistics.RecordPacket(packet));
  }

  const auto report = statistics.Report();
  EXPECT_NEAR(report.DepthShare(), 6.0 / 11.0, 1e-12);
  EXPECT_NEAR(report.meanFps.value_or(0), 10.0, 1e-9);
  EXPECT_NEAR(report.firstPacketMs.value_or(0), 250.0, 1e-9);
  EXPECT_NEAR(report.packetAgeP50Ms.value_or(0), 2.0, 2.0 / 256);
  EXPECT_NEAR(report.packetAgeP99Ms.value_or(0), 40.0, 40.0 / 256);
}

// Downtime runs from each restart's warning to its "streaming again", and up
// to the moment of the report while a restart is under way.
TEST(SourceStatistics, RestartsAndDowntime) {
  using std::chrono::milliseconds;
  SourceStatistics statistics;
  const auto t0 = std::chrono::steady_clock::time_point{} + std::chrono::seconds(100);
  statistics.RecordStreamingAgain(t0);  // without a restart: nothing
  EXPECT_EQ(statistics.Report(t0).restarts, 0u);
  EXPECT_DOUBLE_EQ(statistics.Report(t0).downSeconds, 0.0);

  statistics.RecordRestartBegins(t0);
  statistics.RecordRestartTryFailed();
  statistics.RecordRestartBegins(t0 + milliseconds(500));  // still the same restart
  statistics.RecordRestartTryFailed();
  auto report = statistics.Report(t0 + milliseconds(1000));
  EXPECT_EQ(report.restarts, 1u);
  EXPECT_EQ(report.failedTries, 2u);
  EXPECT_TRUE(report.down);
  EXPECT_NEAR(report.downSeconds, 1.0, 1e-9);

  statistics.RecordStreamingAgain(t0 + milliseconds(7500));
  statistics.RecordRestartBegins(t0 + milliseconds(60'000));
  statistics.RecordStreamingAgain(t0 + milliseconds(62'250));
  report = statistics.Report(t0 + milliseconds(100'000));
  EXPECT_EQ(report.restarts, 2u);
  EXPECT_FALSE(report.down);
  EXPECT_NEAR(report.downSeconds, 9.75, 1e-9);
}

void Log(const char* channel, orvlog::Severity severity, const std::string& message) {
  const orvlog::Logger logger(channel, false);
  auto record = boost::make_shared<orvlog::LogRecord>(severity);
  record->SetMessage(message);
  logger.PushRecord(record);
}

// Each of the module's lines that rs-host counts, with its severity; lines
// of another channel or severity, or of another shape, are not events. The
// lines the stand-in module writes (a watchdog's restart, a failed try as a
// Warning, "streaming again") are counted end to end (RsHostOnStandIn).
TEST(ModuleEventSink, TurnsOnlyTheModulesLinesIntoEventsWhileItLives) {
  using orvlog::Severity;
  const char* module = vs_realsense2::log_lines::kChannel;
  std::vector<SourceEvent> seen;
  {
    const ModuleEventSink sink([&seen](const SourceEvent& event) { seen.push_back(event); });
    Log(module, Severity::Warning, "<a.b-c> ProcessFrame: lost frames");
    Log("utils", Severity::Warning, "<x> ProcessFrame: lost frames");
    Log(module, Severity::Warning, "<x> PrintEmitter: emitter not supported");
    Log(module, Severity::Warning, "x ProcessFrame: lost frames");
    Log(module, Severity::Info, "<x> ProcessFrame: lost frames");
    Log(module, Severity::Warning, "<cam2> Watchdog: reader ended, restarting in 500 ms");
    Log(module, Severity::Warning,
        "<cam2> Watchdog: watchdog_ms=40 raised to 500 ms: at least 100 ms and 3 frame "
        "intervals at 6 fps");
    Log(module, Severity::Info, "<cam1> Watchdog: no frames for 2000 ms, restarting");
    Log(module, Severity::Error,
        "<cam1> Restart: try 2 failed: rs error calling rs2_pipeline_start(pipe:0x1):Failed to "
        "resolve request. No device found that satisfies all requirements; next try in 30000 ms");
    Log(module, Severity::Info, "<cam1> Restart: try 3 failed: not a real line");
    Log(module, Severity::Warning, "<cam1> Restart: streaming again after 7.5 s, 4 tries");
    Log(module, Severity::Info, "<cam1> Restart: recording to cam-1.bag");
    Log(module, Severity::Warning, "<right> ProcessFrame: lost frames");
  }
  Log(module, Severity::Warning, "<left> ProcessFrame: lost frames");
  EXPECT_EQ(seen, (std::vector<SourceEvent>{{"a.b-c", ModuleEvent::LostFrames},
                                            {"cam2", ModuleEvent::RestartBegins},
                                            {"cam1", ModuleEvent::RestartTryFailed},
                                            {"right", ModuleEvent::LostFrames}}));
}

// A line of the module's channel from source cam0, as rs-host reads it.
std::optional<SourceEvent> Parse(orvlog::Severity severity, const std::string& text) {
  return ParseModuleLine({severity, vs_realsense2::log_lines::kChannel, "<cam0> " + text, ""});
}

// A count that is not a plain number above 0 still says frames were lost, and counts as one
// (a count that is adds up end to end: RsHostOnStandIn).
TEST(ModuleEventSink, SummedLostFramesCarryTheirCount) {
  using orvlog::Severity;
  const auto parse = [](Severity severity, const std::string& text) {
    return Parse(severity, "ProcessFrame: " + text);
  };
  const std::string end(vs_realsense2::log_lines::kLostFramesCountEnd);
  // The plain line, and the summed one with a count it cannot read: one frame.
  for (const std::string& one : std::vector<std::string>{
           "lost frames", "lost frames: " + end, "lost frames: -3" + end, "lost frames: +3" + end,
           "lost frames:  3" + end, "lost frames: 2.5" + end, "lost frames: 0" + end,
           "lost frames: 99999999999999999999999" + end, "lost frames: 3 in the last minute",
           "lost frames: many"}) {
    EXPECT_EQ(parse(Severity::Warning, one), (SourceEvent{"cam0", ModuleEvent::LostFrames, 1}))
        << one;
  }
  EXPECT_FALSE(parse(Severity::Info, "lost frames: 17" + end));
}

// The health line's camera figures, wherever they stand in it; fields the host does not know
// and values it cannot read are passed over.
TEST(ModuleEventSink, HealthLinesAndHardwareResetsCarryTheCamerasFigures) {
  using orvlog::Severity;
  // Colour and depth drops, stale depth, notifications, asic and projector temperatures.
  HealthFigures figures{3, 1, 450, 7, 41.5, std::nullopt};
  EXPECT_EQ(Parse(Severity::Info,
                  "Health: packets 1800 in 60.0 s (30.0/s); framesets lost at the queue 0; "
                  "restarts 0; last packet 3 ms ago; color fps 30.0; color drops 3; depth fps "
                  "15.0; depth drops 1; stale depth 450; notified frames timeout 2; notified "
                  "hardware error 5; notified unknown error x; asic temperature 41.5; projector "
                  "temperature n/a; later field 12"),
            (SourceEvent{"cam0", ModuleEvent::Health, 1, figures}));
  EXPECT_EQ(
      Parse(Severity::Warning, "Recovery: hardware reset of camera 123: 3 tries failed in a row"),
      (SourceEvent{"cam0", ModuleEvent::HardwareReset}));
  EXPECT_FALSE(Parse(Severity::Info, "Recovery: camera back after the hardware reset, 2.0 s"));

  SourceStatistics statistics;
  statistics.AddHealth(figures);
  figures.asicC.reset();
  statistics.AddHealth(figures);
  statistics.RecordHardwareReset();
  const SourceReport report = statistics.Report();
  EXPECT_EQ(report.colorDrops, 6u);
  EXPECT_EQ(report.staleDepth, 900u);
  EXPECT_EQ(report.notifications, 14u);
  EXPECT_EQ(report.asicC, std::nullopt);  // the last line's
  EXPECT_EQ(report.hardwareResets, 1u);
}

// A report with every figure, each distinct: in SourceReport's order.
const VideoFormat kFormat{640, 480, 16};
const DepthInfo kDepth{848, 470, 0.001f};
const SourceReport kFigures{
    150, 75,      2,      29.97, 312.4, std::vector<VideoFormat>(1, kFormat),
    3,   kFormat, kDepth, 3.25,  8.5,   3,
    5,   12.5,    true,   false, 4,     6,
    7,   9,       41.5,   38.0,  1};

// Without restarts, and with restarts only, the line is matched end to end
// (RsHostOnStandIn); here every figure of the camera's health as well.
TEST(StatusDisplay, ShowsTheHealthFiguresBeforeTheRestarts) {
  SourceStatus status{"a", SourceState::Running, kFigures};
  status.report.depthDrops = 0;
  status.report.asicC.reset();
  EXPECT_EQ(StatusDisplay::Format(1.0, {status}, {30.0}),
            "[  1.0 s] a: 150 pkts 30.0 fps depth yes 640x480 RGB24 lost 2 drops 4/0 stale 7 "
            "notes 9 temp n/a/38.0 C resets 1 restarts 3 down 12.5 s (restarting)");
}

// On a terminal a line printed while the status line is drawn goes above it: the status line
// is erased, the line written, the status drawn again. Elsewhere lines are plain.
TEST(StatusDisplay, LinesGoAboveTheLiveLine) {
  const std::vector<SourceStatus> sources{{"a", SourceState::Running, {}},
                                          {"b", SourceState::Starting, {}}};
  const std::string status = "[  1.0 s] a: 0 pkts 0.0 fps depth no no params lost 0 | b: starting";
  for (const bool terminal : {true, false}) {
    std::ostringstream screen;
    StatusDisplay display(screen, terminal);
    display.PrintLine(screen, "before");
    display.Update(1.0, sources);
    display.PrintLine(screen, "a log line");
    display.Finish();
    display.PrintLine(screen, "after");
    EXPECT_EQ(screen.str(), terminal ? "before\n\r" + status + "\x1b[K\r\x1b[Ka log line\n" +
                                           status + "\x1b[K\nafter\n"
                                     : "before\n" + status + "\na log line\nafter\n");
  }
}

// Sizes grouped per stream and format, rates per size, in the library's
// order; infos the device lacks are not shown.
TEST(DeviceList, OneLinePerStreamAndFormatWithItsSizesAndRates) {
  DeviceEntry camera;
  camera.infos = {{"", "Intel RealSense D435"}, {"serial", "123"}, {"USB", "3.2"}};
  SensorEntry stereo{"Stereo Module", {}};
  for (const auto& [w, h] : {std::pair{848, 480}, {640, 480}})
    for (const int fps : {30, 15})
      stereo.modes.push_back({"Depth", "Z16", w, h, fps});
  stereo.modes.push_back({"Infrared 1", "Y8", 640, 480, 30});
  SensorEntry motion{"Motion Module",
                     {{"Gyro", "MOTION_XYZ32F", 0, 0, 200}, {"Gyro", "MOTION_XYZ32F", 0, 0, 400}}};
  camera.sensors = {stereo, motion};
  std::ostringstream out;
  WriteDeviceList(out, {camera, DeviceEntry{{{"", "other"}}, {}}});
  EXPECT_EQ(out.str(),
            "Intel RealSense D435, serial 123, USB 3.2\n"
            "  Stereo Module\n"
            "    Depth Z16  848x480@30/15  640x480@30/15\n"
            "    Infrared 1 Y8  640x480@30\n"
            "  Motion Module\n"
            "    Gyro MOTION_XYZ32F  @200/400\n"
            "other\n");
  std::ostringstream none;
  WriteDeviceList(none, {});
  EXPECT_EQ(none.str(), "no camera connected\n");
}

TEST(SummaryJson, CarriesEveryFigureAndNullsWhatASourceNeverHad) {
  const SourceSummary ok{
      "cam0", "realsense://?c_width=640", std::nullopt, kFigures, {"a.png", "b.png"}};
  const SourceSummary failed{"cam1", "realsense://?sn=1", "rs2::error: none", {}, {}};
  const auto json = nlohmann::json::parse(SummaryJson({"/lib/m.so", 5.02, "time", {ok, failed}}));

  EXPECT_EQ(json["module"], "/lib/m.so");
  EXPECT_DOUBLE_EQ(json["seconds"].get<double>(), 5.02);
  EXPECT_EQ(json["stopped_by"], "time");
  EXPECT_EQ(json["sources"][0], nlohmann::json::parse(R"({
    "name": "cam0", "address": "realsense://?c_width=640", "started": true, "error": null,
    "packets": 150, "mean_fps": 29.97, "first_packet_ms": 312.4,
    "video_params": [{"width": 640, "height": 480, "pixel_format": 16,
                      "pixel_format_name": "RGB24"}],
    "depth": {"width": 848, "height": 470, "units_m": 0.001},
    "video_params_count": 3,
    "depth_packets": 75, "depth_share": 0.5, "lost_frames": 2,
    "packet_age_ms": {"p50": 3.25, "p99": 8.5, "relative_error": 0.00390625},
    "restarts": {"count": 3, "failed_tries": 5, "down_s": 12.5, "down_at_end": true},
    "hardware_resets": 1, "drops": {"color": 4, "depth": 6}, "stale_depth": 7,
    "notifications": 9, "temperatures_c": {"asic": 41.5, "projector": 38.0},
    "snapshots": ["a.png", "b.png"]})"));
  const auto& bad = json["sources"][1];
  EXPECT_EQ(bad["started"], false);
  EXPECT_EQ(bad["error"], "rs2::error: none");
  for (const auto& unknown :
       {bad["mean_fps"], bad["depth"], bad["packet_age_ms"]["p50"], bad["temperatures_c"]["asic"]})
    EXPECT_TRUE(unknown.is_null()) << bad;
}

}  // namespace
}  // namespace rs_host
