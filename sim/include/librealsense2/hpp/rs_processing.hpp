// rs2sim: C++ processing wrappers (frame queues, processing blocks, filters and align).

#ifndef LIBREALSENSE_RS2_PROCESSING_HPP
#define LIBREALSENSE_RS2_PROCESSING_HPP

#include "rs_frame.hpp"
#include "rs_options.hpp"
#include "rs_types.hpp"

#include <cstdint>
#include <type_traits>

namespace rs2 {
class frame_queue {
 public:
  explicit frame_queue(unsigned int capacity, bool keep_frames = false)
      : _capacity(capacity), _keep(keep_frames) {
    rs2_error* e = nullptr;
    _queue = std::shared_ptr<rs2_frame_queue>(rs2_create_frame_queue(capacity, &e),
                                              rs2_delete_frame_queue);
    error::handle(e);
  }

  frame_queue() : frame_queue(1) {}

  void enqueue(frame f) const {
    if (_keep)
      f.keep();
    rs2_enqueue_frame(f.frame_ref, _queue.get());
    f.frame_ref = nullptr;
  }

  frame wait_for_frame(unsigned int timeout_ms = 5000) const {
    rs2_error* e = nullptr;
    auto frame_ref = rs2_wait_for_frame(_queue.get(), timeout_ms, &e);
    error::handle(e);
    return {frame_ref};
  }

  template <typename T>
  typename std::enable_if<std::is_base_of<rs2::frame, T>::value, bool>::type poll_for_frame(
      T* output) const {
    rs2_error* e = nullptr;
    rs2_frame* frame_ref = nullptr;
    auto res = rs2_poll_for_frame(_queue.get(), &frame_ref, &e);
    error::handle(e);
    frame f{frame_ref};
    if (res)
      *output = f;
    return res > 0;
  }

  template <typename T>
  typename std::enable_if<std::is_base_of<rs2::frame, T>::value, bool>::type try_wait_for_frame(
      T* output, unsigned int timeout_ms = 5000) const {
    rs2_error* e = nullptr;
    rs2_frame* frame_ref = nullptr;
    auto res = rs2_try_wait_for_frame(_queue.get(), timeout_ms, &frame_ref, &e);
    error::handle(e);
    frame f{frame_ref};
    if (res)
      *output = f;
    return res > 0;
  }

  void operator()(frame f) const { enqueue(std::move(f)); }

  size_t capacity() const { return _capacity; }
  bool keep_frames() const { return _keep; }

 private:
  std::shared_ptr<rs2_frame_queue> _queue;
  size_t _capacity;
  bool _keep;
};

class processing_block : public options {
 public:
  using options::supports;

  template <class S>
  void start(S on_frame) {
    rs2_error* e = nullptr;
    rs2_start_processing(get(), new frame_callback<S>(on_frame), &e);
    error::handle(e);
  }

  void invoke(frame f) const {
    rs2_frame* ptr = nullptr;
    std::swap(f.frame_ref, ptr);

    rs2_error* e = nullptr;
    rs2_process_frame(get(), ptr, &e);
    error::handle(e);
  }

  processing_block(std::shared_ptr<rs2_processing_block> block)
      : options((rs2_options*)block.get()), _block(block) {}

  operator rs2_options*() const { return (rs2_options*)get(); }
  rs2_processing_block* get() const { return _block.get(); }

 protected:
  std::shared_ptr<rs2_processing_block> _block;
};

class filter : public processing_block, public filter_interface {
 public:
  rs2::frame process(rs2::frame frame) const override {
    invoke(frame);
    rs2::frame f;
    if (!_queue.poll_for_frame(&f))
      throw std::runtime_error(
          "Error occured during execution of the processing block! See the log for more info");
    return f;
  }

  filter(std::shared_ptr<rs2_processing_block> block, int queue_size = 1)
      : processing_block(block), _queue(queue_size) {
    start(_queue);
  }

  frame_queue get_queue() { return _queue; }
  rs2_processing_block* get() const { return _block.get(); }

  operator bool() const { return _block.get() != nullptr; }

 protected:
  frame_queue _queue;
};

class align : public filter {
 public:
  align(rs2_stream align_to) : filter(init(align_to), 1) {}

  using filter::process;

  frameset process(frameset frames) { return filter::process(frames); }

 protected:
  align(std::shared_ptr<rs2_processing_block> block) : filter(block, 1) {}

 private:
  std::shared_ptr<rs2_processing_block> init(rs2_stream align_to) {
    rs2_error* e = nullptr;
    auto block = std::shared_ptr<rs2_processing_block>(rs2_create_align(align_to, &e),
                                                       rs2_delete_processing_block);
    error::handle(e);
    return block;
  }
};
class threshold_filter : public filter {
 public:
  threshold_filter(float min_dist = 0.15f, float max_dist = 4.f) : filter(init(), 1) {
    set_option(RS2_OPTION_MIN_DISTANCE, min_dist);
    set_option(RS2_OPTION_MAX_DISTANCE, max_dist);
  }

 protected:
  threshold_filter(std::shared_ptr<rs2_processing_block> block) : filter(block, 1) {}

 private:
  std::shared_ptr<rs2_processing_block> init() {
    rs2_error* e = nullptr;
    auto block = std::shared_ptr<rs2_processing_block>(rs2_create_threshold(&e),
                                                       rs2_delete_processing_block);
    error::handle(e);
    return block;
  }
};

class decimation_filter : public filter {
 public:
  decimation_filter() : filter(init(), 1) {}
  decimation_filter(float magnitude) : filter(init(), 1) {
    set_option(RS2_OPTION_FILTER_MAGNITUDE, magnitude);
  }

 private:
  std::shared_ptr<rs2_processing_block> init() {
    rs2_error* e = nullptr;
    auto block = std::shared_ptr<rs2_processing_block>(rs2_create_decimation_filter_block(&e),
                                                       rs2_delete_processing_block);
    error::handle(e);
    return block;
  }
};

class temporal_filter : public filter {
 public:
  temporal_filter() : filter(init(), 1) {}
  temporal_filter(float smooth_alpha, float smooth_delta, int persistence_control)
      : filter(init(), 1) {
    set_option(RS2_OPTION_HOLES_FILL, float(persistence_control));
    set_option(RS2_OPTION_FILTER_SMOOTH_ALPHA, float(smooth_alpha));
    set_option(RS2_OPTION_FILTER_SMOOTH_DELTA, float(smooth_delta));
  }

 private:
  std::shared_ptr<rs2_processing_block> init() {
    rs2_error* e = nullptr;
    auto block = std::shared_ptr<rs2_processing_block>(rs2_create_temporal_filter_block(&e),
                                                       rs2_delete_processing_block);
    error::handle(e);
    return block;
  }
};

class spatial_filter : public filter {
 public:
  spatial_filter() : filter(init(), 1) {}
  spatial_filter(float smooth_alpha, float smooth_delta, float magnitude, float hole_fill)
      : filter(init(), 1) {
    set_option(RS2_OPTION_FILTER_SMOOTH_ALPHA, float(smooth_alpha));
    set_option(RS2_OPTION_FILTER_SMOOTH_DELTA, float(smooth_delta));
    set_option(RS2_OPTION_FILTER_MAGNITUDE, magnitude);
    set_option(RS2_OPTION_HOLES_FILL, hole_fill);
  }

 private:
  std::shared_ptr<rs2_processing_block> init() {
    rs2_error* e = nullptr;
    auto block = std::shared_ptr<rs2_processing_block>(rs2_create_spatial_filter_block(&e),
                                                       rs2_delete_processing_block);
    error::handle(e);
    return block;
  }
};

class disparity_transform : public filter {
 public:
  disparity_transform(bool transform_to_disparity = true)
      : filter(init(transform_to_disparity), 1) {}

 private:
  std::shared_ptr<rs2_processing_block> init(bool transform_to_disparity) {
    rs2_error* e = nullptr;
    auto block = std::shared_ptr<rs2_processing_block>(
        rs2_create_disparity_transform_block(uint8_t(transform_to_disparity), &e),
        rs2_delete_processing_block);
    error::handle(e);
    return block;
  }
};

class hole_filling_filter : public filter {
 public:
  hole_filling_filter() : filter(init(), 1) {}
  hole_filling_filter(int mode) : filter(init(), 1) {
    set_option(RS2_OPTION_HOLES_FILL, float(mode));
  }

 private:
  std::shared_ptr<rs2_processing_block> init() {
    rs2_error* e = nullptr;
    auto block = std::shared_ptr<rs2_processing_block>(rs2_create_hole_filling_filter_block(&e),
                                                       rs2_delete_processing_block);
    error::handle(e);
    return block;
  }
};
}  // namespace rs2
#endif  // LIBREALSENSE_RS2_PROCESSING_HPP
