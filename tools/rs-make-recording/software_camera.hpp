// A camera made of the library's software device: the streams of a plan,
// with the optics rs2sim also uses, fed frame by frame.
#pragma once

#include <optional>

#include <librealsense2/hpp/rs_internal.hpp>
#include <librealsense2/rs.hpp>

#include "recording_plan.hpp"
#include "schedule.hpp"

namespace rs_make_recording {

// Not thread-safe: one thread builds, starts, sends and stops. Stop (or the
// destructor) must come before a recorder of the device is released.
class SoftwareCamera {
 public:
  // Throws rs2::error when the library refuses a stream.
  explicit SoftwareCamera(const RecordingPlan& plan);
  ~SoftwareCamera();
  SoftwareCamera(const SoftwareCamera&) = delete;
  SoftwareCamera& operator=(const SoftwareCamera&) = delete;

  rs2::device Device() const { return device_; }
  // Opens and starts every sensor; what a recorder of the device writes from now on.
  void Start();
  void Send(const ScheduledFrameset& frameset);
  void Stop() noexcept;

 private:
  struct Stream {
    rs2::software_sensor sensor;
    rs2::stream_profile profile;
    int bytesPerPixel = 0;
    int width = 0;
    int height = 0;
  };

  const rs2_timestamp_domain domain_;
  rs2::software_device device_;
  std::optional<Stream> color_;
  std::optional<Stream> depth_;
  bool started_ = false;
};

}  // namespace rs_make_recording
