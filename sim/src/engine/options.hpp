// Options: the base every option holder of the C API shares, and the values that programs have
// written to each device.

#ifndef RS2SIM_SRC_ENGINE_OPTIONS_HPP
#define RS2SIM_SRC_ENGINE_OPTIONS_HPP

#include <librealsense2/rs.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "registry.hpp"

// Sensors and processing blocks share this base; the C++ wrapper reaches the options of either
// by converting its pointer, so the base must sit at the start of the object.
struct rs2_options {
  virtual ~rs2_options() = default;
  virtual bool Supports(rs2_option option) const = 0;
  virtual float Get(rs2_option option) const = 0;
  // Throws ApiError for an unsupported or read-only option or a value outside the range.
  virtual void Set(rs2_option option, float value) const = 0;
  virtual rs2sim::OptionSpec Range(rs2_option option) const = 0;
};

namespace rs2sim {

enum class SensorKind { Depth, Color, Motion };

const char* SensorName(SensorKind kind);

// The read-only temperatures, which a depth sensor answers only while its device streams.
bool IsTemperature(rs2_option option);

// What programs changed on one device: option values, the advanced-mode switch, and the log of
// writes that DeviceWrites returns. Shared by every handle of the device.
class DeviceSettings {
 public:
  explicit DeviceSettings(bool advancedModeEnabled) : advancedEnabled_(advancedModeEnabled) {}

  std::optional<float> Value(SensorKind kind, rs2_option option) const;
  void SetValue(SensorKind kind, rs2_option option, float value);
  void Note(std::string write);
  std::vector<std::string> Writes() const;
  bool AdvancedEnabled() const;
  void SetAdvancedEnabled(bool enabled);

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<SensorKind, rs2_option>, float> values_;  // guarded by mutex_
  std::vector<std::string> writes_;                            // guarded by mutex_
  bool advancedEnabled_;                                       // guarded by mutex_
};

// The settings of a device, created on first use. A device replaced in the registry is a new
// DeviceSpec object and so starts afresh, as a camera does after a power cycle.
std::shared_ptr<DeviceSettings> SettingsOf(const DevicePtr& device);

// The option holder of one sensor of a device.
class SensorOptions {
 public:
  SensorOptions(DevicePtr device, SensorKind kind) : device_(std::move(device)), kind_(kind) {}

  bool Supports(rs2_option option) const;
  float Get(rs2_option option) const;
  void Set(rs2_option option, float value) const;
  OptionSpec Range(rs2_option option) const;

 private:
  std::optional<OptionSpec> Find(rs2_option option) const;
  [[noreturn]] void Unsupported(rs2_option option) const;

  DevicePtr device_;
  SensorKind kind_;
};

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_OPTIONS_HPP
