// The option functions of the C API, for sensors and processing blocks alike, and advanced mode.

#include <librealsense2/rs_advanced_mode.h>

#include <string>

#include "api/guarded.hpp"
#include "api/objects.hpp"
#include "engine/options.hpp"

using rs2sim::ArgText;
using rs2sim::Fail;
using rs2sim::Guarded;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

namespace {

bool IsJsonObject(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  const auto last = text.find_last_not_of(" \t\r\n");
  return first != std::string::npos && text[first] == '{' && text[last] == '}';
}

rs2sim::DevicePtr AdvancedDevice(const rs2_device* dev) {
  const rs2sim::DevicePtr& device = NotNull(dev, "dev")->spec;
  if (!device->advancedMode) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         "Object does not support \"librealsense::ds_advanced_mode_interface\" interface! ");
  }
  return device;
}

}  // namespace

extern "C" {

float rs2_get_option(const rs2_options* options, rs2_option option, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("options", options).Add("option", option); },
      0.0f, [&] { return NotNull(options, "options")->Get(option); });
}

void rs2_set_option(const rs2_options* options, rs2_option option, float value, rs2_error** error) {
  GuardedVoid(
      __func__, error,
      [&] { return ArgText().Add("options", options).Add("option", option).Add("value", value); },
      [&] { NotNull(options, "options")->Set(option, value); });
}

int rs2_supports_option(const rs2_options* options, rs2_option option, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("options", options).Add("option", option); }, 0,
      [&] { return NotNull(options, "options")->Supports(option) ? 1 : 0; });
}

int rs2_is_option_read_only(const rs2_options* options, rs2_option option, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("options", options).Add("option", option); }, 0,
      [&] { return NotNull(options, "options")->Range(option).readOnly ? 1 : 0; });
}

void rs2_get_option_range(const rs2_options* sensor, rs2_option option, float* min, float* max,
                          float* step, float* def, rs2_error** error) {
  GuardedVoid(
      __func__, error,
      [&] {
        return ArgText()
            .Add("sensor", sensor)
            .Add("option", option)
            .Add("min", min)
            .Add("max", max)
            .Add("step", step)
            .Add("def", def);
      },
      [&] {
        const rs2sim::OptionSpec spec = NotNull(sensor, "sensor")->Range(option);
        *NotNull(min, "min") = spec.min;
        *NotNull(max, "max") = spec.max;
        *NotNull(step, "step") = spec.step;
        *NotNull(def, "def") = spec.def;
      });
}

void rs2_toggle_advanced_mode(rs2_device* dev, int enable, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("dev", dev).Add("enable", enable); },
      [&] {
        const auto settings = rs2sim::SettingsOf(AdvancedDevice(dev));
        settings->SetAdvancedEnabled(enable != 0);
        settings->Note(enable ? "advanced mode: on" : "advanced mode: off");
      });
}

void rs2_is_enabled(rs2_device* dev, int* enabled, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("dev", dev).Add("enabled", enabled); },
      [&] {
        const auto device = AdvancedDevice(dev);
        *NotNull(enabled, "enabled") = rs2sim::SettingsOf(device)->AdvancedEnabled() ? 1 : 0;
      });
}

// Loading settings makes the depth sensor's visual preset Custom, as on a camera.
void rs2_load_json(rs2_device* dev, const void* json_content, unsigned content_size,
                   rs2_error** error) {
  GuardedVoid(
      __func__, error,
      [&] {
        return ArgText()
            .Add("dev", dev)
            .Add("json_content", json_content)
            .Add("content_size", content_size);
      },
      [&] {
        const auto device = AdvancedDevice(dev);
        const auto settings = rs2sim::SettingsOf(device);
        if (!settings->AdvancedEnabled()) {
          Fail(RS2_EXCEPTION_TYPE_WRONG_API_CALL_SEQUENCE, "Advanced mode is not enabled!");
        }
        const std::string text(static_cast<const char*>(NotNull(json_content, "json_content")),
                               content_size);
        if (!IsJsonObject(text))
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "Invalid JSON: no object found");
        settings->Note("advanced mode: load_json " + text);
        if (rs2sim::SensorOptions(device, rs2sim::SensorKind::Depth)
                .Supports(RS2_OPTION_VISUAL_PRESET)) {
          settings->SetValue(rs2sim::SensorKind::Depth, RS2_OPTION_VISUAL_PRESET,
                             static_cast<float>(RS2_RS400_VISUAL_PRESET_CUSTOM));
        }
      });
}

}  // extern "C"
