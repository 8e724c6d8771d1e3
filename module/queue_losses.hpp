// The frame numbers of framesets the module's queue dropped, on their way to
// the reader, which follows the numbers of the framesets it takes.
#pragma once

#include <memory>

#include <librealsense2/rs.hpp>

#include "number_runs.hpp"

namespace vs_realsense2 {

// The colour and depth numbers of framesets the queue dropped.
struct LostNumbers {
  NumberRuns color;
  NumberRuns depth;
};

// Runs on the library's callback thread and is confined to it (the library
// calls a pipeline's callback with one frameset at a time). It reads the
// numbers of a frameset only when the queue drops it, which happens only
// while the reader is behind; the next frameset the queue takes carries
// them, so that the reader can tell a frame lost at the queue from one that
// never reached the module.
class QueueLosses {
 public:
  // What the next frameset offered to the queue carries; null when the queue
  // dropped nothing since it last took one.
  [[nodiscard]] std::shared_ptr<const LostNumbers> Pending() const { return pending_; }
  // The queue took a frameset carrying Pending().
  void Passed() { pending_.reset(); }
  // The queue dropped `frames`.
  void Dropped(const rs2::frameset& frames);

 private:
  std::shared_ptr<LostNumbers> pending_;
};

}  // namespace vs_realsense2
