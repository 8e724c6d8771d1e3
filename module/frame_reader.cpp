#include "frame_reader.hpp"

#include <module_log_lines.hpp>

#include "logger.hpp"
#include "session.hpp"
#include "thread_name.hpp"

namespace vs_realsense2 {

void ProcessFrame(const rs2::frame& frame, FrameQueue& queue, const std::string& name,
                  std::atomic<bool>& arrived, SourceStats* stats) {
  if (!rs2::frameset(frame))
    return;
  arrived.store(true, std::memory_order_relaxed);
  // Each refused frameset is also its own line, so a stalled reader is as
  // visible in the log as the camera's rate.
  if (!queue.Push(frame)) {
    Count(stats, &SourceStats::lostFramesets);
    LogSafely(orvlog::Severity::Warning, name, "ProcessFrame", log_lines::kLostFrames.data());
  }
}

// An exception ends the loop, not the process. Unsupervised, the session
// keeps streaming into a queue nobody drains (every further frameset is a
// "lost frames" line) until the host stops it; supervised, the supervisor
// hears of it below and rebuilds the session.
void Session::ReadFrames() {
  NameCurrentThread("rs-read:", name);
  if (links.readerBegan)
    links.readerBegan();
  bool failed = true;
  try {
    rs2::frame frame;
    while (queue->Pop(&frame, utils::tsq::WaitMode::WaitForever, 0) ==
           utils::tsq::QueueStatus::Ok) {
      if (const rs2::frameset frames{frame})
        ProcessVideoFrames(frames);
      // Released before waiting again, so a quiet camera does not pin a
      // frame of the library's pool.
      frame = rs2::frame();
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
