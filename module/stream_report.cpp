#include "stream_report.hpp"

#include <optional>
#include <sstream>

#include "logger.hpp"

namespace vs_realsense2 {
namespace {

std::string DescribeStream(const rs2::stream_profile& stream) {
  std::ostringstream text;
  text << "stream: " << stream.stream_name() << " as " << rs2_format_to_string(stream.format())
       << " at " << stream.fps() << " Hz";
  if (const auto video = stream.as<rs2::video_stream_profile>()) {
    text << "; resolution: " << video.width() << "x" << video.height();
  }
  return text.str();
}

std::optional<rs2::depth_sensor> FindDepthSensor(const rs2::device& device) {
  for (const rs2::sensor& sensor : device.query_sensors()) {
    if (sensor.is<rs2::depth_sensor>())
      return sensor.as<rs2::depth_sensor>();
  }
  return std::nullopt;
}

}  // namespace

void PrintProfile(const rs2::pipeline_profile& profile, const std::string& name) {
  for (const rs2::stream_profile& stream : profile.get_streams()) {
    // Described before the log is asked: the library calls run even when no
    // sink takes Debug, so the cost of a start does not depend on the log.
    const std::string text = DescribeStream(stream);
    Log(orvlog::Severity::Debug, name, "PrintProfile", text);
  }
}

void PrintEmitter(const rs2::pipeline_profile& profile, const std::string& name) {
  const std::optional<rs2::depth_sensor> depth = FindDepthSensor(profile.get_device());
  if (!depth) {
    Log(orvlog::Severity::Error, name, "PrintEmitter", "no depth sensor");
  } else if (depth->supports(RS2_OPTION_EMITTER_ENABLED)) {
    // Read only when the line is written: querying an option may reach the
    // device, which a start with Debug off should not pay for.
    Log(orvlog::Severity::Debug, name, "PrintEmitter", [&](std::ostream& os) {
      os << "emitter state: " << depth->get_option(RS2_OPTION_EMITTER_ENABLED);
    });
  } else {
    Log(orvlog::Severity::Warning, name, "PrintEmitter", "emitter not supported");
  }
}

}  // namespace vs_realsense2
