// rs2sim: C++ options wrapper.

#ifndef LIBREALSENSE_RS2_OPTIONS_HPP
#define LIBREALSENSE_RS2_OPTIONS_HPP

#include "rs_types.hpp"

namespace rs2 {
class options {
 public:
  bool supports(rs2_option option) const {
    rs2_error* e = nullptr;
    auto res = rs2_supports_option(_options, option, &e);
    error::handle(e);
    return res > 0;
  }

  float get_option(rs2_option option) const {
    rs2_error* e = nullptr;
    auto res = rs2_get_option(_options, option, &e);
    error::handle(e);
    return res;
  }

  option_range get_option_range(rs2_option option) const {
    option_range result;
    rs2_error* e = nullptr;
    rs2_get_option_range(_options, option, &result.min, &result.max, &result.step, &result.def, &e);
    error::handle(e);
    return result;
  }

  void set_option(rs2_option option, float value) const {
    rs2_error* e = nullptr;
    rs2_set_option(_options, option, value, &e);
    error::handle(e);
  }

  bool is_option_read_only(rs2_option option) const {
    rs2_error* e = nullptr;
    auto res = rs2_is_option_read_only(_options, option, &e);
    error::handle(e);
    return res > 0;
  }

  options& operator=(const options& other) {
    _options = other._options;
    return *this;
  }
  options(const options& other) : _options(other._options) {}

  virtual ~options() = default;

 protected:
  explicit options(rs2_options* o = nullptr) : _options(o) {}

  template <class T>
  options& operator=(const T& dev) {
    _options = (rs2_options*)(dev.get());
    return *this;
  }

 private:
  rs2_options* _options;
};
}  // namespace rs2
#endif  // LIBREALSENSE_RS2_OPTIONS_HPP
