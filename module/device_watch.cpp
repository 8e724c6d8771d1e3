#include "device_watch.hpp"

#include <utility>

#include "library_context.hpp"

namespace vs_realsense2 {

DeviceWatch::DeviceWatch(std::function<void()> changed) : context_(OpenContext()) {
  context_.set_devices_changed_callback(
      [changed = std::move(changed)](rs2::event_information&) { changed(); });
}

bool DeviceWatch::IsConnected(const std::string& serial) const {
  for (const rs2::device device : context_.query_devices()) {
    if (serial.empty())
      return true;
    if (device.supports(RS2_CAMERA_INFO_SERIAL_NUMBER) &&
        serial == device.get_info(RS2_CAMERA_INFO_SERIAL_NUMBER))
      return true;
  }
  return false;
}

bool DeviceWatch::HardwareReset(const std::string& serial) const {
  for (rs2::device device : context_.query_devices()) {
    if (device.supports(RS2_CAMERA_INFO_SERIAL_NUMBER) &&
        serial == device.get_info(RS2_CAMERA_INFO_SERIAL_NUMBER)) {
      device.hardware_reset();
      return true;
    }
  }
  return false;
}

std::vector<std::string> DeviceWatch::ConnectedSerials() const {
  std::vector<std::string> serials;
  for (const rs2::device device : context_.query_devices()) {
    if (device.supports(RS2_CAMERA_INFO_SERIAL_NUMBER))
      serials.emplace_back(device.get_info(RS2_CAMERA_INFO_SERIAL_NUMBER));
  }
  return serials;
}

}  // namespace vs_realsense2
