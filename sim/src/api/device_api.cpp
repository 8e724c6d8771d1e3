// Context, device, sensor and stream profile functions of the C API, and the devices-changed
// callback.

#include <librealsense2/rs.h>

#include <algorithm>
#include <chrono>

#include "api/guarded.hpp"
#include "api/objects.hpp"
#include "engine/notifications.hpp"
#include "engine/options.hpp"

using rs2sim::ArgText;
using rs2sim::DevicePtr;
using rs2sim::Fail;
using rs2sim::Guarded;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

namespace rs2sim {
namespace {

const char kProductLine[] = "D400";

std::vector<SensorKind> SensorsOf(const DeviceSpec& device) {
  std::vector<SensorKind> kinds;
  auto offers = [&](auto predicate) {
    return std::any_of(device.modes.begin(), device.modes.end(), predicate);
  };
  if (device.hasDepthSensor)
    kinds.push_back(SensorKind::Depth);
  if (offers([](const StreamMode& m) { return m.stream == RS2_STREAM_COLOR; })) {
    kinds.push_back(SensorKind::Color);
  }
  if (offers([](const StreamMode& m) { return IsMotionStream(m.stream); })) {
    kinds.push_back(SensorKind::Motion);
  }
  return kinds;
}

bool BelongsTo(SensorKind kind, const StreamMode& mode) {
  switch (kind) {
    case SensorKind::Depth:
      return mode.stream == RS2_STREAM_DEPTH || mode.stream == RS2_STREAM_INFRARED;
    case SensorKind::Color:
      return mode.stream == RS2_STREAM_COLOR;
    case SensorKind::Motion:
      return IsMotionStream(mode.stream);
  }
  return false;
}

const char* Supported(const std::string& info) {
  return info.empty() ? nullptr : info.c_str();
}

const char* DeviceInfo(const DeviceSpec& device, rs2_camera_info info) {
  switch (info) {
    case RS2_CAMERA_INFO_NAME:
      return device.name.c_str();
    case RS2_CAMERA_INFO_SERIAL_NUMBER:
      return device.serial.c_str();
    case RS2_CAMERA_INFO_FIRMWARE_VERSION:
      return Supported(device.firmware);
    case RS2_CAMERA_INFO_USB_TYPE_DESCRIPTOR:
      return Supported(device.usbType);
    case RS2_CAMERA_INFO_PHYSICAL_PORT:
      return Supported(device.physicalPort);
    case RS2_CAMERA_INFO_PRODUCT_LINE:
      return kProductLine;
    default:
      return nullptr;
  }
}

[[noreturn]] void InfoMissing(rs2_camera_info info) {
  Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
       std::string(rs2_camera_info_to_string(info)) + " not supported by this device");
}

}  // namespace
}  // namespace rs2sim

struct rs2_sensor : rs2_options {
  rs2_sensor(DevicePtr d, rs2sim::SensorKind k) : device(d), kind(k), options(std::move(d), k) {}

  bool Supports(rs2_option option) const override { return options.Supports(option); }
  float Get(rs2_option option) const override { return options.Get(option); }
  void Set(rs2_option option, float value) const override { options.Set(option, value); }
  rs2sim::OptionSpec Range(rs2_option option) const override { return options.Range(option); }

  DevicePtr device;
  rs2sim::SensorKind kind;
  rs2sim::SensorOptions options;
};

void rs2sim::SetSensorNotificationsCallback(const rs2_sensor* sensor,
                                            NotificationsCallbackPtr callback) {
  SetNotificationsCallback(sensor->device, sensor->kind, std::move(callback));
}

struct rs2_sensor_list {
  DevicePtr device;
  std::vector<rs2sim::SensorKind> kinds;
};

namespace {

rs2sim::Recorder& RecorderOf(const rs2_device* device) {
  const rs2_device& valid = *NotNull(device, "device");
  if (!valid.recorder)
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "device is not a record device");
  return *valid.recorder;
}

}  // namespace

extern "C" {

int rs2_get_api_version(rs2_error** error) {
  return Guarded(
      __func__, error, [] { return ArgText(); }, 0, [] { return RS2_API_VERSION; });
}

rs2_context* rs2_create_context(int api_version, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("api_version", api_version); },
      static_cast<rs2_context*>(nullptr),
      [&] {
        const int runtime = RS2_API_VERSION;
        auto text = [](int v) {
          return std::to_string(v / 10000) + "." + std::to_string(v % 10000 / 100) + "." +
                 std::to_string(v % 100);
        };
        const bool compatible = (runtime < 10100 || api_version < 10100)
                                    ? api_version == runtime
                                    : api_version / 10000 == runtime / 10000 &&
                                          api_version % 10000 / 100 <= runtime % 10000 / 100;
        if (!compatible) {
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
               "API version mismatch: librealsense.so was compiled with API version " +
                   text(runtime) + " but the application was compiled with " + text(api_version) +
                   "! Make sure correct version of the library is installed (make install)");
        }
        return new rs2_context();
      });
}

void rs2_delete_context(rs2_context* context) {
  rs2sim::TheRegistry().hub.Forget(context);  // no devices-changed call after this
  delete context;
}

rs2_time_t rs2_get_time(rs2_error** error) {
  return Guarded(
      __func__, error, [] { return ArgText(); }, 0.0,
      [] {
        const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
        return std::chrono::duration<double, std::milli>(sinceEpoch).count();
      });
}

void rs2_set_devices_changed_callback_cpp(rs2_context* context,
                                          rs2_devices_changed_callback* callback,
                                          rs2_error** error) {
  // The callback is ours from here on, also when the call fails.
  auto listener = std::make_shared<rs2sim::ChangeListener>(callback);
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("context", context).Add("callback", callback); },
      [&] {
        NotNull(context, "context");
        NotNull(callback, "callback");
        rs2sim::TheRegistry().hub.Set(context, std::move(listener));
      });
}

rs2_device_list* rs2_query_devices(const rs2_context* context, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("context", context); },
      static_cast<rs2_device_list*>(nullptr),
      [&] {
        NotNull(context, "context");
        return new rs2_device_list{rs2sim::TheRegistry().devices.Snapshot()};
      });
}

// Devices.

int rs2_get_device_count(const rs2_device_list* info_list, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("info_list", info_list); }, 0,
      [&] { return static_cast<int>(NotNull(info_list, "info_list")->devices.size()); });
}

void rs2_delete_device_list(rs2_device_list* info_list) {
  delete info_list;
}

int rs2_device_list_contains(const rs2_device_list* info_list, const rs2_device* device,
                             rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("info_list", info_list).Add("device", device); },
      0,
      [&] {
        const auto& devices = NotNull(info_list, "info_list")->devices;
        const std::string& serial = NotNull(device, "device")->spec->serial;
        // The same camera, whichever list or handle it came from.
        return std::any_of(devices.begin(), devices.end(),
                           [&](const rs2sim::DevicePtr& d) { return d->serial == serial; })
                   ? 1
                   : 0;
      });
}

rs2_device* rs2_create_device(const rs2_device_list* info_list, int index, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("info_list", info_list).Add("index", index); },
      static_cast<rs2_device*>(nullptr),
      [&] {
        const auto& devices = NotNull(info_list, "info_list")->devices;
        if (index < 0 || index >= static_cast<int>(devices.size())) {
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "out of range value for argument \"index\"");
        }
        return new rs2_device{devices[static_cast<std::size_t>(index)]};
      });
}

void rs2_delete_device(rs2_device* device) {
  delete device;
}

const char* rs2_get_device_info(const rs2_device* device, rs2_camera_info info, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("device", device).Add("info", info); },
      static_cast<const char*>(nullptr),
      [&] {
        const char* value = rs2sim::DeviceInfo(*NotNull(device, "device")->spec, info);
        if (!value)
          rs2sim::InfoMissing(info);
        return value;
      });
}

int rs2_supports_device_info(const rs2_device* device, rs2_camera_info info, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("device", device).Add("info", info); }, 0,
      [&] { return rs2sim::DeviceInfo(*NotNull(device, "device")->spec, info) ? 1 : 0; });
}

int rs2_is_device_extendable_to(const rs2_device* device, rs2_extension extension,
                                rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("device", device).Add("extension", extension); },
      0,
      [&] {
        const rs2_device& valid = *NotNull(device, "device");
        if (extension == RS2_EXTENSION_RECORD)
          return valid.recorder ? 1 : 0;
        return extension == RS2_EXTENSION_ADVANCED_MODE && valid.spec->advancedMode ? 1 : 0;
      });
}

void rs2_record_device_pause(const rs2_device* device, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("device", device); },
      [&] { RecorderOf(device).Pause(); });
}

void rs2_record_device_resume(const rs2_device* device, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("device", device); },
      [&] { RecorderOf(device).Resume(); });
}

const char* rs2_record_device_filename(const rs2_device* device, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("device", device); },
      static_cast<const char*>(nullptr), [&] { return RecorderOf(device).Path().c_str(); });
}

rs2_sensor_list* rs2_query_sensors(const rs2_device* device, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("device", device); },
      static_cast<rs2_sensor_list*>(nullptr),
      [&] {
        const DevicePtr& spec = NotNull(device, "device")->spec;
        return new rs2_sensor_list{spec, rs2sim::SensorsOf(*spec)};
      });
}

// The device leaves and comes back as the registry's reset says; a handle of a device that is
// not connected fails as the library's does for a camera gone.
void rs2_hardware_reset(const rs2_device* device, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("device", device); },
      [&] {
        const DevicePtr& spec = NotNull(device, "device")->spec;
        if (!rs2sim::TheRegistry().devices.HardwareReset(spec->serial))
          Fail(RS2_EXCEPTION_TYPE_CAMERA_DISCONNECTED,
               "hardware_reset: the device is not connected");
      });
}

// Sensors.

void rs2_delete_sensor_list(rs2_sensor_list* info_list) {
  delete info_list;
}

int rs2_get_sensors_count(const rs2_sensor_list* info_list, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("info_list", info_list); }, 0,
      [&] { return static_cast<int>(NotNull(info_list, "info_list")->kinds.size()); });
}

void rs2_delete_sensor(rs2_sensor* sensor) {
  delete sensor;
}

rs2_sensor* rs2_create_sensor(const rs2_sensor_list* list, int index, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("list", list).Add("index", index); },
      static_cast<rs2_sensor*>(nullptr),
      [&] {
        const auto& kinds = NotNull(list, "list")->kinds;
        if (index < 0 || index >= static_cast<int>(kinds.size())) {
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "out of range value for argument \"index\"");
        }
        return new rs2_sensor(list->device, kinds[static_cast<std::size_t>(index)]);
      });
}

rs2_device* rs2_create_device_from_sensor(const rs2_sensor* sensor, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("sensor", sensor); },
      static_cast<rs2_device*>(nullptr),
      [&] { return new rs2_device{NotNull(sensor, "sensor")->device}; });
}

const char* rs2_get_sensor_info(const rs2_sensor* sensor, rs2_camera_info info, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("sensor", sensor).Add("info", info); },
      static_cast<const char*>(nullptr),
      [&] {
        NotNull(sensor, "sensor");
        if (info == RS2_CAMERA_INFO_NAME)
          return rs2sim::SensorName(sensor->kind);
        const char* value = rs2sim::DeviceInfo(*sensor->device, info);
        if (!value)
          rs2sim::InfoMissing(info);
        return value;
      });
}

int rs2_supports_sensor_info(const rs2_sensor* sensor, rs2_camera_info info, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("sensor", sensor).Add("info", info); }, 0,
      [&] { return rs2sim::DeviceInfo(*NotNull(sensor, "sensor")->device, info) ? 1 : 0; });
}

int rs2_is_sensor_extendable_to(const rs2_sensor* sensor, rs2_extension extension,
                                rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("sensor", sensor).Add("extension", extension); },
      0,
      [&] {
        using rs2sim::SensorKind;
        const SensorKind kind = NotNull(sensor, "sensor")->kind;
        switch (extension) {
          case RS2_EXTENSION_OPTIONS:
          case RS2_EXTENSION_INFO:
            return 1;
          case RS2_EXTENSION_DEPTH_SENSOR:
          case RS2_EXTENSION_DEPTH_STEREO_SENSOR:
            return kind == SensorKind::Depth ? 1 : 0;
          case RS2_EXTENSION_VIDEO:
            return kind != SensorKind::Motion ? 1 : 0;
          case RS2_EXTENSION_COLOR_SENSOR:
            return kind == SensorKind::Color ? 1 : 0;
          case RS2_EXTENSION_MOTION_SENSOR:
          case RS2_EXTENSION_MOTION:
            return kind == SensorKind::Motion ? 1 : 0;
          default:
            return 0;
        }
      });
}

float rs2_get_depth_scale(rs2_sensor* sensor, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("sensor", sensor); }, 0.0f,
      [&] {
        if (NotNull(sensor, "sensor")->kind != rs2sim::SensorKind::Depth) {
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
               "Object does not support \"librealsense::depth_sensor\" interface! ");
        }
        return sensor->device->depthUnits;
      });
}

rs2_stream_profile_list* rs2_get_stream_profiles(rs2_sensor* sensor, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("sensor", sensor); },
      static_cast<rs2_stream_profile_list*>(nullptr),
      [&] {
        NotNull(sensor, "sensor");
        auto list = std::make_unique<rs2_stream_profile_list>();
        std::vector<std::pair<int, int>> seen;
        for (const auto& mode : sensor->device->modes) {
          if (!rs2sim::BelongsTo(sensor->kind, mode))
            continue;
          const std::pair<int, int> stream(mode.stream, mode.index);
          const bool first = std::find(seen.begin(), seen.end(), stream) == seen.end();
          if (first)
            seen.push_back(stream);
          list->profiles.push_back(rs2sim::MakeProfile(mode, first));
        }
        return list.release();
      });
}

// Stream profiles.

const rs2_stream_profile* rs2_get_stream_profile(const rs2_stream_profile_list* list, int index,
                                                 rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("list", list).Add("index", index); },
      static_cast<const rs2_stream_profile*>(nullptr),
      [&] {
        const auto& profiles = NotNull(list, "list")->profiles;
        if (index < 0 || index >= static_cast<int>(profiles.size())) {
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "out of range value for argument \"index\"");
        }
        return profiles[static_cast<std::size_t>(index)].get();
      });
}

void rs2_get_stream_profile_data(const rs2_stream_profile* mode, rs2_stream* stream,
                                 rs2_format* format, int* index, int* unique_id, int* framerate,
                                 rs2_error** error) {
  GuardedVoid(
      __func__, error,
      [&] {
        return ArgText()
            .Add("mode", mode)
            .Add("stream", stream)
            .Add("format", format)
            .Add("index", index)
            .Add("unique_id", unique_id)
            .Add("framerate", framerate);
      },
      [&] {
        const auto& m = NotNull(mode, "mode")->mode;
        *NotNull(stream, "stream") = m.stream;
        *NotNull(format, "format") = m.format;
        *NotNull(index, "index") = m.index;
        *NotNull(unique_id, "unique_id") = mode->uid;
        *NotNull(framerate, "framerate") = m.fps;
      });
}

int rs2_stream_profile_is(const rs2_stream_profile* mode, rs2_extension type, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("mode", mode).Add("type", type); }, 0,
      [&] {
        const rs2_stream stream = NotNull(mode, "mode")->mode.stream;
        switch (type) {
          case RS2_EXTENSION_VIDEO_PROFILE:
            return rs2sim::IsVideoStream(stream) ? 1 : 0;
          case RS2_EXTENSION_MOTION_PROFILE:
            return rs2sim::IsMotionStream(stream) ? 1 : 0;
          case RS2_EXTENSION_POSE_PROFILE:
            return stream == RS2_STREAM_POSE ? 1 : 0;
          default:
            return 0;
        }
      });
}

void rs2_get_video_stream_resolution(const rs2_stream_profile* mode, int* width, int* height,
                                     rs2_error** error) {
  GuardedVoid(
      __func__, error,
      [&] { return ArgText().Add("mode", mode).Add("width", width).Add("height", height); },
      [&] {
        const auto& m = rs2sim::VideoModeOf(mode);
        *NotNull(width, "width") = m.width;
        *NotNull(height, "height") = m.height;
      });
}

int rs2_is_stream_profile_default(const rs2_stream_profile* mode, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("mode", mode); }, 0,
      [&] { return NotNull(mode, "mode")->isDefault ? 1 : 0; });
}

int rs2_get_stream_profiles_count(const rs2_stream_profile_list* list, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("list", list); }, 0,
      [&] { return static_cast<int>(NotNull(list, "list")->profiles.size()); });
}

void rs2_delete_stream_profiles_list(rs2_stream_profile_list* list) {
  delete list;
}

}  // extern "C"
