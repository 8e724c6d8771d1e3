#include "frame_numbers.hpp"

namespace vs_realsense2 {

// One pass over the frameset, not get_color_frame and get_depth_frame: each
// of those walks the frameset again, and every step is a library call on the
// library's own thread.
FramesetNumbers FrameNumbers::Follow(const rs2::frameset& frames) {
  FramesetNumbers numbers;
  const std::size_t count = frames.size();
  for (std::size_t i = 0; i < count && !(numbers.color && numbers.depth); ++i) {
    const rs2::frame frame = frames[i];
    const rs2_stream stream = frame.get_profile().stream_type();
    if (stream == RS2_STREAM_COLOR && !numbers.color)
      numbers.color = frame.get_frame_number();
    else if (stream == RS2_STREAM_DEPTH && !numbers.depth)
      numbers.depth = frame.get_frame_number();
  }
  Count(numbers);
  return numbers;
}

void FrameNumbers::Count(const FramesetNumbers& numbers) {
  if (!stats_)
    return;
  if (numbers.color)
    Step(lastColor_, *numbers.color, {&SourceStats::colorFrames, &SourceStats::colorDrops});
  if (numbers.depth)
    Step(lastDepth_, *numbers.depth, {&SourceStats::depthFrames, &SourceStats::depthDrops});
}

void FrameNumbers::Step(std::optional<unsigned long long>& last, unsigned long long number,
                        const Counters& counters) {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  if (last && number == *last)
    return;  // the syncer's repeat: no new frame
  if (last && number > *last && number - *last > 1)
    (stats_.get()->*counters.drops).fetch_add(number - *last - 1, kRelaxed);
  last = number;
  (stats_.get()->*counters.frames).fetch_add(1, kRelaxed);
}

}  // namespace vs_realsense2
