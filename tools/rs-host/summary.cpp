#include "summary.hpp"

#include <iomanip>
#include <sstream>

#include <nlohmann/json.hpp>

namespace rs_host {
namespace {

std::string Fixed(double value, int digits) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(digits) << value;
  return text.str();
}

std::string OrDash(const std::optional<double>& value, int digits, const char* unit) {
  return value ? Fixed(*value, digits) + unit : std::string("-");
}

std::string Announcements(const SourceReport& report) {
  if (report.announcements.empty())
    return "none";
  std::string text;
  for (const auto& format : report.announcements)
    text += (text.empty() ? "" : ", ") + DescribeFormat(format);
  if (report.announcementCount > 1)
    text += " (" + std::to_string(report.announcementCount) + " announcements)";
  return text;
}

// What the histogram's percentiles may be off by.
std::string PacketAge(const std::optional<double>& value) {
  if (!value)
    return "-";
  return Fixed(*value, 1) + " ms (+-" + Fixed(100 * QuantileHistogram::kRelativeError, 1) +
         " % +-1 us)";
}

std::string Restarts(const SourceReport& report) {
  std::string text = std::to_string(report.restarts);
  if (report.restarts == 0)
    return text;
  text += ", down " + Fixed(report.downSeconds, 1) + " s, " + std::to_string(report.failedTries) +
          " failed tries";
  if (report.down)
    text += ", restarting at the end";
  return text;
}

std::string Depth(const SourceReport& report) {
  if (!report.depth)
    return "none";
  std::ostringstream text;
  text << report.depth->width << "x" << report.depth->height << ", " << std::setprecision(6)
       << report.depth->units << " m per unit";
  return text.str();
}

// A float printed with the digits it really has (0.001, not 0.0010000000474974513).
double ShortFloat(float value) {
  std::ostringstream text;
  text << std::setprecision(7) << value;
  return std::stod(text.str());
}

nlohmann::json OptionalNumber(const std::optional<double>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

}  // namespace

void WriteSummaryTable(std::ostream& out, const RunSummary& summary) {
  out << "Summary after " << Fixed(summary.seconds, 1) << " s (stopped by " << summary.stoppedBy
      << "), module " << summary.module << "\n";
  for (const auto& source : summary.sources) {
    const auto& r = source.report;
    std::vector<std::pair<std::string, std::string>> rows;
    if (source.error) {
      rows.emplace_back("start failed", *source.error);
    } else {
      rows.emplace_back("packets", std::to_string(r.packets));
      rows.emplace_back("mean fps", OrDash(r.meanFps, 2, ""));
      rows.emplace_back("first packet after", OrDash(r.firstPacketMs, 0, " ms"));
      rows.emplace_back("video parameters", Announcements(r));
      rows.emplace_back("depth", Depth(r));
      rows.emplace_back("packets with depth", Fixed(100.0 * r.DepthShare(), 1) + " %");
      rows.emplace_back("lost frames", std::to_string(r.lostFrames));
      rows.emplace_back("restarts", Restarts(r));
      rows.emplace_back("hardware resets", std::to_string(r.hardwareResets));
      rows.emplace_back("drops", "color " + std::to_string(r.colorDrops) + ", depth " +
                                     std::to_string(r.depthDrops));
      rows.emplace_back("stale depth", std::to_string(r.staleDepth));
      rows.emplace_back("notifications", std::to_string(r.notifications));
      rows.emplace_back("temperatures", "asic " + OrDash(r.asicC, 1, " °C") + ", projector " +
                                            OrDash(r.projectorC, 1, " °C"));
      rows.emplace_back("packet age p50", PacketAge(r.packetAgeP50Ms));
      rows.emplace_back("packet age p99", PacketAge(r.packetAgeP99Ms));
      for (const auto& file : source.snapshots)
        rows.emplace_back("snapshot", file);
    }
    out << "\n" << source.name << "  " << source.address << "\n";
    for (const auto& [key, value] : rows) {
      out << "  " << std::left << std::setw(20) << key << value << "\n";
    }
  }
}

std::string SummaryJson(const RunSummary& summary) {
  nlohmann::json sources = nlohmann::json::array();
  for (const auto& source : summary.sources) {
    const auto& r = source.report;
    nlohmann::json entry;
    entry["name"] = source.name;
    entry["address"] = source.address;
    entry["started"] = !source.error.has_value();
    entry["error"] = source.error ? nlohmann::json(*source.error) : nlohmann::json(nullptr);
    entry["packets"] = r.packets;
    entry["mean_fps"] = OptionalNumber(r.meanFps);
    entry["first_packet_ms"] = OptionalNumber(r.firstPacketMs);
    nlohmann::json announced = nlohmann::json::array();
    for (const auto& format : r.announcements) {
      announced.push_back({{"width", format.width},
                           {"height", format.height},
                           {"pixel_format", format.pixelFormat},
                           {"pixel_format_name", PixelFormatName(format.pixelFormat)}});
    }
    entry["video_params"] = announced;
    entry["video_params_count"] = r.announcementCount;
    entry["depth"] = r.depth ? nlohmann::json{{"width", r.depth->width},
                                              {"height", r.depth->height},
                                              {"units_m", ShortFloat(r.depth->units)}}
                             : nlohmann::json(nullptr);
    entry["depth_packets"] = r.depthPackets;
    entry["depth_share"] = r.DepthShare();
    entry["lost_frames"] = r.lostFrames;
    entry["packet_age_ms"] = {{"p50", OptionalNumber(r.packetAgeP50Ms)},
                              {"p99", OptionalNumber(r.packetAgeP99Ms)},
                              {"relative_error", QuantileHistogram::kRelativeError}};
    entry["restarts"] = {{"count", r.restarts},
                         {"failed_tries", r.failedTries},
                         {"down_s", r.downSeconds},
                         {"down_at_end", r.down}};
    entry["hardware_resets"] = r.hardwareResets;
    entry["drops"] = {{"color", r.colorDrops}, {"depth", r.depthDrops}};
    entry["stale_depth"] = r.staleDepth;
    entry["notifications"] = r.notifications;
    entry["temperatures_c"] = {{"asic", OptionalNumber(r.asicC)},
                               {"projector", OptionalNumber(r.projectorC)}};
    entry["snapshots"] = source.snapshots;
    sources.push_back(std::move(entry));
  }
  const nlohmann::json document{{"module", summary.module},
                                {"seconds", summary.seconds},
                                {"stopped_by", summary.stoppedBy},
                                {"sources", sources}};
  return document.dump(2) + "\n";
}

}  // namespace rs_host
