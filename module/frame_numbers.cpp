#include "frame_numbers.hpp"

#include <utils/code_placement.hpp>

namespace vs_realsense2 {

VSRS_HOT FramesetNumbers ReadNumbers(const rs2::frame& color, const rs2::frame& depth) {
  FramesetNumbers numbers;
  if (color)
    numbers.color = color.get_frame_number();
  if (depth)
    numbers.depth = depth.get_frame_number();
  return numbers;
}

// One pass, not get_color_frame and get_depth_frame: each of those walks the
// frameset again.
VSRS_HOT FramesetNumbers ReadNumbers(const rs2::frameset& frames) {
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
  return numbers;
}

VSRS_HOT void FrameNumbers::Follow(const FramesetNumbers& numbers, const LostNumbers* lost) {
  if (lost != nullptr) {
    color_.lostAtQueue.Add(lost->color);
    depth_.lostAtQueue.Add(lost->depth);
  }
  if (numbers.color)
    Step(color_, *numbers.color);
  if (numbers.depth)
    Step(depth_, *numbers.depth);
}

VSRS_HOT void FrameNumbers::Step(Stream& stream, unsigned long long number) {
  std::uint64_t arrived = 1;
  std::uint64_t drops = 0;
  if (!stream.last || number < *stream.last) {
    arrived += stream.lostAtQueue.Count();
  } else if (number == *stream.last) {
    arrived = 0;
  } else if (number - *stream.last > 1 || !stream.lostAtQueue.Empty()) {
    const std::uint64_t atQueue = stream.lostAtQueue.CountBetween(*stream.last, number);
    drops = number - *stream.last - 1 - atQueue;
    arrived += atQueue;
  }
  stream.last = number;
  if (!stream.lostAtQueue.Empty())
    stream.lostAtQueue.Clear();
  if (arrived > 0)
    Add(stats_.get()->*stream.frames, arrived);
  if (drops > 0)
    Add(stats_.get()->*stream.drops, drops);
}

}  // namespace vs_realsense2
