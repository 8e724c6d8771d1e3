// How framesets travel from the library's callback threads to a session's
// reader thread: a small bounded queue, the callback that fills it and the
// thread that drains it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include <librealsense2/rs.hpp>
#include <utils/noncopyable.hpp>
#include <utils/threadsafe_queue.hpp>

#include "lost_frames_log.hpp"
#include "queue_losses.hpp"
#include "source_stats.hpp"

namespace vs_realsense2 {

// A frameset and the system time (ms since the epoch) at which it reached
// the module: a new time base maps the camera's clock onto the moment the
// frameset arrived, not the later one at which the reader got to it.
struct ArrivedFrameset {
  rs2::frame frame;
  std::int64_t arrivalMs = 0;
  // The numbers of framesets the queue dropped since it took the one
  // before; null when none (or nobody follows numbers).
  std::shared_ptr<const LostNumbers> lostBefore;
};

using FrameQueue = utils::tsq::ThreadsafeQueue<ArrivedFrameset, std::deque<ArrivedFrameset>>;

// What the library's thread touches for every frameset.
struct FrameIntake {
  std::string name;
  std::shared_ptr<FrameQueue> queue;
  // Raised for every frameset (one relaxed store) for the source's watchdog.
  std::shared_ptr<std::atomic<bool>> arrived;
  std::shared_ptr<SourceStats> stats;  // not null
  std::shared_ptr<LostFramesLog> lostFrames;
  std::function<std::int64_t()> nowMs;  // monotonic, for the lost-frames lines
  // Null when the health line is off: nobody follows frame numbers.
  std::shared_ptr<QueueLosses> queueLosses;
};

// Queues `frame` if it is a frameset; a full queue drops it ("lost frames",
// counted in the stats), so the library's thread never waits for the host.
void ProcessFrame(const rs2::frame& frame, const FrameIntake& intake);

// The callback the library owns once the pipeline starts. It carries its own
// copies of what it touches and never the session, so it cannot reach a
// session that is being built or torn down.
class FrameCallback {
 public:
  explicit FrameCallback(std::shared_ptr<const FrameIntake> intake) : intake_(std::move(intake)) {}

  void operator()(const rs2::frame& frame) const { ProcessFrame(frame, *intake_); }

 private:
  std::shared_ptr<const FrameIntake> intake_;
};

// A thread draining `queue`. Ending it takes two steps in a fixed order:
// close the queue so that the waiting Pop answers Closed, then join. Owning
// both in one destructor keeps every exit path of a session, the failed
// construction included, from leaving a joinable thread behind.
class ReaderThread : private utils::Noncopyable {
 public:
  template <class Body>
  ReaderThread(FrameQueue& queue, Body&& body) : queue_(queue), thread_(std::forward<Body>(body)) {}
  ~ReaderThread() {
    queue_.Close();
    thread_.join();
  }

 private:
  FrameQueue& queue_;
  std::thread thread_;
};

}  // namespace vs_realsense2
