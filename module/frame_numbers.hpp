// The frame numbers of a session's colour and depth streams, followed as the
// reader takes framesets: frames the camera or the library lost show as
// numbers that never came.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include <librealsense2/rs.hpp>

#include "number_runs.hpp"
#include "queue_losses.hpp"
#include "source_stats.hpp"

namespace vs_realsense2 {

// The numbers of a frameset's colour and depth frame; empty for a stream the
// frameset lacks.
struct FramesetNumbers {
  std::optional<unsigned long long> color;
  std::optional<unsigned long long> depth;
};

// From frames already taken out of their frameset: two library calls.
FramesetNumbers ReadNumbers(const rs2::frame& color, const rs2::frame& depth);
// One pass over the frameset: its first colour and first depth frame.
FramesetNumbers ReadNumbers(const rs2::frameset& frames);

// Reader thread only. Per stream, a number above the last one plus one
// counts the numbers between as drops, except those of framesets the queue
// dropped (QueueLosses), which reached the module and are counted as lost at
// the queue already; the same number again is the syncer repeating a stream
// that had no new frame, neither a new frame nor a drop; a lower number (a
// playback loop, a camera counter reset) starts the count afresh from it.
// Each new number, also one lost at the queue, counts as an arrived frame,
// for the rate per stream. One per session, so that a new session starts
// the count afresh too.
class FrameNumbers {
 public:
  // `stats` not null: a source without a health line follows no numbers.
  explicit FrameNumbers(std::shared_ptr<SourceStats> stats) : stats_(std::move(stats)) {}

  // `numbers` of a frameset taken off the queue; `lost`: those of the
  // framesets the queue dropped before it, or null.
  void Follow(const FramesetNumbers& numbers, const LostNumbers* lost);

 private:
  struct Stream {
    std::atomic<std::uint64_t> SourceStats::*frames;
    std::atomic<std::uint64_t> SourceStats::*drops;
    std::optional<unsigned long long> last;
    NumberRuns lostAtQueue;  // since `last`; kept until the stream's next number
  };
  void Step(Stream& stream, unsigned long long number);

  const std::shared_ptr<SourceStats> stats_;
  Stream color_{&SourceStats::colorFrames, &SourceStats::colorDrops, {}, {}};
  Stream depth_{&SourceStats::depthFrames, &SourceStats::depthDrops, {}, {}};
};

}  // namespace vs_realsense2
