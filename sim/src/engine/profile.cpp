#include "profile.hpp"

#include <algorithm>

#include "errors.hpp"
#include "registry.hpp"

namespace rs2sim {
namespace {

bool SameStream(const StreamMode& a, const StreamMode& b) {
  return a.stream == b.stream && a.index == b.index;
}

bool Fits(const StreamRequest& r, const StreamMode& m) {
  return r.stream == m.stream && (r.index == -1 || r.index == m.index) &&
         (r.width == 0 || r.width == m.width) && (r.height == 0 || r.height == m.height) &&
         (r.format == RS2_FORMAT_ANY || r.format == m.format) && (r.fps == 0 || r.fps == m.fps);
}

bool Taken(const std::vector<StreamMode>& chosen, const StreamMode& mode) {
  return std::any_of(chosen.begin(), chosen.end(),
                     [&](const StreamMode& c) { return SameStream(c, mode); });
}

std::vector<StreamMode> FirstOfEachStream(const std::vector<StreamMode>& offered,
                                          bool depthAndColorOnly) {
  std::vector<StreamMode> chosen;
  for (const auto& mode : offered) {
    const bool wanted =
        !depthAndColorOnly || mode.stream == RS2_STREAM_DEPTH || mode.stream == RS2_STREAM_COLOR;
    if (wanted && !Taken(chosen, mode))
      chosen.push_back(mode);
  }
  return chosen;
}

}  // namespace

bool IsMotionStream(rs2_stream stream) {
  return stream == RS2_STREAM_GYRO || stream == RS2_STREAM_ACCEL;
}

bool IsVideoStream(rs2_stream stream) {
  return !IsMotionStream(stream) && stream != RS2_STREAM_POSE && stream != RS2_STREAM_GPIO;
}

const StreamMode& VideoModeOf(const rs2_stream_profile* profile) {
  const StreamMode& mode = NotNull(profile, "mode")->mode;
  if (!IsVideoStream(mode.stream)) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         "Object does not support \"librealsense::video_stream_profile_interface\" "
         "interface! ");
  }
  return mode;
}

ProfilePtr MakeProfile(const StreamMode& mode, bool isDefault) {
  return std::make_shared<const rs2_stream_profile>(
      rs2_stream_profile{mode, TheRegistry().NextProfileId(), isDefault});
}

std::optional<std::vector<StreamMode>> ChooseModes(const std::vector<StreamMode>& offered,
                                                   const std::vector<StreamRequest>& requests,
                                                   bool allStreams) {
  if (allStreams)
    return FirstOfEachStream(offered, false);
  if (requests.empty()) {
    auto chosen = FirstOfEachStream(offered, true);
    if (chosen.empty())
      chosen = FirstOfEachStream(offered, false);
    return chosen;
  }
  std::vector<StreamMode> chosen;
  for (const auto& request : requests) {
    auto it = std::find_if(offered.begin(), offered.end(), [&](const StreamMode& m) {
      return Fits(request, m) && !Taken(chosen, m);
    });
    if (it == offered.end())
      return std::nullopt;
    chosen.push_back(*it);
  }
  return chosen;
}

}  // namespace rs2sim
