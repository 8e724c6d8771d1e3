#include "frameset_parts.hpp"

#include <utils/code_placement.hpp>

namespace vs_realsense2 {

VSRS_HOT FramesetParts SplitFrameset(const rs2::frameset& frames) {
  rs2::frame color;
  rs2_format colorFormat = RS2_FORMAT_ANY;
  rs2::frame infrared;
  rs2_format infraredFormat = RS2_FORMAT_ANY;
  rs2::frame depth;
  const std::size_t count = frames.size();
  for (std::size_t i = 0; i < count && !(color && depth); ++i) {
    rs2::frame frame = frames[i];
    const rs2::stream_profile profile = frame.get_profile();
    const rs2_stream stream = profile.stream_type();
    if (stream == RS2_STREAM_COLOR && !color) {
      colorFormat = profile.format();
      color = std::move(frame);
    } else if (stream == RS2_STREAM_DEPTH && !depth && profile.format() == RS2_FORMAT_Z16) {
      depth = std::move(frame);
    } else if (stream == RS2_STREAM_INFRARED && !infrared) {
      infraredFormat = profile.format();
      infrared = std::move(frame);
    }
  }
  if (!color && infraredFormat == RS2_FORMAT_RGB8) {
    color = std::move(infrared);
    colorFormat = infraredFormat;
  }
  rs2::video_frame video(color);
  if (!video)
    colorFormat = RS2_FORMAT_ANY;  // none, or no video frame
  return FramesetParts{std::move(video), colorFormat, rs2::depth_frame(depth)};
}

}  // namespace vs_realsense2
