#include "queue_losses.hpp"

#include "frame_numbers.hpp"

namespace vs_realsense2 {

// A frameset that the queue refused is the only one whose numbers the
// library's thread reads: touching frames there costs microseconds (cold
// library data on that thread), which only a reader that fell behind pays.
void QueueLosses::Dropped(const rs2::frameset& frames) {
  const FramesetNumbers numbers = ReadNumbers(frames);
  if (!numbers.color && !numbers.depth)
    return;
  if (!pending_)
    pending_ = std::make_shared<LostNumbers>();
  if (numbers.color)
    pending_->color.Add(*numbers.color);
  if (numbers.depth)
    pending_->depth.Add(*numbers.depth);
}

}  // namespace vs_realsense2
