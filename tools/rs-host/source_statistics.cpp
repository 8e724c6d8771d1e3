#include "source_statistics.hpp"

#include <algorithm>
#include <cmath>

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

std::optional<double> Percentile(std::vector<double> values, double p) {
  if (values.empty())
    return std::nullopt;
  const double clamped = std::clamp(p, 0.0, 100.0);
  const auto n = values.size();
  auto rank = static_cast<std::size_t>(std::ceil(clamped / 100.0 * static_cast<double>(n)));
  rank = std::clamp<std::size_t>(rank, 1, n);
  const auto nth = values.begin() + static_cast<std::ptrdiff_t>(rank - 1);
  std::nth_element(values.begin(), nth, values.end());
  return *nth;
}

void SourceStatistics::MarkStart(std::chrono::steady_clock::time_point start) {
  const std::lock_guard<std::mutex> lock(mutex_);
  start_ = start;
}

void SourceStatistics::RecordParams(const VideoFormat& format) {
  const std::lock_guard<std::mutex> lock(mutex_);
  announcements_.push_back(format);
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
  latenciesMs_.push_back(packet.arrivalSystemMs - static_cast<double>(packet.packetTimeMs));
  return true;
}

void SourceStatistics::AddLostFrames(std::uint64_t count) {
  const std::lock_guard<std::mutex> lock(mutex_);
  lostFrames_ += count;
}

bool SourceStatistics::LimitReached() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return packetLimit_ != 0 && packets_ >= packetLimit_;
}

SourceReport SourceStatistics::Report() const {
  using Ms = std::chrono::duration<double, std::milli>;
  const std::lock_guard<std::mutex> lock(mutex_);
  SourceReport report;
  report.packets = packets_;
  report.depthPackets = depthPackets_;
  report.lostFrames = lostFrames_;
  report.announcements = announcements_;
  report.depth = depth_;
  report.limitReached = packetLimit_ != 0 && packets_ >= packetLimit_;
  if (firstArrival_ && start_)
    report.firstPacketMs = Ms(*firstArrival_ - *start_).count();
  if (firstArrival_ && packets_ >= 2) {
    const double spanMs = Ms(lastArrival_ - *firstArrival_).count();
    if (spanMs > 0)
      report.meanFps = static_cast<double>(packets_ - 1) * 1000.0 / spanMs;
  }
  report.latencyP50Ms = Percentile(latenciesMs_, 50);
  report.latencyP99Ms = Percentile(latenciesMs_, 99);
  return report;
}

}  // namespace rs_host
