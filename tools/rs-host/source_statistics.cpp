#include "source_statistics.hpp"

#include <algorithm>

#include "vs_stream/video_params.hpp"

namespace rs_host {

std::string PixelFormatName(std::uint32_t pixelFormat) {
  switch (pixelFormat) {
    case vs_stream::kPixelFormatRgb24:
      return "RGB24";
    case vs_stream::kPixelFormatBgr24:
      return "BGR24";
    default:
      return "format " + std::to_string(pixelFormat);
  }
}

std::string DescribeFormat(const VideoFormat& format) {
  return std::to_string(format.width) + "x" + std::to_string(format.height) + " " +
         PixelFormatName(format.pixelFormat);
}

void SourceStatistics::MarkStart(std::chrono::steady_clock::time_point start) {
  const std::lock_guard<std::mutex> lock(mutex_);
  start_ = start;
}

void SourceStatistics::RecordParams(const VideoFormat& format) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++announcementCount_;
  lastFormat_ = format;
  if (announcements_.size() < kKeptFormats &&
      std::find(announcements_.begin(), announcements_.end(), format) == announcements_.end()) {
    announcements_.push_back(format);
  }
}

bool SourceStatistics::RecordPacket(const PacketObservation& packet) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (packetLimit_ != 0 && packets_ >= packetLimit_)
    return false;
  ++packets_;
  if (!firstArrival_)
    firstArrival_ = packet.arrival;
  lastArrival_ = packet.arrival;
  if (packet.depth) {
    ++depthPackets_;
    depth_ = packet.depth;
  }
  packetAgesMs_.Add(packet.arrivalSystemMs - static_cast<double>(packet.packetTimeMs));
  return true;
}

void SourceStatistics::AddLostFrames(std::uint64_t count) {
  const std::lock_guard<std::mutex> lock(mutex_);
  lostFrames_ += count;
}

void SourceStatistics::RecordRestartBegins(std::chrono::steady_clock::time_point when) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (downSince_)
    return;
  ++restarts_;
  downSince_ = when;
}

void SourceStatistics::RecordRestartTryFailed() {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++failedTries_;
}

void SourceStatistics::RecordHardwareReset() {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++hardwareResets_;
}

void SourceStatistics::AddHealth(const HealthFigures& health) {
  const std::lock_guard<std::mutex> lock(mutex_);
  health_.colorDrops += health.colorDrops;
  health_.depthDrops += health.depthDrops;
  health_.staleDepth += health.staleDepth;
  health_.notifications += health.notifications;
  health_.asicC = health.asicC;
  health_.projectorC = health.projectorC;
}

void SourceStatistics::RecordStreamingAgain(std::chrono::steady_clock::time_point when) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!downSince_)
    return;
  downTime_ += std::max(when - *downSince_, std::chrono::steady_clock::duration::zero());
  downSince_.reset();
}

bool SourceStatistics::LimitReached() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return packetLimit_ != 0 && packets_ >= packetLimit_;
}

SourceReport SourceStatistics::Report(std::chrono::steady_clock::time_point now) const {
  using Ms = std::chrono::duration<double, std::milli>;
  using Seconds = std::chrono::duration<double>;
  const std::lock_guard<std::mutex> lock(mutex_);
  SourceReport report;
  report.packets = packets_;
  report.depthPackets = depthPackets_;
  report.lostFrames = lostFrames_;
  report.announcements = announcements_;
  report.announcementCount = announcementCount_;
  report.lastFormat = lastFormat_;
  report.depth = depth_;
  report.limitReached = packetLimit_ != 0 && packets_ >= packetLimit_;
  report.colorDrops = health_.colorDrops;
  report.depthDrops = health_.depthDrops;
  report.staleDepth = health_.staleDepth;
  report.notifications = health_.notifications;
  report.asicC = health_.asicC;
  report.projectorC = health_.projectorC;
  report.hardwareResets = hardwareResets_;
  if (firstArrival_ && start_)
    report.firstPacketMs = Ms(*firstArrival_ - *start_).count();
  if (firstArrival_ && packets_ >= 2) {
    const double spanMs = Ms(lastArrival_ - *firstArrival_).count();
    if (spanMs > 0)
      report.meanFps = static_cast<double>(packets_ - 1) * 1000.0 / spanMs;
  }
  report.packetAgeP50Ms = packetAgesMs_.Percentile(50);
  report.packetAgeP99Ms = packetAgesMs_.Percentile(99);
  report.restarts = restarts_;
  report.failedTries = failedTries_;
  auto down = downTime_;
  if (downSince_)
    down += std::max(now - *downSince_, std::chrono::steady_clock::duration::zero());
  report.downSeconds = Seconds(down).count();
  report.down = downSince_.has_value();
  return report;
}

}  // namespace rs_host
