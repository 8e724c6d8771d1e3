#include "camera_controls.hpp"

#include <cmath>
#include <fstream>
#include <iterator>
#include <locale>
#include <sstream>

#include <librealsense2/rs_advanced_mode.hpp>
#include <utils/query_params.hpp>

#include "device_sensors.hpp"
#include "logger.hpp"

namespace vs_realsense2 {
namespace {

constexpr const char* kTag = "CameraControls";

std::string Number(float value) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << value;
  return text.str();
}

// One control on one sensor: checked against what the sensor offers, then written.
class ControlWriter {
 public:
  ControlWriter(const std::optional<rs2::sensor>& sensor, const char* sensorName,
                const std::string& name)
      : sensor_(sensor), sensorName_(sensorName), name_(name) {}

  // True when `value` was written; otherwise one Warning says why not.
  [[nodiscard]] bool Write(const char* key, rs2_option option, float value,
                           const std::string& shown) const {
    if (!sensor_ || !sensor_->supports(option)) {
      Warn(key, [&](std::ostream& os) {
        os << "the camera's " << sensorName_ << " has no " << rs2_option_to_string(option)
           << " control";
      });
      return false;
    }
    if (sensor_->is_option_read_only(option)) {
      Warn(key, [&](std::ostream& os) {
        os << rs2_option_to_string(option) << " is read-only on this camera";
      });
      return false;
    }
    const rs2::option_range range = sensor_->get_option_range(option);
    if (!InRange(value, range)) {
      Warn(key, [&](std::ostream& os) {
        os << shown << " is not in the camera's range " << Number(range.min) << ".."
           << Number(range.max) << " (step " << Number(range.step) << ")";
      });
      return false;
    }
    try {
      sensor_->set_option(option, value);
    } catch (const rs2::error& e) {
      Warn(key, [&](std::ostream& os) { os << shown << " refused by the camera: " << e.what(); });
      return false;
    }
    return true;
  }

  template <class Message>
  void Warn(const char* key, const Message& message) const {
    Log(orvlog::Severity::Warning, name_, kTag, [&](std::ostream& os) {
      os << key << ": ";
      message(os);
      os << "; not applied";
    });
  }

 private:
  static bool InRange(float value, const rs2::option_range& range) {
    if (value < range.min || value > range.max)
      return false;
    if (range.step <= 0.0f)
      return true;
    const float steps = (value - range.min) / range.step;
    return std::fabs(steps - std::round(steps)) < 1e-3f;
  }

  const std::optional<rs2::sensor>& sensor_;
  const char* sensorName_;
  const std::string& name_;
};

void Applied(const std::string& name, const char* key, const std::string& shown) {
  Log(orvlog::Severity::Info, name, kTag, [&](std::ostream& os) { os << key << ": " << shown; });
}

void ApplyNumber(const ControlWriter& writer, const std::string& name, const char* key,
                 rs2_option option, const std::optional<float>& value) {
  if (value && writer.Write(key, option, *value, Number(*value)))
    Applied(name, key, Number(*value));
}

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    return false;
  content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

// Advanced mode is only used when already on: switching it resets the camera, which then
// comes back as a new device, and that is no business of a start.
void ApplyJson(const rs2::device& device, const std::string& path, const std::string& name,
               const ControlWriter& warner) {
  std::string content;
  if (!ReadFile(path, content)) {
    warner.Warn("json", [&](std::ostream& os) { os << "cannot read " << path; });
    return;
  }
  rs400::advanced_mode advanced(device);
  if (!advanced) {
    warner.Warn("json", [&](std::ostream& os) { os << "the camera has no advanced mode"; });
    return;
  }
  if (!advanced.is_enabled()) {
    warner.Warn("json", [&](std::ostream& os) {
      os << "advanced mode is off on the camera (switching it on resets the camera)";
    });
    return;
  }
  try {
    advanced.load_json(content);
  } catch (const rs2::error& e) {
    warner.Warn("json",
                [&](std::ostream& os) { os << path << " refused by the camera: " << e.what(); });
    return;
  }
  Applied(name, "json", path + " (" + std::to_string(content.size()) + " bytes)");
}

void ApplyPreset(const ControlWriter& depth, const std::string& text, const std::string& name) {
  // An unknown name was reported when the source was created.
  const std::optional<rs2_rs400_visual_preset> preset = FindPreset(text);
  if (!preset)
    return;
  const std::string shown = rs2_rs400_visual_preset_to_string(*preset);
  if (depth.Write("preset", RS2_OPTION_VISUAL_PRESET, static_cast<float>(*preset), shown))
    Applied(name, "preset", shown);
}

// The library switches auto exposure off itself when exposure is written; saying so explicitly
// keeps the camera's state what the log line claims on every library version.
void ApplyColorExposure(const ControlWriter& color, const std::optional<rs2::sensor>& sensor,
                        float value, const std::string& name) {
  if (!color.Write("exposure", RS2_OPTION_EXPOSURE, value, Number(value)))
    return;
  if (sensor->supports(RS2_OPTION_ENABLE_AUTO_EXPOSURE) &&
      !sensor->is_option_read_only(RS2_OPTION_ENABLE_AUTO_EXPOSURE)) {
    if (!color.Write("exposure", RS2_OPTION_ENABLE_AUTO_EXPOSURE, 0.0f, "auto exposure off"))
      return;
  }
  Applied(name, "exposure", Number(value) + " (colour auto exposure off)");
}

}  // namespace

std::optional<rs2_rs400_visual_preset> FindPreset(const std::string& name) {
  const std::string wanted = utils::LowerCase(name);
  for (int i = 0; i < RS2_RS400_VISUAL_PRESET_COUNT; ++i) {
    const auto preset = static_cast<rs2_rs400_visual_preset>(i);
    if (utils::LowerCase(rs2_rs400_visual_preset_to_string(preset)) == wanted)
      return preset;
  }
  return std::nullopt;
}

PresetNames LibraryPresetNames() {
  PresetNames names;
  for (int i = 0; i < RS2_RS400_VISUAL_PRESET_COUNT; ++i)
    names.emplace_back(rs2_rs400_visual_preset_to_string(static_cast<rs2_rs400_visual_preset>(i)));
  return names;
}

void ApplyControls(const rs2::device& device, const SourceConfig& config, const std::string& name) {
  const std::optional<rs2::sensor> depthSensor = FindSensor<rs2::depth_sensor>(device);
  const std::optional<rs2::sensor> colorSensor = FindSensor<rs2::color_sensor>(device);
  const ControlWriter depth(depthSensor, "depth sensor", name);
  const ControlWriter color(colorSensor, "colour sensor", name);

  if (!config.json.empty())
    ApplyJson(device, config.json, name, depth);
  if (!config.preset.empty())
    ApplyPreset(depth, config.preset, name);
  ApplyNumber(depth, name, "emitter", RS2_OPTION_EMITTER_ENABLED, config.emitter);
  ApplyNumber(depth, name, "laser_power", RS2_OPTION_LASER_POWER, config.laser_power);
  ApplyNumber(depth, name, "depth_exposure", RS2_OPTION_EXPOSURE, config.depth_exposure);
  if (config.exposure)
    ApplyColorExposure(color, colorSensor, *config.exposure, name);
  ApplyNumber(color, name, "auto_exposure", RS2_OPTION_ENABLE_AUTO_EXPOSURE, config.auto_exposure);
  ApplyNumber(color, name, "gain", RS2_OPTION_GAIN, config.gain);
}

}  // namespace vs_realsense2
