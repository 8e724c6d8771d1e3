// The frame functions of the C API.

#include <librealsense2/rs.h>

#include "api/guarded.hpp"
#include "engine/frame.hpp"

using rs2sim::ArgText;
using rs2sim::Fail;
using rs2sim::Guarded;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

namespace {

bool IsDepthFormat(rs2_format format) {
  return format == RS2_FORMAT_Z16 || format == RS2_FORMAT_DISPARITY16 ||
         format == RS2_FORMAT_DISPARITY32;
}

bool Extends(const rs2_frame& frame, rs2_extension extension) {
  if (frame.IsComposite())
    return extension == RS2_EXTENSION_COMPOSITE_FRAME;
  const rs2sim::StreamMode& mode = frame.Content().profile->mode;
  const bool video = rs2sim::IsVideoStream(mode.stream);
  switch (extension) {
    case RS2_EXTENSION_VIDEO_FRAME:
      return video;
    case RS2_EXTENSION_DEPTH_FRAME:
      return video && IsDepthFormat(mode.format);
    case RS2_EXTENSION_DISPARITY_FRAME:
      return video && mode.format != RS2_FORMAT_Z16 && IsDepthFormat(mode.format);
    case RS2_EXTENSION_MOTION_FRAME:
      return rs2sim::IsMotionStream(mode.stream);
    default:
      return false;
  }
}

// Only the frame counter, which is the frame's number, on devices that send it.
bool SupportsMetadata(const rs2_frame& frame, rs2_frame_metadata_value metadata) {
  return metadata == RS2_FRAME_METADATA_FRAME_COUNTER && frame.Content().frameCounterMetadata;
}

const rs2sim::FrameContent& VideoContent(const rs2_frame* frame) {
  NotNull(frame, "frame");
  if (!Extends(*frame, RS2_EXTENSION_VIDEO_FRAME)) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         "Object does not support \"librealsense::video_frame\" interface! ");
  }
  return frame->Content();
}

const rs2sim::FrameContent& DepthContent(const rs2_frame* frame) {
  NotNull(frame, "frame_ref");
  if (!Extends(*frame, RS2_EXTENSION_DEPTH_FRAME)) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         "Object does not support \"librealsense::depth_frame\" interface! ");
  }
  return frame->Content();
}

const rs2_frame& Composite(const rs2_frame* frame) {
  NotNull(frame, "composite");
  if (!frame->IsComposite()) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         "Object does not support \"librealsense::composite_frame\" interface! ");
  }
  return *frame;
}

}  // namespace

extern "C" {

rs2_timestamp_domain rs2_get_frame_timestamp_domain(const rs2_frame* frameset, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frameset", frameset); },
      RS2_TIMESTAMP_DOMAIN_COUNT, [&] { return NotNull(frameset, "frameset")->Content().domain; });
}

rs2_time_t rs2_get_frame_timestamp(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); }, 0.0,
      [&] { return NotNull(frame, "frame")->Content().timestamp; });
}

unsigned long long rs2_get_frame_number(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); }, 0ULL,
      [&] { return NotNull(frame, "frame")->Content().number; });
}

int rs2_supports_frame_metadata(const rs2_frame* frame, rs2_frame_metadata_value frame_metadata,
                                rs2_error** error) {
  return Guarded(
      __func__, error,
      [&] { return ArgText().Add("frame", frame).Add("frame_metadata", frame_metadata); }, 0,
      [&] { return SupportsMetadata(*NotNull(frame, "frame"), frame_metadata) ? 1 : 0; });
}

rs2_metadata_type rs2_get_frame_metadata(const rs2_frame* frame,
                                         rs2_frame_metadata_value frame_metadata,
                                         rs2_error** error) {
  return Guarded(
      __func__, error,
      [&] { return ArgText().Add("frame", frame).Add("frame_metadata", frame_metadata); },
      rs2_metadata_type{0},
      [&] {
        if (!SupportsMetadata(*NotNull(frame, "frame"), frame_metadata)) {
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "Frame does not support this type of metadata");
        }
        return static_cast<rs2_metadata_type>(frame->Content().number);
      });
}

int rs2_get_frame_data_size(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); }, 0,
      [&] {
        NotNull(frame, "frame");
        return frame->IsComposite() ? 0 : frame->Content().dataSize;
      });
}

const void* rs2_get_frame_data(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); },
      static_cast<const void*>(nullptr),
      [&]() -> const void* {
        NotNull(frame, "frame");
        return frame->IsComposite() ? nullptr : frame->Content().data;
      });
}

int rs2_get_frame_width(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); }, 0,
      [&] { return VideoContent(frame).width; });
}

int rs2_get_frame_height(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); }, 0,
      [&] { return VideoContent(frame).height; });
}

int rs2_get_frame_stride_in_bytes(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); }, 0,
      [&] { return VideoContent(frame).stride; });
}

int rs2_get_frame_bits_per_pixel(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); }, 0,
      [&] { return rs2sim::BitsPerPixel(VideoContent(frame).profile->mode.format); });
}

void rs2_frame_add_ref(rs2_frame* frame, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("frame", frame); },
      [&] { NotNull(frame, "frame")->AddRef(); });
}

void rs2_release_frame(rs2_frame* frame) {
  if (frame)
    frame->Release();
}

void rs2_keep_frame(rs2_frame* frame) {
  if (frame)
    frame->Keep();
}

const rs2_stream_profile* rs2_get_frame_stream_profile(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame", frame); },
      static_cast<const rs2_stream_profile*>(nullptr),
      [&]() -> const rs2_stream_profile* {
        NotNull(frame, "frame");
        const auto& profile = frame->Content().profile;
        if (!profile) {
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "frameset has no frames to profile");
        }
        return profile.get();
      });
}

int rs2_is_frame_extendable_to(const rs2_frame* frame, rs2_extension extension_type,
                               rs2_error** error) {
  return Guarded(
      __func__, error,
      [&] { return ArgText().Add("frame", frame).Add("extension_type", extension_type); }, 0,
      [&] { return Extends(*NotNull(frame, "frame"), extension_type) ? 1 : 0; });
}

rs2_frame* rs2_extract_frame(rs2_frame* composite, int index, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("composite", composite).Add("index", index); },
      static_cast<rs2_frame*>(nullptr),
      [&] {
        const auto& parts = Composite(composite).Parts();
        if (index < 0 || index >= static_cast<int>(parts.size())) {
          Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "out of range value for argument \"index\"");
        }
        rs2_frame* part = parts[static_cast<std::size_t>(index)];
        part->AddRef();
        return part;
      });
}

int rs2_embedded_frames_count(rs2_frame* composite, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("composite", composite); }, 0,
      [&] { return static_cast<int>(Composite(composite).Parts().size()); });
}

float rs2_depth_frame_get_units(const rs2_frame* frame, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("frame_ref", frame); }, 0.0f,
      [&] { return DepthContent(frame).depthUnits; });
}

}  // extern "C"
