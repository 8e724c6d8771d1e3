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

// One Info line with what the library knows of the streaming device (for a
// playback, the recorded one): name, serial number, firmware, USB type and
// physical port, leaving out what it does not know. A USB 2 connection adds
// a Warning.
void PrintDevice(const rs2::pipeline_profile& profile, bool playback, const std::string& name);

// The librealsense2 version the module runs on, at Info, on the first call
// of the process only; a module built on rs2sim says so. Never throws a
// library error: a version that cannot be read is part of the line.
void PrintSdkOnce(const std::string& name);

}  // namespace vs_realsense2
