// What a started pipeline actually delivers, which may differ from what was
// asked (0 asks for anything; playback asks for nothing).
#pragma once

#include <string>

#include <librealsense2/rs.hpp>

namespace vs_realsense2 {

// One Debug line per stream: type, index, format, rate, and the resolution of
// video streams.
void PrintProfile(const rs2::pipeline_profile& profile, const std::string& name);

// The emitter state of the device's first depth sensor, or why there is none.
void PrintEmitter(const rs2::pipeline_profile& profile, const std::string& name);

}  // namespace vs_realsense2
