#include "frame_reader.hpp"

#include <utils/clock.hpp>

#include "logger.hpp"
#include "session.hpp"
#include "thread_name.hpp"

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
    Count(intake.stats.get(), &SourceStats::lostFramesets);
    if (losses)
      losses->Dropped(frames);
    intake.lostFrames->Lost(intake.nowMs());
  }
}

// An exception ends the loop, not the process. Unsupervised, the session
// keeps streaming into a queue nobody drains (every further frameset is
// lost) until the host stops it; supervised, the supervisor
// hears of it below and rebuilds the session.
void Session::ReadFrames() {
  NameCurrentThread("rs-read:", name);
  if (links.readerBegan)
    links.readerBegan();
  bool failed = true;
  try {
    ArrivedFrameset arrived;
    while (queue->Pop(&arrived, utils::tsq::WaitMode::WaitForever, 0) ==
           utils::tsq::QueueStatus::Ok) {
      if (const rs2::frameset frames{arrived.frame}) {
        ProcessVideoFrames(frames, arrived.arrivalMs, arrived.lostBefore.get());
        // After the first packet's call, not before it: a host log sink that
        // waits for the handler cannot hold up the first packet.
        if (!framesDescribed)
          DescribeFrames(frames);
      }
      // Released before waiting again, so a quiet camera does not pin a
      // frame of the library's pool.
      arrived.frame = rs2::frame();
    }
    failed = false;
  } catch (const std::exception& e) {
    LogSafely(orvlog::Severity::Error, name, "ReadFrames",
              [&](std::ostream& os) { os << "exception: " << e.what(); });
  } catch (...) {
    // A handler throwing something that is no std::exception must not
    // escape the thread and terminate the host.
    LogSafely(orvlog::Severity::Error, name, "ReadFrames", "exception: unknown");
  }
  if (links.readerEnded) {
    try {
      links.readerEnded(failed, lastColorTime);
    } catch (...) {
      // The supervisor then notices the silence instead.
    }
  }
}

}  // namespace vs_realsense2
