// Option values, ranges and writes of each device's sensors, and its advanced-mode switch.

#include "options.hpp"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "errors.hpp"

namespace rs2sim {
namespace {

// The frame-queue size and the depth units exist on every device but cannot be written.
constexpr float kQueueSizeMax = 32.0f;

std::string Number(float value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

class SettingsRegistry {
 public:
  std::shared_ptr<DeviceSettings> For(const DevicePtr& device) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end();) {
      it = it->first.expired() ? entries_.erase(it) : std::next(it);
    }
    auto& settings = entries_[device];
    if (!settings)
      settings = std::make_shared<DeviceSettings>(device->advancedModeEnabled);
    return settings;
  }

 private:
  std::mutex mutex_;
  std::map<std::weak_ptr<const DeviceSpec>, std::shared_ptr<DeviceSettings>, std::owner_less<>>
      entries_;  // guarded by mutex_
};

SettingsRegistry& TheSettings() {
  static SettingsRegistry settings;
  return settings;
}

}  // namespace

bool IsTemperature(rs2_option option) {
  return option == RS2_OPTION_ASIC_TEMPERATURE || option == RS2_OPTION_PROJECTOR_TEMPERATURE;
}

const char* SensorName(SensorKind kind) {
  switch (kind) {
    case SensorKind::Depth:
      return "Stereo Module";
    case SensorKind::Color:
      return "RGB Camera";
    case SensorKind::Motion:
      return "Motion Module";
  }
  return "";
}

std::optional<float> DeviceSettings::Value(SensorKind kind, rs2_option option) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = values_.find({kind, option});
  if (it == values_.end())
    return std::nullopt;
  return it->second;
}

void DeviceSettings::SetValue(SensorKind kind, rs2_option option, float value) {
  std::lock_guard<std::mutex> lock(mutex_);
  values_[{kind, option}] = value;
}

void DeviceSettings::Note(std::string write) {
  std::lock_guard<std::mutex> lock(mutex_);
  writes_.push_back(std::move(write));
}

std::vector<std::string> DeviceSettings::Writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

bool DeviceSettings::AdvancedEnabled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return advancedEnabled_;
}

void DeviceSettings::SetAdvancedEnabled(bool enabled) {
  std::lock_guard<std::mutex> lock(mutex_);
  advancedEnabled_ = enabled;
}

std::shared_ptr<DeviceSettings> SettingsOf(const DevicePtr& device) {
  return TheSettings().For(device);
}

std::optional<OptionSpec> SensorOptions::Find(rs2_option option) const {
  switch (option) {
    case RS2_OPTION_FRAMES_QUEUE_SIZE: {
      const float size = static_cast<float>(device_->poolSize);
      return OptionSpec{option, 0.0f, kQueueSizeMax, 1.0f, size, true};
    }
    case RS2_OPTION_DEPTH_UNITS:
      if (kind_ != SensorKind::Depth)
        return std::nullopt;
      return OptionSpec{option, 0.000001f, 0.01f, 0.000001f, device_->depthUnits, true};
    case RS2_OPTION_EMITTER_ENABLED:
      if (kind_ != SensorKind::Depth || !device_->emitterSupported)
        return std::nullopt;
      return OptionSpec{option, 0.0f, 2.0f, 1.0f, device_->emitterValue, false};
    default:
      break;
  }
  const std::vector<OptionSpec>* specs = nullptr;
  if (kind_ == SensorKind::Depth)
    specs = &device_->depthOptions;
  if (kind_ == SensorKind::Color)
    specs = &device_->colorOptions;
  if (!specs)
    return std::nullopt;
  auto it = std::find_if(specs->begin(), specs->end(),
                         [&](const OptionSpec& spec) { return spec.option == option; });
  if (it == specs->end())
    return std::nullopt;
  return *it;
}

void SensorOptions::Unsupported(rs2_option option) const {
  Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
       std::string("Device does not support option ") + rs2_option_to_string(option) + "!");
}

bool SensorOptions::Supports(rs2_option option) const {
  return Find(option).has_value();
}

OptionSpec SensorOptions::Range(rs2_option option) const {
  const auto spec = Find(option);
  if (!spec)
    Unsupported(option);
  return *spec;
}

// A camera answers its temperatures only while it streams, as the library's D400 options do.
float SensorOptions::Get(rs2_option option) const {
  const OptionSpec spec = Range(option);
  if (IsTemperature(option)) {
    if (!TheRegistry().devices.StreamingRun(device_->serial))
      Fail(RS2_EXCEPTION_TYPE_WRONG_API_CALL_SEQUENCE, "query is available during streaming only");
    return SettingsOf(device_)->Value(kind_, option).value_or(spec.def);
  }
  if (spec.readOnly)
    return spec.def;
  return SettingsOf(device_)->Value(kind_, option).value_or(spec.def);
}

// Writing exposure or gain switches the sensor's auto exposure off, as the library's
// auto-disabling controls do.
void SensorOptions::Set(rs2_option option, float value) const {
  const OptionSpec spec = Range(option);
  if (spec.readOnly) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         std::string("Option ") + rs2_option_to_string(option) + " is read-only!");
  }
  if (!(value >= spec.min && value <= spec.max)) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "set(" + std::string(rs2_option_to_string(option)) +
                                               ") failed! Given value " + Number(value) +
                                               " is out of range.");
  }
  const auto settings = SettingsOf(device_);
  settings->SetValue(kind_, option, value);
  settings->Note(std::string(SensorName(kind_)) + ": " + rs2_option_to_string(option) + " = " +
                 Number(value));
  if ((option == RS2_OPTION_EXPOSURE || option == RS2_OPTION_GAIN) &&
      Supports(RS2_OPTION_ENABLE_AUTO_EXPOSURE)) {
    settings->SetValue(kind_, RS2_OPTION_ENABLE_AUTO_EXPOSURE, 0.0f);
  }
}

}  // namespace rs2sim
