// rs2sim: C++ frame and stream profile wrappers.

#ifndef LIBREALSENSE_RS2_FRAME_HPP
#define LIBREALSENSE_RS2_FRAME_HPP

#include "rs_types.hpp"

namespace rs2 {
class frame;
class frame_queue;
class pipeline_profile;
class processing_block;
class video_stream_profile;

class stream_profile {
 public:
  stream_profile() : _profile(nullptr) {}

  int stream_index() const { return _index; }
  rs2_stream stream_type() const { return _type; }
  rs2_format format() const { return _format; }
  int fps() const { return _framerate; }
  int unique_id() const { return _uid; }

  bool operator==(const stream_profile& rhs) {
    return stream_index() == rhs.stream_index() && stream_type() == rhs.stream_type() &&
           format() == rhs.format() && fps() == rhs.fps();
  }

  template <class T>
  bool is() const {
    T extension(*this);
    return extension;
  }

  template <class T>
  T as() const {
    T extension(*this);
    return extension;
  }

  std::string stream_name() const {
    std::stringstream ss;
    ss << rs2_stream_to_string(stream_type());
    if (stream_index() != 0)
      ss << " " << stream_index();
    return ss.str();
  }

  bool is_default() const { return _default; }
  operator bool() const { return _profile != nullptr; }

  rs2_extrinsics get_extrinsics_to(const stream_profile& to) const {
    rs2_error* e = nullptr;
    rs2_extrinsics res;
    rs2_get_extrinsics(get(), to.get(), &res, &e);
    error::handle(e);
    return res;
  }
  const rs2_stream_profile* get() const { return _profile; }

  explicit stream_profile(const rs2_stream_profile* profile) : _profile(profile) {
    rs2_error* e = nullptr;
    rs2_get_stream_profile_data(_profile, &_type, &_format, &_index, &_uid, &_framerate, &e);
    error::handle(e);
    _default = !!(rs2_is_stream_profile_default(_profile, &e));
    error::handle(e);
  }
  operator const rs2_stream_profile*() { return _profile; }

 protected:
  friend class rs2::sensor;
  friend class rs2::frame;
  friend class rs2::pipeline_profile;
  friend class rs2::video_stream_profile;

  const rs2_stream_profile* _profile;

  int _index = 0;
  int _uid = 0;
  int _framerate = 0;
  rs2_format _format = RS2_FORMAT_ANY;
  rs2_stream _type = RS2_STREAM_ANY;

  bool _default = false;
};

class video_stream_profile : public stream_profile {
 public:
  explicit video_stream_profile(const stream_profile& sp) : stream_profile(sp) {
    rs2_error* e = nullptr;
    if ((rs2_stream_profile_is(sp.get(), RS2_EXTENSION_VIDEO_PROFILE, &e) == 0 && !e)) {
      _profile = nullptr;
    }
    error::handle(e);
    if (_profile) {
      rs2_get_video_stream_resolution(_profile, &_width, &_height, &e);
      error::handle(e);
    }
  }

  int width() const { return _width; }
  int height() const { return _height; }

  rs2_intrinsics get_intrinsics() const {
    rs2_error* e = nullptr;
    rs2_intrinsics intr;
    rs2_get_video_stream_intrinsics(_profile, &intr, &e);
    error::handle(e);
    return intr;
  }

 private:
  int _width = 0;
  int _height = 0;
};

class motion_stream_profile : public stream_profile {
 public:
  explicit motion_stream_profile(const stream_profile& sp) : stream_profile(sp) {
    rs2_error* e = nullptr;
    if ((rs2_stream_profile_is(sp.get(), RS2_EXTENSION_MOTION_PROFILE, &e) == 0 && !e)) {
      _profile = nullptr;
    }
    error::handle(e);
  }
};

class frame {
 public:
  frame() : frame_ref(nullptr) {}
  frame(rs2_frame* ref) : frame_ref(ref) {}
  frame(frame&& other) noexcept : frame_ref(other.frame_ref) { other.frame_ref = nullptr; }
  frame& operator=(frame other) {
    swap(other);
    return *this;
  }
  frame(const frame& other) : frame_ref(other.frame_ref) {
    if (frame_ref)
      add_ref();
  }
  void swap(frame& other) { std::swap(frame_ref, other.frame_ref); }

  ~frame() {
    if (frame_ref) {
      rs2_release_frame(frame_ref);
    }
  }

  void keep() { rs2_keep_frame(frame_ref); }

  operator bool() const { return frame_ref != nullptr; }

  double get_timestamp() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_timestamp(frame_ref, &e);
    error::handle(e);
    return r;
  }

  rs2_timestamp_domain get_frame_timestamp_domain() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_timestamp_domain(frame_ref, &e);
    error::handle(e);
    return r;
  }

  rs2_metadata_type get_frame_metadata(rs2_frame_metadata_value frame_metadata) const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_metadata(frame_ref, frame_metadata, &e);
    error::handle(e);
    return r;
  }

  bool supports_frame_metadata(rs2_frame_metadata_value frame_metadata) const {
    rs2_error* e = nullptr;
    auto r = rs2_supports_frame_metadata(frame_ref, frame_metadata, &e);
    error::handle(e);
    return r != 0;
  }

  unsigned long long get_frame_number() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_number(frame_ref, &e);
    error::handle(e);
    return r;
  }

  int get_data_size() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_data_size(frame_ref, &e);
    error::handle(e);
    return r;
  }

  const void* get_data() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_data(frame_ref, &e);
    error::handle(e);
    return r;
  }

  stream_profile get_profile() const {
    rs2_error* e = nullptr;
    auto s = rs2_get_frame_stream_profile(frame_ref, &e);
    error::handle(e);
    return stream_profile(s);
  }

  template <class T>
  bool is() const {
    T extension(*this);
    return extension;
  }

  template <class T>
  T as() const {
    T extension(*this);
    return extension;
  }

  rs2_frame* get() const { return frame_ref; }
  explicit operator rs2_frame*() { return frame_ref; }

 protected:
  void add_ref() const {
    rs2_error* e = nullptr;
    rs2_frame_add_ref(frame_ref, &e);
    error::handle(e);
  }

  void reset() {
    if (frame_ref) {
      rs2_release_frame(frame_ref);
    }
    frame_ref = nullptr;
  }

 private:
  friend class rs2::frame_queue;
  friend class rs2::processing_block;

  rs2_frame* frame_ref;
};

class video_frame : public frame {
 public:
  video_frame(const frame& f) : frame(f) {
    rs2_error* e = nullptr;
    if (!f || (rs2_is_frame_extendable_to(f.get(), RS2_EXTENSION_VIDEO_FRAME, &e) == 0 && !e)) {
      reset();
    }
    error::handle(e);
  }

  int get_width() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_width(get(), &e);
    error::handle(e);
    return r;
  }

  int get_height() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_height(get(), &e);
    error::handle(e);
    return r;
  }

  int get_stride_in_bytes() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_stride_in_bytes(get(), &e);
    error::handle(e);
    return r;
  }

  int get_bits_per_pixel() const {
    rs2_error* e = nullptr;
    auto r = rs2_get_frame_bits_per_pixel(get(), &e);
    error::handle(e);
    return r;
  }

  int get_bytes_per_pixel() const { return get_bits_per_pixel() / 8; }
};

class depth_frame : public video_frame {
 public:
  depth_frame(const frame& f) : video_frame(f) {
    rs2_error* e = nullptr;
    if (!f || (rs2_is_frame_extendable_to(f.get(), RS2_EXTENSION_DEPTH_FRAME, &e) == 0 && !e)) {
      reset();
    }
    error::handle(e);
  }

  float get_units() const {
    rs2_error* e = nullptr;
    auto r = rs2_depth_frame_get_units(get(), &e);
    error::handle(e);
    return r;
  }
};

class motion_frame : public frame {
 public:
  motion_frame(const frame& f) : frame(f) {
    rs2_error* e = nullptr;
    if (!f || (rs2_is_frame_extendable_to(f.get(), RS2_EXTENSION_MOTION_FRAME, &e) == 0 && !e)) {
      reset();
    }
    error::handle(e);
  }
};

class frameset : public frame {
 public:
  frameset() : _size(0) {}
  frameset(const frame& f) : frame(f), _size(0) {
    rs2_error* e = nullptr;
    if (!f || (rs2_is_frame_extendable_to(f.get(), RS2_EXTENSION_COMPOSITE_FRAME, &e) == 0 && !e)) {
      reset();
    }
    error::handle(e);
    if (get()) {
      _size = rs2_embedded_frames_count(get(), &e);
      error::handle(e);
    }
  }

  frame first_or_default(rs2_stream s, rs2_format f = RS2_FORMAT_ANY) const {
    frame result;
    foreach ([&result, s, f](frame frm) {
      if (!result && frm.get_profile().stream_type() == s &&
          (f == RS2_FORMAT_ANY || f == frm.get_profile().format())) {
        result = std::move(frm);
      }
    })
      ;
    return result;
  }

  frame first(rs2_stream s, rs2_format f = RS2_FORMAT_ANY) const {
    auto frm = first_or_default(s, f);
    if (!frm)
      throw error("Frame of requested stream type was not found!");
    return frm;
  }

  depth_frame get_depth_frame() const {
    auto f = first_or_default(RS2_STREAM_DEPTH, RS2_FORMAT_Z16);
    return f.as<depth_frame>();
  }

  // An RGB8 infrared frame stands in for colour on cameras whose left imager sees colour.
  video_frame get_color_frame() const {
    auto f = first_or_default(RS2_STREAM_COLOR);
    if (!f) {
      auto ir = first_or_default(RS2_STREAM_INFRARED);
      if (ir && ir.get_profile().format() == RS2_FORMAT_RGB8)
        f = ir;
    }
    return f;
  }

  video_frame get_infrared_frame(const size_t index = 0) const {
    frame f;
    if (!index) {
      f = first_or_default(RS2_STREAM_INFRARED);
    } else {
      foreach ([&f, index](const frame& frm) {
        if (frm.get_profile().stream_type() == RS2_STREAM_INFRARED &&
            frm.get_profile().stream_index() == static_cast<int>(index))
          f = frm;
      })
        ;
    }
    return f;
  }

  size_t size() const { return _size; }

  template <class T>
  void foreach (T action) const {
    rs2_error* e = nullptr;
    auto count = size();
    for (size_t i = 0; i < count; i++) {
      auto fref = rs2_extract_frame(get(), static_cast<int>(i), &e);
      error::handle(e);
      action(frame(fref));
    }
  }

  frame operator[](size_t index) const {
    rs2_error* e = nullptr;
    if (index < size()) {
      auto fref = rs2_extract_frame(get(), static_cast<int>(index), &e);
      error::handle(e);
      return frame(fref);
    }
    throw error("Requested index is out of range!");
  }

  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = frame;
    using difference_type = std::ptrdiff_t;
    using pointer = frame*;
    using reference = frame&;

    iterator(const frameset* owner, size_t index = 0) : _index(index), _owner(owner) {}
    iterator& operator++() {
      ++_index;
      return *this;
    }
    bool operator==(const iterator& other) const { return _index == other._index; }
    bool operator!=(const iterator& other) const { return !(*this == other); }
    frame operator*() { return (*_owner)[_index]; }

   private:
    size_t _index = 0;
    const frameset* _owner;
  };

  iterator begin() const { return iterator(this); }
  iterator end() const { return iterator(this, size()); }

 private:
  size_t _size;
};

class filter_interface {
 public:
  virtual rs2::frame process(rs2::frame frame) const = 0;
  virtual ~filter_interface() = default;
};

template <class T>
class frame_callback : public rs2_frame_callback {
  T on_frame_function;

 public:
  explicit frame_callback(T on_frame) : on_frame_function(on_frame) {}

  void on_frame(rs2_frame* fref) override { on_frame_function(frame{fref}); }

  void release() override { delete this; }
};
}  // namespace rs2
#endif  // LIBREALSENSE_RS2_FRAME_HPP
