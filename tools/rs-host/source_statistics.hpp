// What one source delivered: counted on the source's thread (restarts on
// the thread that logs them), read by the status display and the summary on
// the main thread. Its memory does not grow with the length of the run.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "module_events.hpp"
#include "quantile_histogram.hpp"

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

// A consistent copy of the counters at one moment.
struct SourceReport {
  std::uint64_t packets = 0;
  std::uint64_t depthPackets = 0;
  std::uint64_t lostFrames = 0;
  std::optional<double> meanFps;        // from the first to the last packet
  std::optional<double> firstPacketMs;  // from Start to the first packet
  // Each distinct announcement, in the order they first came (at most
  // SourceStatistics::kKeptFormats), and how many came in all: every restart
  // of the source announces again.
  std::vector<VideoFormat> announcements;
  std::uint64_t announcementCount = 0;
  std::optional<VideoFormat> lastFormat;  // the newest announcement
  std::optional<DepthInfo> depth;         // of the last packet with depth
  // Arrival system time minus the packet's time, from QuantileHistogram.
  std::optional<double> packetAgeP50Ms;
  std::optional<double> packetAgeP99Ms;
  // Restarts of the source by the module, from its log lines.
  std::uint64_t restarts = 0;
  std::uint64_t failedTries = 0;
  double downSeconds = 0;  // from each restart's warning to its "streaming again", and on
  bool down = false;       // a restart has begun and has not streamed again yet
  bool limitReached = false;
  // From the module's health lines, summed over them, and its hardware resets.
  std::uint64_t colorDrops = 0;
  std::uint64_t depthDrops = 0;
  std::uint64_t staleDepth = 0;
  std::uint64_t notifications = 0;
  std::optional<double> asicC;  // of the last health line
  std::optional<double> projectorC;
  std::uint64_t hardwareResets = 0;

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
  [[nodiscard]] bool RecordPacket(const PacketObservation& packet);
  void AddLostFrames(std::uint64_t count);
  // A restart began (the source stopped streaming), one try failed, or the
  // source streams again. A second begin while down changes nothing.
  void RecordRestartBegins(std::chrono::steady_clock::time_point when);
  void RecordRestartTryFailed();
  void RecordStreamingAgain(std::chrono::steady_clock::time_point when);
  void RecordHardwareReset();
  void AddHealth(const HealthFigures& health);

  [[nodiscard]] bool LimitReached() const;
  // `now` ends the downtime of a restart still under way.
  SourceReport Report(
      std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now()) const;

  static constexpr std::size_t kKeptFormats = 16;

 private:
  const std::uint64_t packetLimit_;
  mutable std::mutex mutex_;
  std::optional<std::chrono::steady_clock::time_point> start_;
  std::optional<std::chrono::steady_clock::time_point> firstArrival_;
  std::chrono::steady_clock::time_point lastArrival_;
  std::uint64_t packets_ = 0;
  std::uint64_t depthPackets_ = 0;
  std::uint64_t lostFrames_ = 0;
  std::vector<VideoFormat> announcements_;  // distinct, at most kKeptFormats
  std::uint64_t announcementCount_ = 0;
  std::optional<VideoFormat> lastFormat_;
  std::optional<DepthInfo> depth_;
  QuantileHistogram packetAgesMs_;  // fixed size: the run's length does not matter
  std::uint64_t restarts_ = 0;
  std::uint64_t failedTries_ = 0;
  std::chrono::steady_clock::duration downTime_{};  // of the restarts that ended
  std::optional<std::chrono::steady_clock::time_point> downSince_;
  HealthFigures health_;  // counts summed, temperatures the last
  std::uint64_t hardwareResets_ = 0;
};

}  // namespace rs_host
