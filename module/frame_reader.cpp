#include "frame_reader.hpp"

#include <utils/clock.hpp>

#include "logger.hpp"

namespace vs_realsense2 {

void ProcessFrame(const rs2::frame& frame, const FrameIntake& intake) {
  const rs2::frameset frames(frame);
  if (!frames)
    return;
  intake.arrived->store(true, std::memory_order_relaxed);
  QueueLosses* const losses = intake.queueLosses.get();
  if (intake.queue->Push(
          ArrivedFrameset{frame, utils::CurrentTimeMs(), losses ? losses->Pending() : nullptr})) {
    if (losses)
      losses->Passed();
    if (intake.lostFrames->Summing())
      intake.lostFrames->Queued(intake.nowMs());
  } else {
    intake.stats->lostFramesets.fetch_add(1, std::memory_order_relaxed);
    if (losses)
      losses->Dropped(frames);
    intake.lostFrames->Lost(intake.nowMs());
  }
}

}  // namespace vs_realsense2
