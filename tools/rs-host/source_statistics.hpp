// What one source delivered: counted on the source's thread, read by the
// status display and the summary on the main thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace rs_host {

struct VideoFormat {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t pixelFormat = 0;

  friend bool operator==(const VideoFormat& a, const VideoFormat& b) {
    return a.width == b.width && a.height == b.height && a.pixelFormat == b.pixelFormat;
  }
};

// "RGB24", "BGR24" or the numeric code of a format this host does not know.
std::string PixelFormatName(std::uint32_t pixelFormat);
// "640x480 RGB24"
std::string DescribeFormat(const VideoFormat& format);

struct DepthInfo {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  float units = 0;  // metres per depth unit
};

// One packet as the statistics see it.
struct PacketObservation {
  std::int64_t packetTimeMs = 0;  // the packet's time, ms since the epoch
  double arrivalSystemMs = 0;     // system time at arrival, ms since the epoch
  std::chrono::steady_clock::time_point arrival;
  std::optional<DepthInfo> depth;  // empty: no depth attached
};

// Nearest-rank percentile (p in 0..100) of unsorted values; empty when there
// are none.
std::optional<double> Percentile(std::vector<double> values, double p);

// A consistent copy of the counters at one moment.
struct SourceReport {
  std::uint64_t packets = 0;
  std::uint64_t depthPackets = 0;
  std::uint64_t lostFrames = 0;
  std::optional<double> meanFps;           // from the first to the last packet
  std::optional<double> firstPacketMs;     // from Start to the first packet
  std::vector<VideoFormat> announcements;  // every announcement, in order
  std::optional<DepthInfo> depth;          // of the last packet with depth
  std::optional<double> latencyP50Ms;
  std::optional<double> latencyP99Ms;
  bool limitReached = false;

  double DepthShare() const {
    return packets == 0 ? 0.0 : static_cast<double>(depthPackets) / static_cast<double>(packets);
  }
};

class SourceStatistics {
 public:
  // `packetLimit` 0 counts every packet; otherwise packets past it are ignored.
  explicit SourceStatistics(std::uint64_t packetLimit = 0) : packetLimit_(packetLimit) {}

  void MarkStart(std::chrono::steady_clock::time_point start);
  void RecordParams(const VideoFormat& format);
  // False when the packet lies beyond the limit and was not counted.
  bool RecordPacket(const PacketObservation& packet);
  void AddLostFrames(std::uint64_t count);

  bool LimitReached() const;
  SourceReport Report() const;

 private:
  const std::uint64_t packetLimit_;
  mutable std::mutex mutex_;
  std::optional<std::chrono::steady_clock::time_point> start_;
  std::optional<std::chrono::steady_clock::time_point> firstArrival_;
  std::chrono::steady_clock::time_point lastArrival_;
  std::uint64_t packets_ = 0;
  std::uint64_t depthPackets_ = 0;
  std::uint64_t lostFrames_ = 0;
  std::vector<VideoFormat> announcements_;
  std::optional<DepthInfo> depth_;
  std::vector<double> latenciesMs_;
};

}  // namespace rs_host
