#include "software_camera.hpp"

#include <cstdint>
#include <cstring>

#include "frame_pattern.hpp"

namespace rs_make_recording {
namespace {

int BytesPerPixel(rs2_format format) {
  return format == RS2_FORMAT_RGB8 || format == RS2_FORMAT_BGR8 ? 3 : 2;
}

// Undistorted pinholes centred on the image; colour sees 0.75 x width as its
// focal length, depth 0.5 x width, as rs2sim's cameras do, so that tests of
// alignment read alike on both libraries.
rs2_intrinsics Pinhole(int width, int height, double focalPerWidth) {
  rs2_intrinsics intrinsics{};
  intrinsics.width = width;
  intrinsics.height = height;
  intrinsics.ppx = static_cast<float>(width) / 2;
  intrinsics.ppy = static_cast<float>(height) / 2;
  intrinsics.fx = static_cast<float>(focalPerWidth * width);
  intrinsics.fy = intrinsics.fx;
  intrinsics.model = RS2_DISTORTION_NONE;
  return intrinsics;
}

void DeletePixels(void* pixels) {
  delete[] static_cast<std::uint8_t*>(pixels);
}

}  // namespace

SoftwareCamera::SoftwareCamera(const RecordingPlan& plan) : domain_(plan.domain) {
  device_.update_info(RS2_CAMERA_INFO_NAME, "Intel RealSense D435 (software)");
  device_.register_info(RS2_CAMERA_INFO_SERIAL_NUMBER, plan.serial);
  // Stream uids must be unique within the device.
  int uid = 0;
  auto add = [&](const char* sensorName, rs2_stream type, const VideoStream& wanted,
                 double focalPerWidth) {
    rs2::software_sensor sensor = device_.add_sensor(sensorName);
    const int bpp = BytesPerPixel(wanted.format);
    const rs2_video_stream stream{type,
                                  0,
                                  ++uid,
                                  wanted.width,
                                  wanted.height,
                                  plan.fps,
                                  bpp,
                                  wanted.format,
                                  Pinhole(wanted.width, wanted.height, focalPerWidth)};
    rs2::stream_profile profile = sensor.add_video_stream(stream, /*is_default=*/true);
    return Stream{sensor, profile, bpp, wanted.width, wanted.height};
  };
  if (plan.depth.format != RS2_FORMAT_ANY) {
    depth_.emplace(add("Stereo Module", RS2_STREAM_DEPTH, plan.depth, 0.5));
    depth_->sensor.add_read_only_option(RS2_OPTION_DEPTH_UNITS, kDepthUnits);
    // A D435 records its emitter as on; playback reports it as recorded.
    depth_->sensor.add_read_only_option(RS2_OPTION_EMITTER_ENABLED, 1);
  }
  if (plan.color.format != RS2_FORMAT_ANY)
    color_.emplace(add("RGB Camera", RS2_STREAM_COLOR, plan.color, 0.75));
  if (depth_ && color_) {
    // The colour centre 15 mm along +x of the depth centre, no rotation.
    rs2_extrinsics depthToColor{{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0.015f, 0, 0}};
    depth_->profile.register_extrinsics_to(color_->profile, depthToColor);
    rs2_extrinsics colorToDepth{{1, 0, 0, 0, 1, 0, 0, 0, 1}, {-0.015f, 0, 0}};
    color_->profile.register_extrinsics_to(depth_->profile, colorToDepth);
  }
}

SoftwareCamera::~SoftwareCamera() {
  Stop();
}

void SoftwareCamera::Start() {
  for (std::optional<Stream>* stream : {&depth_, &color_}) {
    if (!*stream)
      continue;
    (*stream)->sensor.open((*stream)->profile);
    (*stream)->sensor.start([](const rs2::frame&) {});
  }
  started_ = true;
}

void SoftwareCamera::Send(const ScheduledFrameset& frameset) {
  for (std::optional<Stream>* stream : {&depth_, &color_}) {
    if (!*stream)
      continue;
    Stream& s = **stream;
    const std::size_t stride = static_cast<std::size_t>(s.width) * s.bytesPerPixel;
    const std::size_t size = stride * s.height;
    auto* pixels = new std::uint8_t[size];
    if (stream == &depth_) {
      const std::uint16_t value = DepthValue(frameset.number);
      for (std::size_t i = 0; i < size; i += 2)
        std::memcpy(pixels + i, &value, 2);
    } else {
      for (std::size_t i = 0; i < size; ++i)
        pixels[i] = ColorByte(frameset.number, i);
    }
    rs2_software_video_frame frame{};
    frame.pixels = pixels;
    frame.deleter = DeletePixels;
    frame.stride = static_cast<int>(stride);
    frame.bpp = s.bytesPerPixel;
    frame.timestamp = frameset.timestampMs;
    frame.domain = domain_;
    frame.frame_number = static_cast<int>(frameset.number);
    frame.profile = s.profile.get();
    frame.depth_units = kDepthUnits;
    // The library releases the pixels through the deleter when the frame goes.
    s.sensor.on_video_frame(frame);
  }
}

void SoftwareCamera::Stop() noexcept {
  if (!started_)
    return;
  started_ = false;
  for (std::optional<Stream>* stream : {&depth_, &color_}) {
    if (!*stream)
      continue;
    try {
      (*stream)->sensor.stop();
      (*stream)->sensor.close();
    } catch (const rs2::error&) {
      // Nothing to undo: the sensor is gone with the device.
    }
  }
}

}  // namespace rs_make_recording
