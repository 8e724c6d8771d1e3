// Stream profiles and the choice of stream modes for a request.

#ifndef RS2SIM_SRC_ENGINE_PROFILE_HPP
#define RS2SIM_SRC_ENGINE_PROFILE_HPP

#include <rs2sim/control.hpp>

#include <memory>
#include <optional>
#include <vector>

struct rs2_stream_profile {
  rs2sim::StreamMode mode;
  int uid;
  bool isDefault;
};

using ProfilePtr = std::shared_ptr<const rs2_stream_profile>;

struct rs2_stream_profile_list {
  std::vector<ProfilePtr> profiles;
};

namespace rs2sim {

bool IsMotionStream(rs2_stream stream);
bool IsVideoStream(rs2_stream stream);
// The mode of a video stream profile; fails as the SDK does (invalid_value)
// for a null or non-video profile.
const StreamMode& VideoModeOf(const rs2_stream_profile* profile);
ProfilePtr MakeProfile(const StreamMode& mode, bool isDefault);

// One rs2_config_enable_stream call; zero, -1 and RS2_FORMAT_ANY mean "any".
struct StreamRequest {
  rs2_stream stream;
  int index;
  int width;
  int height;
  rs2_format format;
  int fps;
};

// The modes a device (or recording) streams for these requests: the first offered mode that fits
// each request, or with no requests the first depth and the first colour mode (or the first mode
// of every stream when it has neither). Empty when some request cannot be met.
std::optional<std::vector<StreamMode>> ChooseModes(const std::vector<StreamMode>& offered,
                                                   const std::vector<StreamRequest>& requests,
                                                   bool allStreams);

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_PROFILE_HPP
