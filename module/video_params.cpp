#include "video_params.hpp"

#include <utils/code_placement.hpp>

#include <algorithm>

namespace vs_realsense2 {
namespace {

std::uint32_t ToPixelFormat(rs2_format format) {
  switch (format) {
    case RS2_FORMAT_RGB8:
      return vs_stream::kPixelFormatRgb24;
    case RS2_FORMAT_BGR8:
      return vs_stream::kPixelFormatBgr24;
    default:
      return vs_stream::kPixelFormatNone;
  }
}

}  // namespace

VSRS_HOT vs_stream::VideoRawParams MakeVideoRawParams(const rs2::video_frame& color,
                                                      rs2_format format) {
  const int height = color.get_height();
  const int width = color.get_width();
  vs_stream::VideoRawParams params;
  params.width = static_cast<std::uint32_t>(std::max(width, 0));
  params.height = static_cast<std::uint32_t>(std::max(height, 0));
  params.pixelFormat = ToPixelFormat(format);
  return params;
}

}  // namespace vs_realsense2
