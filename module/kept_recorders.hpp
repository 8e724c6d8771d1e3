// Record devices whose write failed, kept for the rest of the process.
#pragma once

#include <cstddef>
#include <string>

#include <librealsense2/rs.hpp>

namespace vs_realsense2 {

// librealsense2 2.54 ends the process when it destroys a recorder whose
// write failed (its bag writer throws out of a destructor), so such a
// device is never let go: one open file and its buffers per failure, which
// the retry spacing bounds. Thread-safe. Returns how many are kept.
std::size_t KeepForProcessLife(const rs2::device& recorder);

// Whether the text of an error notification of a record device's sensor
// says that the library stopped recording that sensor after a write failure
// (streaming goes on).
[[nodiscard]] bool IsRecordingStopped(const std::string& description);

}  // namespace vs_realsense2
