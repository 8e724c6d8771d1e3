#include "device_list.hpp"

#include <map>
#include <memory>
#include <stdexcept>

#ifdef RS_HOST_WITH_SDK
#include <librealsense2/rs.hpp>
#endif

#include "error_text.hpp"

namespace rs_host {
namespace {

// Modes in the order the library lists them; each size once, its rates in
// the order they came.
std::string DescribeModes(const std::vector<ModeEntry>& modes) {
  std::vector<std::string> sizes;
  std::map<std::string, std::string> rates;
  for (const auto& mode : modes) {
    const std::string size =
        mode.width > 0 ? std::to_string(mode.width) + "x" + std::to_string(mode.height) : "";
    if (rates.find(size) == rates.end()) {
      sizes.push_back(size);
      rates[size] = std::to_string(mode.fps);
    } else {
      rates[size] += "/" + std::to_string(mode.fps);
    }
  }
  std::string text;
  for (const auto& size : sizes)
    text += "  " + size + "@" + rates[size];
  return text;
}

}  // namespace

void WriteDeviceList(std::ostream& out, const std::vector<DeviceEntry>& devices) {
  if (devices.empty()) {
    out << "no camera connected\n";
    return;
  }
  for (const auto& device : devices) {
    std::string line;
    for (const auto& [label, value] : device.infos)
      line += (line.empty() ? "" : ", ") + (label.empty() ? value : label + " " + value);
    out << line << "\n";
    for (const auto& sensor : device.sensors) {
      out << "  " << sensor.name << "\n";
      // One line per stream and format, in the order they first came.
      std::vector<std::pair<std::string, std::string>> keys;
      std::map<std::pair<std::string, std::string>, std::vector<ModeEntry>> groups;
      for (const auto& mode : sensor.modes) {
        const auto key = std::make_pair(mode.stream, mode.format);
        if (groups.find(key) == groups.end())
          keys.push_back(key);
        groups[key].push_back(mode);
      }
      for (const auto& key : keys)
        out << "    " << key.first << " " << key.second << DescribeModes(groups[key]) << "\n";
    }
  }
}

#ifdef RS_HOST_WITH_SDK
namespace {

// A sensor's stream profiles with the list that holds them. The library's
// own sensor::get_stream_profiles drops the list before it returns, and only
// the sensor then keeps the profiles alive; holding the list keeps them
// valid whatever the library behind the headers does.
struct ProfileList {
  std::shared_ptr<rs2_stream_profile_list> list;
  std::vector<rs2::stream_profile> profiles;
};

ProfileList Profiles(const rs2::sensor& sensor) {
  rs2_error* e = nullptr;
  ProfileList result;
  result.list.reset(rs2_get_stream_profiles(sensor.get().get(), &e),
                    rs2_delete_stream_profiles_list);
  rs2::error::handle(e);
  const int count = rs2_get_stream_profiles_count(result.list.get(), &e);
  rs2::error::handle(e);
  for (int i = 0; i < count; ++i) {
    const rs2_stream_profile* profile = rs2_get_stream_profile(result.list.get(), i, &e);
    rs2::error::handle(e);
    result.profiles.emplace_back(profile);
  }
  return result;
}

}  // namespace

std::vector<DeviceEntry> QueryDevices() {
  static const std::pair<rs2_camera_info, const char*> kInfos[] = {
      {RS2_CAMERA_INFO_NAME, ""},
      {RS2_CAMERA_INFO_SERIAL_NUMBER, "serial"},
      {RS2_CAMERA_INFO_FIRMWARE_VERSION, "firmware"},
      {RS2_CAMERA_INFO_USB_TYPE_DESCRIPTOR, "USB"},
      {RS2_CAMERA_INFO_PHYSICAL_PORT, "port"}};
  std::vector<DeviceEntry> devices;
  const rs2::context context;
  for (auto&& device : context.query_devices()) {
    DeviceEntry entry;
    for (const auto& [info, label] : kInfos) {
      if (device.supports(info))
        entry.infos.emplace_back(label, device.get_info(info));
    }
    for (auto&& sensor : device.query_sensors()) {
      SensorEntry sensorEntry;
      sensorEntry.name = sensor.supports(RS2_CAMERA_INFO_NAME)
                             ? sensor.get_info(RS2_CAMERA_INFO_NAME)
                             : std::string("sensor");
      const ProfileList modes = Profiles(sensor);
      for (const auto& profile : modes.profiles) {
        ModeEntry mode;
        mode.stream = profile.stream_name();
        mode.format = rs2_format_to_string(profile.format());
        mode.fps = profile.fps();
        if (const auto video = profile.as<rs2::video_stream_profile>()) {
          mode.width = video.width();
          mode.height = video.height();
        }
        sensorEntry.modes.push_back(mode);
      }
      entry.sensors.push_back(std::move(sensorEntry));
    }
    devices.push_back(std::move(entry));
  }
  return devices;
}
#else
std::vector<DeviceEntry> QueryDevices() {
  throw std::runtime_error("rs-host was built without a camera library");
}
#endif

int ListDevices(std::ostream& out, std::ostream& err) {
  try {
    WriteDeviceList(out, QueryDevices());
    return 0;
  } catch (const std::exception& e) {
    err << "rs-host: cannot list cameras: " << DescribeException(e) << "\n";
    return 1;
  }
}

}  // namespace rs_host
