// Raw video parameters of colour frames, as the host learns them.
#pragma once

#include <librealsense2/rs.hpp>
#include <vs_stream/video_params.hpp>

namespace vs_realsense2 {

// Width and height clamped at 0; pixel format 16 for RGB8, 8 for BGR8 and 0
// (not deliverable) for every other format. `format` is the colour frame's
// (the caller has read its profile already).
vs_stream::VideoRawParams MakeVideoRawParams(const rs2::video_frame& color, rs2_format format);

}  // namespace vs_realsense2
