// A librealsense2 context asked for the interface the module was written for.
#pragma once

#include <librealsense2/rs.hpp>

namespace vs_realsense2 {

// RS2_API_VERSION of librealsense2 2.43.0. Requested explicitly instead of
// through rs2::context() so that the interface the module was written for
// is what it asks of whatever library version it is compiled against.
inline constexpr int kApiVersion = 24300;

// Throws rs2::error when the library refuses that interface version.
rs2::context OpenContext();

}  // namespace vs_realsense2
