// Frame queues and the align processing block of the C API. A block processes on the calling
// thread and hands its result to its callback or queue before rs2_process_frame returns, as the
// library's blocks do.

#include <librealsense2/hpp/rs_types.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <tuple>

#include "api.hpp"
#include "frame.hpp"
#include "geometry.hpp"
#include "options.hpp"

using rs2sim::ArgText;
using rs2sim::Fail;
using rs2sim::Guarded;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

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

  void Enqueue(rs2_frame* frame) {
    rs2_frame* dropped = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (frames.size() >= capacity) {
        dropped = frames.front();
        frames.pop_front();
      }
      frames.push_back(frame);
    }
    arrived.notify_all();
    if (dropped)
      dropped->Release();
  }

  rs2_frame* Take(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!arrived.wait_for(lock, timeout, [&] { return !frames.empty(); }))
      return nullptr;
    rs2_frame* frame = frames.front();
    frames.pop_front();
    return frame;
  }

  const std::size_t capacity;
  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<rs2_frame*> frames;  // guarded by mutex; one reference each
};

namespace rs2sim {
namespace {

bool IsZ16Depth(const FrameContent& content) {
  return content.profile && content.profile->mode.stream == RS2_STREAM_DEPTH &&
         content.profile->mode.format == RS2_FORMAT_Z16;
}

unsigned DepthAt(const FrameContent& depth, int x, int y) {
  const long offset = static_cast<long>(y) * depth.stride + x * 2L;
  if (!depth.data || offset < 0 || offset + 2 > depth.dataSize)
    return 0;
  return depth.data[offset] | (depth.data[offset + 1] << 8);
}

// Each depth pixel is spread over the target pixels its footprint covers at its depth (the
// projections of its top-left and bottom-right corners, rounded); where footprints overlap
// the nearer depth wins, and target pixels no footprint reaches stay 0.
Bytes AlignDepth(const FrameContent& depth, const rs2_intrinsics& from, const rs2_intrinsics& to,
                 const rs2_extrinsics& extrinsics) {
  std::vector<std::uint16_t> target(static_cast<std::size_t>(to.width) * to.height, 0);
  for (int y = 0; y < depth.height; ++y) {
    for (int x = 0; x < depth.width; ++x) {
      const unsigned raw = DepthAt(depth, x, y);
      if (raw == 0)
        continue;
      const float z = raw * depth.depthUnits;
      const Pixel a = Project(to, Transform(extrinsics, Deproject(from, {x - 0.5f, y - 0.5f}, z)));
      const Pixel b = Project(to, Transform(extrinsics, Deproject(from, {x + 0.5f, y + 0.5f}, z)));
      const int x0 = std::max(static_cast<int>(std::floor(a.x + 0.5f)), 0);
      const int y0 = std::max(static_cast<int>(std::floor(a.y + 0.5f)), 0);
      const int x1 = std::min(static_cast<int>(std::floor(b.x + 0.5f)), to.width - 1);
      const int y1 = std::min(static_cast<int>(std::floor(b.y + 0.5f)), to.height - 1);
      for (int ty = y0; ty <= y1; ++ty) {
        for (int tx = x0; tx <= x1; ++tx) {
          std::uint16_t& pixel = target[static_cast<std::size_t>(ty) * to.width + tx];
          if (pixel == 0 || raw < pixel)
            pixel = static_cast<std::uint16_t>(raw);
        }
      }
    }
  }
  // Z16 is little-endian, as the machines rs2sim runs on.
  Bytes out(target.size() * 2);
  std::memcpy(out.data(), target.data(), out.size());
  return out;
}

}  // namespace
}  // namespace rs2sim

// The align block: depth aligned to the first frame of `alignTo` in each frameset. Framesets
// without both pass through unchanged, and so does everything when aligning to depth.
struct rs2_processing_block : rs2_options {
  explicit rs2_processing_block(rs2_stream to) : alignTo(to) {}
  ~rs2_processing_block() override {
    if (callback)
      callback->release();
  }
  rs2_processing_block(const rs2_processing_block&) = delete;
  rs2_processing_block& operator=(const rs2_processing_block&) = delete;

  bool Supports(rs2_option) const override { return false; }
  float Get(rs2_option option) const override { Unsupported(option); }
  void Set(rs2_option option, float) const override { Unsupported(option); }
  rs2sim::OptionSpec Range(rs2_option option) const override { Unsupported(option); }

  [[noreturn]] static void Unsupported(rs2_option option) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         std::string("Device does not support option ") + rs2_option_to_string(option) + "!");
  }

  void Start(rs2_frame_callback* onFrame, rs2_frame_queue* toQueue) {
    std::lock_guard<std::mutex> lock(mutex);
    if (callback)
      callback->release();
    callback = onFrame;
    queue = toQueue;
  }

  void Process(rs2sim::FrameRef input) {
    std::lock_guard<std::mutex> lock(mutex);
    rs2sim::FrameRef output = Align(input);
    if (!output.Get())
      output = std::move(input);
    if (callback) {
      callback->on_frame(output.Release());
    } else if (queue) {
      queue->Enqueue(output.Release());
    }
  }

  // Empty when the frame is not for this block.
  rs2sim::FrameRef Align(const rs2sim::FrameRef& input) {
    if (alignTo == RS2_STREAM_DEPTH || !input.Get()->IsComposite())
      return {};
    const auto& parts = input.Get()->Parts();
    auto depth = std::find_if(parts.begin(), parts.end(),
                              [](rs2_frame* part) { return rs2sim::IsZ16Depth(part->Content()); });
    auto other = std::find_if(parts.begin(), parts.end(), [&](rs2_frame* part) {
      const auto& profile = part->Content().profile;
      return profile && profile->mode.stream == alignTo;
    });
    if (depth == parts.end() || other == parts.end())
      return {};
    std::vector<rs2_frame*> result;
    for (rs2_frame* part : parts) {
      if (part == *depth) {
        result.push_back(Aligned((*depth)->Content(), (*other)->Content()));
      } else {
        part->AddRef();
        result.push_back(part);
      }
    }
    return rs2sim::FrameRef(new rs2_frame(std::move(result)));
  }

  rs2_frame* Aligned(const rs2sim::FrameContent& depth, const rs2sim::FrameContent& other) {
    const rs2sim::StreamMode& from = depth.profile->mode;
    const rs2sim::StreamMode& to = other.profile->mode;
    const rs2_intrinsics toIntrinsics = rs2sim::IntrinsicsOf(to);
    auto bytes = std::make_shared<const rs2sim::Bytes>(
        rs2sim::AlignDepth(depth, rs2sim::IntrinsicsOf(from), toIntrinsics,
                           rs2sim::ExtrinsicsBetween(from.stream, to.stream)));
    rs2sim::FrameContent content;
    content.profile = ProfileFor(rs2sim::StreamMode{
        from.stream, from.index, from.format, toIntrinsics.width, toIntrinsics.height, from.fps});
    content.storage = bytes;
    content.data = bytes->data();
    content.width = toIntrinsics.width;
    content.height = toIntrinsics.height;
    content.stride = toIntrinsics.width * 2;
    content.dataSize = static_cast<int>(bytes->size());
    content.timestamp = depth.timestamp;
    content.domain = depth.domain;
    content.depthUnits = depth.depthUnits;
    content.number = depth.number;
    content.frameCounterMetadata = depth.frameCounterMetadata;
    return new rs2_frame(std::move(content), rs2sim::PoolSlot());
  }

  // One profile per output geometry, so that consumers see a stable profile.
  ProfilePtr ProfileFor(const rs2sim::StreamMode& mode) {
    auto& profile = profiles[std::make_tuple(mode.index, mode.width, mode.height, mode.fps)];
    if (!profile)
      profile = rs2sim::MakeProfile(mode, false);
    return profile;
  }

  const rs2_stream alignTo;
  std::mutex mutex;
  rs2_frame_callback* callback = nullptr;  // guarded by mutex; ours until release()
  rs2_frame_queue* queue = nullptr;        // guarded by mutex; the caller's
  std::map<std::tuple<int, int, int, int>, ProfilePtr> profiles;  // guarded by mutex
};

extern "C" {

rs2_processing_block* rs2_create_align(rs2_stream align_to, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("align_to", align_to); },
      static_cast<rs2_processing_block*>(nullptr),
      [&] { return new rs2_processing_block(align_to); });
}

void rs2_start_processing(rs2_processing_block* block, rs2_frame_callback* on_frame,
                          rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("block", block).Add("on_frame", on_frame); },
      [&] {
        NotNull(on_frame, "on_frame");
        if (!block) {
          on_frame->release();
          NotNull(block, "block");
        }
        block->Start(on_frame, nullptr);
      });
}

void rs2_start_processing_queue(rs2_processing_block* block, rs2_frame_queue* queue,
                                rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("block", block).Add("queue", queue); },
      [&] { NotNull(block, "block")->Start(nullptr, NotNull(queue, "queue")); });
}

// The frame is the block's from the call on, also when the call fails.
void rs2_process_frame(rs2_processing_block* block, rs2_frame* frame, rs2_error** error) {
  rs2sim::FrameRef owned(frame);
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("block", block).Add("frame", frame); },
      [&] {
        NotNull(frame, "frame");
        NotNull(block, "block")->Process(std::move(owned));
      });
}

void rs2_delete_processing_block(rs2_processing_block* block) {
  delete block;
}

rs2_frame_queue* rs2_create_frame_queue(int capacity, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("capacity", capacity); },
      static_cast<rs2_frame_queue*>(nullptr), [&] { return new rs2_frame_queue(capacity); });
}

void rs2_delete_frame_queue(rs2_frame_queue* queue) {
  delete queue;
}

rs2_frame* rs2_wait_for_frame(rs2_frame_queue* queue, unsigned int timeout_ms, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("queue", queue).Add("timeout_ms", timeout_ms); },
      static_cast<rs2_frame*>(nullptr),
      [&] {
        rs2_frame* frame = NotNull(queue, "queue")->Take(std::chrono::milliseconds(timeout_ms));
        if (!frame)
          throw std::runtime_error("Frame did not arrive in time!");
        return frame;
      });
}

int rs2_poll_for_frame(rs2_frame_queue* queue, rs2_frame** output_frame, rs2_error** error) {
  return Guarded(
      __func__, error,
      [&] { return ArgText().Add("queue", queue).Add("output_frame", output_frame); }, 0,
      [&] {
        NotNull(output_frame, "output_frame");
        rs2_frame* frame = NotNull(queue, "queue")->Take(std::chrono::milliseconds(0));
        if (!frame)
          return 0;
        *output_frame = frame;
        return 1;
      });
}

int rs2_try_wait_for_frame(rs2_frame_queue* queue, unsigned int timeout_ms,
                           rs2_frame** output_frame, rs2_error** error) {
  return Guarded(
      __func__, error,
      [&] {
        return ArgText()
            .Add("queue", queue)
            .Add("timeout_ms", timeout_ms)
            .Add("output_frame", output_frame);
      },
      0,
      [&] {
        NotNull(output_frame, "output_frame");
        rs2_frame* frame = NotNull(queue, "queue")->Take(std::chrono::milliseconds(timeout_ms));
        if (!frame)
          return 0;
        *output_frame = frame;
        return 1;
      });
}

void rs2_enqueue_frame(rs2_frame* frame, void* queue) {
  if (!frame)
    return;
  if (!queue) {
    frame->Release();
    return;
  }
  static_cast<rs2_frame_queue*>(queue)->Enqueue(frame);
}

}  // extern "C"
