#include "camera_failure.hpp"

#include <algorithm>
#include <cctype>
#include <string>

#include <librealsense2/rs.hpp>

namespace vs_realsense2 {
namespace {

bool ContainsIgnoringCase(std::string text, const std::string& lowerPart) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text.find(lowerPart) != std::string::npos;
}

}  // namespace

CameraFailure ClassifyCameraFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const rs2::error& e) {
    const std::string text = e.what();
    if (ContainsIgnoringCase(text, "busy"))
      return CameraFailure::Busy;
    if (text.find("No device found that satisfies all requirements") != std::string::npos ||
        text.find("Couldn't resolve requests") != std::string::npos)
      return CameraFailure::Unsatisfiable;
  } catch (...) {
  }
  return CameraFailure::Other;
}

}  // namespace vs_realsense2
