// Finding a device's sensor by the kind the library extends it to.
#pragma once

#include <optional>

#include <librealsense2/rs.hpp>

namespace vs_realsense2 {

// The device's first sensor that is an `Extension` (rs2::depth_sensor,
// rs2::color_sensor...), or none. Throws rs2::error.
template <class Extension>
std::optional<rs2::sensor> FindSensor(const rs2::device& device) {
  for (const rs2::sensor& sensor : device.query_sensors()) {
    if (sensor.is<Extension>())
      return sensor;
  }
  return std::nullopt;
}

}  // namespace vs_realsense2
