// What rs-host counts while sources run, and how it reports it.
#include <chrono>
#include <sstream>

#include <gtest/gtest.h>
#include <boost/make_shared.hpp>
#include <boost/weak_ptr.hpp>
#include <nlohmann/json.hpp>

#include "host_handler.hpp"
#include "lost_frame_counter.hpp"
#include "status_display.hpp"
#include "summary.hpp"

namespace rs_host {
namespace {

TEST(Percentile, NearestRankOfUnsortedValues) {
  EXPECT_FALSE(Percentile({}, 50));
  // The value of rank ceil(p / 100 * 5), and at least the first.
  const std::vector<double> values = {40, 10, 30, 20, 50};
  EXPECT_DOUBLE_EQ(*Percentile(values, 0), 10);
  EXPECT_DOUBLE_EQ(*Percentile(values, 50), 30);
  EXPECT_DOUBLE_EQ(*Percentile(values, 79), 40);
  EXPECT_DOUBLE_EQ(*Percentile(values, 99), 50);
}

TEST(SourceStatistics, CountsRatesLatencyAndDepth) {
  SourceStatistics statistics;
  EXPECT_FALSE(statistics.Report().meanFps);
  EXPECT_DOUBLE_EQ(statistics.Report().DepthShare(), 0.0);

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
    statistics.RecordPacket(packet);
  }
  statistics.AddLostFrames(2);
  statistics.AddLostFrames(1);

  const auto report = statistics.Report();
  EXPECT_EQ(report.packets, 11u);
  EXPECT_NEAR(report.DepthShare(), 6.0 / 11.0, 1e-12);
  EXPECT_NEAR(report.meanFps.value_or(0), 10.0, 1e-9);
  EXPECT_NEAR(report.firstPacketMs.value_or(0), 250.0, 1e-9);
  EXPECT_NEAR(report.latencyP50Ms.value_or(0), 2.0, 1e-9);
  EXPECT_NEAR(report.latencyP99Ms.value_or(0), 40.0, 1e-9);
  EXPECT_EQ(report.lostFrames, 3u);
  EXPECT_EQ(report.depth.value_or(DepthInfo{}).width, 848u);
}

// A small depth frame; it serves as a colour buffer too.
class Frame : public vid_db::media::DepthFrame {
 public:
  const std::uint8_t* GetData() const override { return bytes_; }
  std::uint64_t GetSize() const override { return sizeof bytes_; }
  std::uint64_t GetStride() const override { return 4; }
  float GetUnits() const override { return 0.00025f; }
  std::pair<std::uint32_t, std::uint32_t> GetResolution() const override { return {2, 2}; }

 private:
  std::uint8_t bytes_[8] = {};
};

TEST(HostHandler, KeepsOnlyTheNewestFramesUpToTheLimit) {
  HostHandler handler(4);
  std::vector<boost::weak_ptr<Frame>> colours;
  std::vector<boost::weak_ptr<Frame>> depths;
  for (const bool withDepth : {true, true, true, false, true}) {
    const auto colour = boost::make_shared<Frame>();
    colours.push_back(colour);
    vid_db::media::Packet packet(colour, 1000, true);
    if (withDepth) {
      const auto depth = boost::make_shared<Frame>();
      depths.push_back(depth);
      packet.Attach("depth", depth);
    }
    handler.OnPacket(packet);
  }
  // The fourth packet, without depth, keeps the third's depth frame; the
  // fifth is past the limit: neither counted nor kept.
  const auto alive = [](const std::vector<boost::weak_ptr<Frame>>& frames) {
    std::vector<bool> result;
    for (const auto& frame : frames)
      result.push_back(!frame.expired());
    return result;
  };
  EXPECT_EQ(alive(colours), (std::vector<bool>{false, false, false, true, false}));
  EXPECT_EQ(alive(depths), (std::vector<bool>{false, false, true, false}));
  const auto report = handler.Statistics().Report();
  EXPECT_EQ(report.packets, 4u);
  EXPECT_EQ(report.depthPackets, 3u);
  handler.Frames().Clear();
  EXPECT_TRUE(colours[3].expired());
  EXPECT_TRUE(depths[2].expired());
}

TEST(LostFrameCounter, CountsOnlyTheModulesLostFrameLinesWhileItLives) {
  using orvlog::Severity;
  const auto log = [](const char* channel, Severity severity, const std::string& message) {
    const orvlog::Logger logger(channel, false);
    auto record = boost::make_shared<orvlog::LogRecord>(severity);
    record->SetMessage(message);
    logger.PushRecord(record);
  };
  const char* module = LostFrameCounter::kChannel;
  std::vector<std::string> seen;
  {
    const LostFrameCounter counter([&seen](const std::string& name) { seen.push_back(name); });
    log(module, Severity::Warning, "<a.b-c> ProcessFrame: lost frames");
    log("utils", Severity::Warning, "<x> ProcessFrame: lost frames");
    log(module, Severity::Warning, "<x> PrintEmitter: emitter not supported");
    log(module, Severity::Warning, "x ProcessFrame: lost frames");
    log(module, Severity::Warning, "<right> ProcessFrame: lost frames");
  }
  log(module, Severity::Warning, "<left> ProcessFrame: lost frames");
  EXPECT_EQ(seen, (std::vector<std::string>{"a.b-c", "right"}));
}

TEST(StatusDisplay, RateIsOverTheLastInterval) {
  std::ostringstream out;
  StatusDisplay display(out, false);
  for (const auto& [seconds, packets] : {std::pair{1.0, 30}, {2.0, 45}, {4.0, 105}}) {
    SourceStatus status{"a", true, {}};
    status.report.packets = static_cast<std::uint64_t>(packets);
    display.Update(seconds, {status});
  }
  const auto text = out.str();
  for (const char* expected :
       {"a: 30 pkts 30.0 fps", "a: 45 pkts 15.0 fps", "a: 105 pkts 30.0 fps"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " not in: " << text;
}

TEST(SummaryJson, CarriesEveryFigureAndNullsWhatASourceNeverHad) {
  // The figures in SourceReport's order, each distinct.
  const SourceReport figures{
      150, 75, 2, 29.97, 312.4, {{640, 480, 16}}, DepthInfo{848, 470, 0.001f}, 3.25, 8.5};
  const SourceSummary ok{
      "cam0", "realsense://?c_width=640", std::nullopt, figures, {"a.png", "b.png"}};
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
    "depth_packets": 75, "depth_share": 0.5, "lost_frames": 2,
    "latency_ms": {"p50": 3.25, "p99": 8.5}, "snapshots": ["a.png", "b.png"]})"));
  const auto& bad = json["sources"][1];
  EXPECT_EQ(bad["started"], false);
  EXPECT_EQ(bad["error"], "rs2::error: none");
  for (const auto& unknown : {bad["mean_fps"], bad["depth"], bad["latency_ms"]["p50"]})
    EXPECT_TRUE(unknown.is_null()) << bad;
}

}  // namespace
}  // namespace rs_host
