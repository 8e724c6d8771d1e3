// Raw video parameters of colour frames, as the host learns them.
#pragma once

#include <librealsense2/rs.hpp>
#include <vs_stream/video_params.hpp>

namespace vs_realsense2 {

// Width and height clamped at 0; pixel format 16 for RGB8, 8 for BGR8 and 0
// (not deliverable) for every other format.
vs_stream::VideoRawParams MakeVideoRawParams(const rs2::video_frame& color);

}  // namespace vs_realsense2
