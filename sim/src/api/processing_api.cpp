// The C functions of the processing blocks and frame queues: creating the blocks, starting,
// feeding and deleting them, and the queues a block may hand its output to.

#include <librealsense2/hpp/rs_types.hpp>

#include <stdexcept>

#include "api/guarded.hpp"
#include "engine/blocks.hpp"
#include "engine/processing.hpp"

using rs2sim::ArgText;
using rs2sim::Guarded;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

namespace {

// Creates a block with `make`; a failure names `function` and `args`, as the library's does.
template <class Make>
rs2_processing_block* CreateBlock(const char* function, rs2_error** error, ArgText args,
                                  Make make) {
  return Guarded(
      function, error, [&]() -> const ArgText& { return args; },
      static_cast<rs2_processing_block*>(nullptr), [&] { return make().release(); });
}

}  // namespace

extern "C" {

rs2_processing_block* rs2_create_align(rs2_stream align_to, rs2_error** error) {
  return CreateBlock(__func__, error, ArgText().Add("align_to", align_to),
                     [&] { return rs2sim::MakeAlign(align_to); });
}

rs2_processing_block* rs2_create_decimation_filter_block(rs2_error** error) {
  return CreateBlock(__func__, error, ArgText(), rs2sim::MakeDecimation);
}

rs2_processing_block* rs2_create_threshold(rs2_error** error) {
  return CreateBlock(__func__, error, ArgText(), rs2sim::MakeThreshold);
}

rs2_processing_block* rs2_create_disparity_transform_block(unsigned char transform_to_disparity,
                                                           rs2_error** error) {
  return CreateBlock(
      __func__, error,
      ArgText().Add("transform_to_disparity", static_cast<int>(transform_to_disparity)),
      [&] { return rs2sim::MakeDisparityTransform(transform_to_disparity != 0); });
}

rs2_processing_block* rs2_create_spatial_filter_block(rs2_error** error) {
  return CreateBlock(__func__, error, ArgText(), rs2sim::MakeSpatial);
}

rs2_processing_block* rs2_create_temporal_filter_block(rs2_error** error) {
  return CreateBlock(__func__, error, ArgText(), rs2sim::MakeTemporal);
}

rs2_processing_block* rs2_create_hole_filling_filter_block(rs2_error** error) {
  return CreateBlock(__func__, error, ArgText(), rs2sim::MakeHoleFilling);
}

int rs2_is_processing_block_extendable_to(const rs2_processing_block* block,
                                          rs2_extension extension_type, rs2_error** error) {
  return Guarded(
      __func__, error,
      [&] { return ArgText().Add("block", block).Add("extension_type", extension_type); }, 0,
      [&] { return NotNull(block, "block")->Is(extension_type) ? 1 : 0; });
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
