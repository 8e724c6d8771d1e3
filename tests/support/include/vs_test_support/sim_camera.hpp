// rs2sim helpers: a camera whose frames arrive only when a test emits them,
// and builders for the framesets it emits.
#pragma once

#include <functional>
#include <string>

#include <librealsense2/rs.h>
#include <rs2sim/control.hpp>

namespace vs_test_support {

// Registered on construction, removed on destruction. Emit returns after the
// pipeline's callback has returned, so a test knows what the module has
// queued without waiting.
class ManualCamera {
 public:
  using Adjust = std::function<void(rs2sim::DeviceSpec&)>;

  // Starts from rs2sim's default camera with that serial; `adjust` may change
  // the device description (sensors, emitter, pool size...) before it is registered.
  explicit ManualCamera(std::string serial, const Adjust& adjust = {});
  ~ManualCamera();
  ManualCamera(const ManualCamera&) = delete;
  ManualCamera& operator=(const ManualCamera&) = delete;

  const std::string& Serial() const { return serial_; }
  // A source address for this camera; `extraQuery` is appended as is.
  std::string Url(const std::string& extraQuery = "") const;
  rs2sim::Emitted Emit(const rs2sim::FramesetSpec& frames) const;

 private:
  const std::string serial_;
};

rs2sim::FrameSpec ColorFrame(double timestamp,
                             rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK,
                             rs2_format format = RS2_FORMAT_RGB8, int width = 640,
                             int height = 480);
rs2sim::FrameSpec DepthFrame(double timestamp,
                             rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK,
                             int width = 640, int height = 480);
// Colour (RGB8 640x480) and depth (Z16 640x480) with one timestamp.
rs2sim::FramesetSpec ColorAndDepth(
    double timestamp, rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK);

}  // namespace vs_test_support
