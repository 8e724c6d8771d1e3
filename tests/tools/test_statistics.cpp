#include <chrono>

#include <gtest/gtest.h>
#include <boost/make_shared.hpp>

#include "host_handler.hpp"
#include "last_frames.hpp"
#include "source_statistics.hpp"

namespace rs_host {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

TEST(Percentile, NearestRank) {
  EXPECT_FALSE(Percentile({}, 50));
  EXPECT_DOUBLE_EQ(*Percentile({7}, 50), 7);
  EXPECT_DOUBLE_EQ(*Percentile({7}, 99), 7);
  // 1..100 in reverse: the 50th value is 50, the 99th is 99.
  std::vector<double> values;
  for (int i = 100; i >= 1; --i)
    values.push_back(i);
  EXPECT_DOUBLE_EQ(*Percentile(values, 50), 50);
  EXPECT_DOUBLE_EQ(*Percentile(values, 99), 99);
  EXPECT_DOUBLE_EQ(*Percentile(values, 100), 100);
  EXPECT_DOUBLE_EQ(*Percentile(values, 0), 1);
  // Four values: p50 is the second smallest, p99 the largest.
  EXPECT_DOUBLE_EQ(*Percentile({4, 1, 3, 2}, 50), 2);
  EXPECT_DOUBLE_EQ(*Percentile({4, 1, 3, 2}, 99), 4);
}

PacketObservation Observation(Clock::time_point arrival, std::int64_t packetTimeMs,
                              double arrivalSystemMs, bool depth) {
  PacketObservation o;
  o.arrival = arrival;
  o.packetTimeMs = packetTimeMs;
  o.arrivalSystemMs = arrivalSystemMs;
  if (depth)
    o.depth = DepthInfo{848, 480, 0.001f};
  return o;
}

TEST(SourceStatistics, EmptyReportHasNoDerivedValues) {
  const SourceStatistics statistics;
  const auto report = statistics.Report();
  EXPECT_EQ(report.packets, 0u);
  EXPECT_FALSE(report.meanFps);
  EXPECT_FALSE(report.firstPacketMs);
  EXPECT_FALSE(report.latencyP50Ms);
  EXPECT_FALSE(report.depth);
  EXPECT_DOUBLE_EQ(report.DepthShare(), 0.0);
}

TEST(SourceStatistics, CountsRatesLatencyAndDepth) {
  SourceStatistics statistics;
  const auto start = Clock::time_point{} + std::chrono::seconds(100);
  statistics.MarkStart(start);
  statistics.RecordParams({640, 480, 16});
  // Eleven packets 100 ms apart, the first 250 ms after Start; latency is
  // 2 ms for all but the last, which is 40 ms late; every other has depth.
  for (int i = 0; i <= 10; ++i) {
    const std::int64_t packetTime = 1'000'000 + 100 * i;
    const double latency = i == 10 ? 40.0 : 2.0;
    statistics.RecordPacket(Observation(start + milliseconds(250 + 100 * i), packetTime,
                                        static_cast<double>(packetTime) + latency, i % 2 == 0));
  }
  statistics.AddLostFrames(2);
  statistics.AddLostFrames(1);

  const auto report = statistics.Report();
  EXPECT_EQ(report.packets, 11u);
  EXPECT_EQ(report.depthPackets, 6u);
  EXPECT_NEAR(report.DepthShare(), 6.0 / 11.0, 1e-12);
  ASSERT_TRUE(report.meanFps);
  EXPECT_NEAR(*report.meanFps, 10.0, 1e-9);
  ASSERT_TRUE(report.firstPacketMs);
  EXPECT_NEAR(*report.firstPacketMs, 250.0, 1e-9);
  EXPECT_NEAR(*report.latencyP50Ms, 2.0, 1e-9);
  EXPECT_NEAR(*report.latencyP99Ms, 40.0, 1e-9);
  EXPECT_EQ(report.lostFrames, 3u);
  ASSERT_EQ(report.announcements.size(), 1u);
  EXPECT_EQ(report.announcements[0], (VideoFormat{640, 480, 16}));
  ASSERT_TRUE(report.depth);
  EXPECT_EQ(report.depth->width, 848u);
  EXPECT_FLOAT_EQ(report.depth->units, 0.001f);
  EXPECT_FALSE(report.limitReached);
}

TEST(SourceStatistics, PacketsBeyondTheLimitAreNotCounted) {
  SourceStatistics statistics(3);
  const auto t = Clock::now();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(statistics.LimitReached());
    EXPECT_TRUE(statistics.RecordPacket(Observation(t + milliseconds(i), i, i, false)));
  }
  EXPECT_TRUE(statistics.LimitReached());
  EXPECT_FALSE(statistics.RecordPacket(Observation(t + milliseconds(9), 9, 9, true)));
  const auto report = statistics.Report();
  EXPECT_EQ(report.packets, 3u);
  EXPECT_EQ(report.depthPackets, 0u);
  EXPECT_TRUE(report.limitReached);
}

TEST(SourceStatistics, FormatNames) {
  EXPECT_EQ(PixelFormatName(16), "RGB24");
  EXPECT_EQ(PixelFormatName(8), "BGR24");
  EXPECT_EQ(PixelFormatName(3), "format 3");
  EXPECT_EQ(DescribeFormat({1280, 720, 8}), "1280x720 BGR24");
}

// Buffers that count how many of them are alive, to see what the host keeps.
class CountedBytes : public vid_db::media::PackBuf {
 public:
  explicit CountedBytes(int* alive) : alive_(alive) { ++*alive_; }
  ~CountedBytes() override { --*alive_; }
  const std::uint8_t* GetData() const override { return bytes_; }
  std::uint64_t GetSize() const override { return sizeof bytes_; }

 private:
  int* alive_;
  std::uint8_t bytes_[12] = {};
};

class CountedDepth : public vid_db::media::DepthFrame {
 public:
  explicit CountedDepth(int* alive) : alive_(alive) { ++*alive_; }
  ~CountedDepth() override { --*alive_; }
  const std::uint8_t* GetData() const override { return bytes_; }
  std::uint64_t GetSize() const override { return sizeof bytes_; }
  std::uint64_t GetStride() const override { return 4; }
  float GetUnits() const override { return 0.00025f; }
  std::pair<std::uint32_t, std::uint32_t> GetResolution() const override { return {2, 2}; }

 private:
  int* alive_;
  std::uint8_t bytes_[8] = {};
};

TEST(HostHandler, CountsPacketsAndKeepsOnlyTheNewestFrames) {
  int colourAlive = 0;
  int depthAlive = 0;
  HostHandler handler(0);
  vid_db::media::StreamParams params;
  vs_stream::VideoRawParams raw;
  raw.width = 2;
  raw.height = 2;
  raw.pixelFormat = vs_stream::kPixelFormatBgr24;
  params.rawVideo = raw;
  EXPECT_TRUE(handler.OnParams(params));
  EXPECT_TRUE(handler.OnParams(vid_db::media::StreamParams{}));  // nothing raw: ignored

  for (int i = 0; i < 3; ++i) {
    vid_db::media::Packet packet(boost::make_shared<CountedBytes>(&colourAlive), 1000 + i, true);
    packet.Attach("depth", boost::make_shared<CountedDepth>(&depthAlive));
    EXPECT_TRUE(handler.OnPacket(packet));
  }
  // A packet without depth keeps the last depth frame.
  EXPECT_TRUE(handler.OnPacket(
      vid_db::media::Packet(boost::make_shared<CountedBytes>(&colourAlive), 2000, true)));
  EXPECT_EQ(colourAlive, 1);
  EXPECT_EQ(depthAlive, 1);

  const auto report = handler.Statistics().Report();
  EXPECT_EQ(report.packets, 4u);
  EXPECT_EQ(report.depthPackets, 3u);
  ASSERT_EQ(report.announcements.size(), 1u);
  ASSERT_TRUE(report.depth);
  EXPECT_EQ(report.depth->width, 2u);
  EXPECT_FLOAT_EQ(report.depth->units, 0.00025f);

  const auto kept = handler.Frames().Get();
  ASSERT_TRUE(kept.colour.buffer);
  EXPECT_EQ(kept.colour.format, (VideoFormat{2, 2, vs_stream::kPixelFormatBgr24}));
  ASSERT_TRUE(kept.depth);
  handler.Frames().Clear();
  EXPECT_EQ(colourAlive, 1);  // `kept` still holds them
}

TEST(HostHandler, ClearReleasesEveryKeptFrame) {
  int alive = 0;
  HostHandler handler(0);
  vid_db::media::Packet packet(boost::make_shared<CountedBytes>(&alive), 1, true);
  packet.Attach("depth", boost::make_shared<CountedDepth>(&alive));
  handler.OnPacket(packet);
  packet = vid_db::media::Packet(boost::make_shared<CountedBytes>(&alive), 2, true);
  EXPECT_EQ(alive, 3);  // the packet's buffer and the two kept ones
  handler.Frames().Clear();
  EXPECT_EQ(alive, 1);
}

TEST(HostHandler, AttachmentThatIsNoDepthFrameCountsAsNoDepth) {
  int alive = 0;
  HostHandler handler(0);
  vid_db::media::Packet packet(boost::make_shared<CountedBytes>(&alive), 1, true);
  packet.Attach("depth", boost::make_shared<CountedBytes>(&alive));
  handler.OnPacket(packet);
  EXPECT_EQ(handler.Statistics().Report().depthPackets, 0u);
  EXPECT_FALSE(handler.Frames().Get().depth);
}

TEST(HostHandler, PacketsPastTheLimitAreNotKept) {
  int alive = 0;
  HostHandler handler(1);
  const auto first = boost::make_shared<CountedBytes>(&alive);
  handler.OnPacket(vid_db::media::Packet(first, 1, true));
  handler.OnPacket(vid_db::media::Packet(boost::make_shared<CountedBytes>(&alive), 2, true));
  EXPECT_EQ(handler.Frames().Get().colour.buffer, first);
  EXPECT_EQ(handler.Statistics().Report().packets, 1u);
}

}  // namespace
}  // namespace rs_host
