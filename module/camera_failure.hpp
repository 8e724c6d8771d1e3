// What a failed start of a listed live camera means for whoever retries it.
#pragma once

#include <exception>

namespace vs_realsense2 {

enum class CameraFailure {
  // In use by another program (the library passes on the system's "Device or
  // resource busy"): waiting may cure it.
  Busy,
  // The camera does not offer the sizes, rates or formats the address asks
  // for: waiting cures nothing until another camera is plugged in.
  Unsatisfiable,
  Other,
};

// Judged by the library's message, the one thing its errors share across
// platforms and versions for these cases.
[[nodiscard]] CameraFailure ClassifyCameraFailure(const std::exception_ptr& failure);

}  // namespace vs_realsense2
