// The frame numbers of a session's colour and depth streams, followed as
// framesets reach the module: frames the camera or the library lost show as
// numbers that never came.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <librealsense2/rs.hpp>

#include "source_stats.hpp"

namespace vs_realsense2 {

// The numbers of a frameset's first colour and first depth frame; empty for
// a stream the frameset lacks.
struct FramesetNumbers {
  std::optional<unsigned long long> color;
  std::optional<unsigned long long> depth;
};

// Runs on the library's callback thread, before the queue, so that a
// frameset the queue drops (counted as lost at the queue) still shows its
// numbers here and is no drop. Thread-confined: the library calls a
// pipeline's callback with one frameset at a time. One per session, so that
// a new session starts the count afresh.
//
// Per stream, a number above the last one plus one counts the numbers
// between as drops; the same number again is the syncer repeating a stream
// that had no new frame, neither a new frame nor a drop; a lower number (a
// playback loop, a camera counter reset) starts the count afresh from it.
// Each new number counts as an arrived frame, for the rate per stream.
class FrameNumbers {
 public:
  // `stats` null: the numbers are read and returned, nothing is counted.
  explicit FrameNumbers(std::shared_ptr<SourceStats> stats) : stats_(std::move(stats)) {}

  // Reads the frameset's numbers and counts them.
  FramesetNumbers Follow(const rs2::frameset& frames);
  // Counts numbers already read.
  void Count(const FramesetNumbers& numbers);

 private:
  struct Counters {
    std::atomic<std::uint64_t> SourceStats::*frames;
    std::atomic<std::uint64_t> SourceStats::*drops;
  };
  void Step(std::optional<unsigned long long>& last, unsigned long long number,
            const Counters& counters);

  const std::shared_ptr<SourceStats> stats_;
  std::optional<unsigned long long> lastColor_;
  std::optional<unsigned long long> lastDepth_;
};

}  // namespace vs_realsense2
