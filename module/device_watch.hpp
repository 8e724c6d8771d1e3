// Whether the camera a source wants is connected, answered at once, and a
// wake-up when the library's list of devices changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <librealsense2/rs.hpp>
#include <utils/noncopyable.hpp>

namespace vs_realsense2 {

// A pipeline start for a camera that is not there blocks inside the library
// for its whole device wait (about 15 s), so whoever retries a start asks
// here first and starts only when the camera is listed.
class DeviceWatch : private utils::Noncopyable {
 public:
  // `changed` runs on a library thread whenever devices come or go; it must
  // not block. Throws rs2::error when the library cannot be opened.
  explicit DeviceWatch(std::function<void()> changed);
  // No call of `changed` follows once the destructor has returned.
  ~DeviceWatch() = default;

  // True when a device with serial number `serial` is connected, or any
  // device when `serial` is empty. Throws rs2::error.
  [[nodiscard]] bool IsConnected(const std::string& serial) const;
  // The serial numbers of the connected devices that have one, in the
  // library's order. Throws rs2::error.
  [[nodiscard]] std::vector<std::string> ConnectedSerials() const;
  // Asks the connected camera with serial number `serial` to reset itself
  // (it leaves and comes back, which `changed` hears); false when it is not
  // connected. Throws rs2::error.
  [[nodiscard]] bool HardwareReset(const std::string& serial) const;

 private:
  // The library owns the callback and drops it with the context.
  rs2::context context_;
};

}  // namespace vs_realsense2
