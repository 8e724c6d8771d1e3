// rs2sim cameras whose frames arrive only when a test emits them, and frames.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include <librealsense2/rs.h>
#include <rs2sim/control.hpp>

namespace vs_test_support {

// Registered on construction, removed on destruction. Emit returns after the
// pipeline's callback has returned, so a test knows what the module has
// queued without waiting.
class ManualCamera {
 public:
  // Starts from rs2sim's default camera with that serial; `adjust` may change
  // the device (sensors, emitter, pool size...) before it is registered.
  explicit ManualCamera(std::string serial,
                        const std::function<void(rs2sim::DeviceSpec&)>& adjust = {})
      : serial_(std::move(serial)) {
    rs2sim::DeviceSpec device = rs2sim::DefaultCamera(serial_);
    device.manual = true;
    if (adjust)
      adjust(device);
    rs2sim::AddDevice(device);
  }
  ~ManualCamera() { rs2sim::RemoveDevice(serial_); }
  ManualCamera(const ManualCamera&) = delete;
  ManualCamera& operator=(const ManualCamera&) = delete;

  const std::string& Serial() const { return serial_; }
  std::string Url(const std::string& extraQuery = "") const {
    return "realsense://camera?sn=" + serial_ + (extraQuery.empty() ? "" : "&" + extraQuery);
  }
  rs2sim::Emitted Emit(const rs2sim::FramesetSpec& frames) const {
    return rs2sim::Emit(serial_, frames);
  }

 private:
  const std::string serial_;
};

inline rs2sim::FrameSpec ColorFrame(
    double timestamp, rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK,
    rs2_format format = RS2_FORMAT_RGB8, int width = 640, int height = 480) {
  rs2sim::FrameSpec frame;
  frame.format = format;
  frame.width = width;
  frame.height = height;
  frame.timestamp = timestamp;
  frame.domain = domain;
  return frame;
}

inline rs2sim::FrameSpec DepthFrame(
    double timestamp, rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK,
    int width = 640, int height = 480) {
  rs2sim::FrameSpec frame = ColorFrame(timestamp, domain, RS2_FORMAT_Z16, width, height);
  frame.stream = RS2_STREAM_DEPTH;
  return frame;
}

// Colour (RGB8 640x480) and depth (Z16 640x480) with one timestamp.
inline rs2sim::FramesetSpec ColorAndDepth(
    double timestamp, rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK) {
  rs2sim::FramesetSpec frames;
  frames.frames = {ColorFrame(timestamp, domain), DepthFrame(timestamp, domain)};
  return frames;
}

}  // namespace vs_test_support
