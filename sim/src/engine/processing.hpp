// Processing blocks and frame queues of the C API: the base every block shares (its options,
// its output, the frame it hands on) and the queue a block may hand its output to. A block
// processes on the calling thread and hands its result on before rs2_process_frame returns, as
// the library's blocks do.

#ifndef RS2SIM_SRC_ENGINE_PROCESSING_HPP
#define RS2SIM_SRC_ENGINE_PROCESSING_HPP

#include <librealsense2/rs.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "frame.hpp"
#include "options.hpp"

// Holds at most `capacity` frames; a frame that arrives when it is full pushes out the oldest.
struct rs2_frame_queue {
  explicit rs2_frame_queue(int capacity)
      : capacity(static_cast<std::size_t>(std::max(capacity, 1))) {}
  ~rs2_frame_queue() {
    for (rs2_frame* frame : frames)
      frame->Release();
  }
  rs2_frame_queue(const rs2_frame_queue&) = delete;
  rs2_frame_queue& operator=(const rs2_frame_queue&) = delete;

  void Enqueue(rs2_frame* frame);
  // Null when nothing arrived within `timeout`.
  rs2_frame* Take(std::chrono::milliseconds timeout);

  const std::size_t capacity;
  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<rs2_frame*> frames;  // guarded by mutex; one reference each
};

// The base of every block: a table of options with their values, and the hand-over of each
// output to the block's callback or queue. Transform runs under the block's lock, one frame at
// a time, as the library runs a block.
struct rs2_processing_block : rs2_options {
  // `options`: what the block supports; each starts at its value in `initial`, else its default.
  explicit rs2_processing_block(std::vector<rs2sim::OptionSpec> options = {},
                                std::map<rs2_option, float> initial = {});
  ~rs2_processing_block() override;
  rs2_processing_block(const rs2_processing_block&) = delete;
  rs2_processing_block& operator=(const rs2_processing_block&) = delete;

  bool Supports(rs2_option option) const override;
  float Get(rs2_option option) const override;
  void Set(rs2_option option, float value) const override;
  rs2sim::OptionSpec Range(rs2_option option) const override;

  void Start(rs2_frame_callback* onFrame, rs2_frame_queue* toQueue);
  // The block's output, or the input itself when the block has nothing to do with it.
  void Process(rs2sim::FrameRef input);
  // Whether the block is of that kind (rs2_is_processing_block_extendable_to).
  virtual bool Is(rs2_extension) const { return false; }

 protected:
  // Empty when the frame is not for this block. Called with the block's lock held.
  virtual rs2sim::FrameRef Transform(const rs2sim::FrameRef& input) = 0;
  // One profile per output stream, format and geometry, so that consumers see a stable profile.
  ProfilePtr ProfileFor(const rs2sim::StreamMode& mode);

 private:
  const rs2sim::OptionSpec& Find(rs2_option option) const;

  const std::vector<rs2sim::OptionSpec> options_;
  mutable std::mutex optionsMutex_;
  mutable std::map<rs2_option, float> values_;  // guarded by optionsMutex_
  std::mutex mutex_;
  rs2_frame_callback* callback_ = nullptr;  // guarded by mutex_; ours until release()
  rs2_frame_queue* queue_ = nullptr;        // guarded by mutex_; the caller's
  std::map<std::tuple<int, int, int, int, int>, ProfilePtr> profiles_;  // guarded by mutex_
};

namespace rs2sim {

// A new video frame with `like`'s stream, times, units and number, of `mode`'s format and
// geometry, holding `bytes` (rows of `stride` bytes).
rs2_frame* NewVideoFrame(const FrameContent& like, ProfilePtr profile, Bytes bytes, int stride);

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_PROCESSING_HPP
