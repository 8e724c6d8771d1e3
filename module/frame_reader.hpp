// How framesets travel from the library's callback threads to a session's
// reader thread: a small bounded queue, the callback that fills it and the
// thread that drains it.
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include <librealsense2/rs.hpp>
#include <utils/noncopyable.hpp>
#include <utils/threadsafe_queue.hpp>

#include "source_stats.hpp"

namespace vs_realsense2 {

using FrameQueue = utils::tsq::ThreadsafeQueue<rs2::frame, std::deque<rs2::frame>>;

// Queues `frame` if it is a frameset; a full queue drops it with "lost
// frames" (counted in `stats` unless null), so the library's thread never
// waits for the host. Every frameset raises `arrived` (one relaxed store) for
// the source's watchdog.
void ProcessFrame(const rs2::frame& frame, FrameQueue& queue, const std::string& name,
                  std::atomic<bool>& arrived, SourceStats* stats);

// The callback the library owns once the pipeline starts. It carries its own
// copies of the log name, the queue, the arrival flag and the counters and
// never the session, so it cannot reach a session that is being built or
// torn down.
class FrameCallback {
 public:
  FrameCallback(std::string name, std::shared_ptr<FrameQueue> queue,
                std::shared_ptr<std::atomic<bool>> arrived, std::shared_ptr<SourceStats> stats)
      : name_(std::move(name)),
        queue_(std::move(queue)),
        arrived_(std::move(arrived)),
        stats_(std::move(stats)) {}

  void operator()(const rs2::frame& frame) const {
    ProcessFrame(frame, *queue_, name_, *arrived_, stats_.get());
  }

 private:
  std::string name_;
  std::shared_ptr<FrameQueue> queue_;
  std::shared_ptr<std::atomic<bool>> arrived_;
  std::shared_ptr<SourceStats> stats_;  // null: not counted
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

  // Any thread.
  [[nodiscard]] bool IsCurrentThread() const {
    return std::this_thread::get_id() == thread_.get_id();
  }

 private:
  FrameQueue& queue_;
  std::thread thread_;
};

}  // namespace vs_realsense2
