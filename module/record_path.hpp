// Where a restarted recording goes, so that nothing recorded is overwritten.
#pragma once

#include <string>

namespace vs_realsense2 {

// `path` itself when no such file exists; otherwise the first free name of
// "stem-1.ext", "stem-2.ext", ... in the same folder ("cam.bag" gives
// "cam-1.bag"; a name without extension gets the number at its end).
std::string NextFreeRecordPath(const std::string& path);

}  // namespace vs_realsense2
