#include "vs_test_support/sim_camera.hpp"

#include <utility>

namespace vs_test_support {

ManualCamera::ManualCamera(std::string serial, const Adjust& adjust) : serial_(std::move(serial)) {
  rs2sim::DeviceSpec spec = rs2sim::DefaultCamera(serial_);
  spec.manual = true;
  if (adjust)
    adjust(spec);
  rs2sim::AddDevice(spec);
}

ManualCamera::~ManualCamera() {
  rs2sim::RemoveDevice(serial_);
}

std::string ManualCamera::Url(const std::string& extraQuery) const {
  std::string url = "realsense://camera?sn=" + serial_;
  if (!extraQuery.empty())
    url += "&" + extraQuery;
  return url;
}

rs2sim::Emitted ManualCamera::Emit(const rs2sim::FramesetSpec& frames) const {
  return rs2sim::Emit(serial_, frames);
}

rs2sim::FrameSpec ColorFrame(double timestamp, rs2_timestamp_domain domain, rs2_format format,
                             int width, int height) {
  rs2sim::FrameSpec frame;
  frame.stream = RS2_STREAM_COLOR;
  frame.format = format;
  frame.width = width;
  frame.height = height;
  frame.timestamp = timestamp;
  frame.domain = domain;
  return frame;
}

rs2sim::FrameSpec DepthFrame(double timestamp, rs2_timestamp_domain domain, int width, int height) {
  rs2sim::FrameSpec frame;
  frame.stream = RS2_STREAM_DEPTH;
  frame.format = RS2_FORMAT_Z16;
  frame.width = width;
  frame.height = height;
  frame.timestamp = timestamp;
  frame.domain = domain;
  return frame;
}

rs2sim::FramesetSpec ColorAndDepth(double timestamp, rs2_timestamp_domain domain) {
  rs2sim::FramesetSpec frames;
  frames.frames = {ColorFrame(timestamp, domain), DepthFrame(timestamp, domain)};
  return frames;
}

}  // namespace vs_test_support
