// The colour and depth frames of a frameset, found in one walk over it.
#pragma once

#include <librealsense2/rs.hpp>

namespace vs_realsense2 {

struct FramesetParts {
  rs2::video_frame color;  // empty: none
  rs2_format colorFormat;  // RS2_FORMAT_ANY when there is no colour
  rs2::depth_frame depth;  // empty: none
};

// Picks what rs2::frameset's get_color_frame and get_depth_frame pick: the
// first colour frame, else the first infrared frame if it is RGB8; the first
// Z16 depth frame. Those walk the whole frameset once each, copying every
// frame and reading its stream profile up to twice; here one walk reads each
// profile once and ends when both are found. Every one of those reads is a
// call into the library, on the path of every frameset.
FramesetParts SplitFrameset(const rs2::frameset& frames);

}  // namespace vs_realsense2
