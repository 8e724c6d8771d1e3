#include "stream_report.hpp"

#include <optional>
#include <sstream>
#include <utility>

#include <utils/printable.hpp>

#include "device_sensors.hpp"
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

// Set by the build: true when the module is linked against rs2sim.
constexpr bool kSimulatedSdk = VSRS_SDK_SIMULATED != 0;

std::string VersionText(int version) {
  return std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." +
         std::to_string(version % 100);
}

// Empty when the device lacks it. The library's texts are the camera's own;
// one of them must not be able to break the log line or forge another.
std::string InfoText(const rs2::device& device, rs2_camera_info info) {
  return device.supports(info) ? utils::Printable(device.get_info(info)) : std::string();
}

}  // namespace

void PrintDevice(const rs2::pipeline_profile& profile, bool playback, const std::string& name) {
  const rs2::device device = profile.get_device();
  // Read before the log is asked, like the stream lines: the cost of a start
  // does not depend on the sinks.
  const std::string usb = InfoText(device, RS2_CAMERA_INFO_USB_TYPE_DESCRIPTOR);
  const std::pair<const char*, std::string> infos[] = {
      {"", InfoText(device, RS2_CAMERA_INFO_NAME)},
      {"serial number ", InfoText(device, RS2_CAMERA_INFO_SERIAL_NUMBER)},
      {"firmware ", InfoText(device, RS2_CAMERA_INFO_FIRMWARE_VERSION)},
      {"USB ", usb},
      {"port ", InfoText(device, RS2_CAMERA_INFO_PHYSICAL_PORT)}};
  std::ostringstream text;
  text << (playback ? "recorded device: " : "device: ");
  bool first = true;
  for (const auto& [label, value] : infos) {
    if (value.empty())
      continue;
    text << (first ? "" : ", ") << label << value;
    first = false;
  }
  if (first)
    text << "no information";
  Log(orvlog::Severity::Info, name, "PrintDevice", text.str());
  if (usb.rfind("2.", 0) == 0) {
    Log(orvlog::Severity::Warning, name, "PrintDevice", [&](std::ostream& os) {
      os << "USB " << usb
         << " connection: reduced bandwidth, fewer modes and lower rates; use a USB 3 port and "
            "cable";
    });
  }
}

void PrintSdkOnce(const std::string& name) {
  // A function-local static: its initialisation runs exactly once, even when
  // several sources start at the same moment.
  static const bool printed = [&] {
    std::string running;
    try {
      rs2_error* e = nullptr;
      const int version = rs2_get_api_version(&e);
      rs2::error::handle(e);
      running = VersionText(version);
    } catch (const rs2::error& e) {
      running = std::string("of unknown version (") + e.what() + ")";
    }
    Log(orvlog::Severity::Info, name, "PrintSdk", [&](std::ostream& os) {
      os << "librealsense2 " << running << ", built against " << VersionText(RS2_API_VERSION);
      if (kSimulatedSdk)
        os << "; rs2sim, the simulated librealsense2: no real camera can be used";
    });
    return true;
  }();
  static_cast<void>(printed);
}

void PrintProfile(const rs2::pipeline_profile& profile, const std::string& name) {
  for (const rs2::stream_profile& stream : profile.get_streams()) {
    // Described before the log is asked: the library calls run even when no
    // sink takes Debug, so the cost of a start does not depend on the log.
    const std::string text = DescribeStream(stream);
    Log(orvlog::Severity::Debug, name, "PrintProfile", text);
  }
}

void PrintEmitter(const rs2::pipeline_profile& profile, const std::string& name) {
  const std::optional<rs2::sensor> depth = FindSensor<rs2::depth_sensor>(profile.get_device());
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
