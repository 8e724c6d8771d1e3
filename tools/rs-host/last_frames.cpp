#include "last_frames.hpp"

#include <utility>

namespace rs_host {

void LastFrames::Keep(ColourImage colour, boost::shared_ptr<vid_db::media::DepthFrame> depth) {
  // Swapped out under the lock, released outside it: releasing a frame calls
  // into the camera library.
  const utils::MutexLock lock(mutex_);
  std::swap(frames_.colour, colour);
  if (depth)
    std::swap(frames_.depth, depth);
}

KeptFrames LastFrames::Get() const {
  const utils::MutexLock lock(mutex_);
  return frames_;
}

void LastFrames::Clear() {
  KeptFrames old;
  const utils::MutexLock lock(mutex_);
  std::swap(frames_, old);
}

}  // namespace rs_host
