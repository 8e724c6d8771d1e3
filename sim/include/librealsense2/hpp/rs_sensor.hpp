// rs2sim: C++ sensor wrappers.

#ifndef LIBREALSENSE_RS2_SENSOR_HPP
#define LIBREALSENSE_RS2_SENSOR_HPP

#include "rs_frame.hpp"
#include "rs_options.hpp"
#include "rs_types.hpp"

namespace rs2 {
class sensor : public options {
 public:
  using options::supports;

  bool supports(rs2_camera_info info) const {
    rs2_error* e = nullptr;
    auto is_supported = rs2_supports_sensor_info(_sensor.get(), info, &e);
    error::handle(e);
    return is_supported > 0;
  }

  const char* get_info(rs2_camera_info info) const {
    rs2_error* e = nullptr;
    auto result = rs2_get_sensor_info(_sensor.get(), info, &e);
    error::handle(e);
    return result;
  }

  std::vector<stream_profile> get_stream_profiles() const {
    std::vector<stream_profile> results;
    rs2_error* e = nullptr;
    std::shared_ptr<rs2_stream_profile_list> list(rs2_get_stream_profiles(_sensor.get(), &e),
                                                  rs2_delete_stream_profiles_list);
    error::handle(e);
    auto size = rs2_get_stream_profiles_count(list.get(), &e);
    error::handle(e);
    for (auto i = 0; i < size; i++) {
      stream_profile profile(rs2_get_stream_profile(list.get(), i, &e));
      error::handle(e);
      results.push_back(profile);
    }
    return results;
  }

  sensor& operator=(const std::shared_ptr<rs2_sensor> other) {
    options::operator=(other);
    _sensor.reset();
    _sensor = other;
    return *this;
  }

  sensor& operator=(const sensor& other) {
    *this = nullptr;
    options::operator=(other._sensor);
    _sensor = other._sensor;
    return *this;
  }
  sensor() : _sensor(nullptr) {}
  sensor(const sensor&) = default;

  operator bool() const { return _sensor != nullptr; }

  const std::shared_ptr<rs2_sensor>& get() const { return _sensor; }

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

  explicit sensor(std::shared_ptr<rs2_sensor> dev)
      : options((rs2_options*)dev.get()), _sensor(dev) {}
  explicit operator std::shared_ptr<rs2_sensor>() { return _sensor; }

 protected:
  friend context;
  friend device_list;
  friend device;
  friend device_base;
  friend roi_sensor;

  std::shared_ptr<rs2_sensor> _sensor;
};

class color_sensor : public sensor {
 public:
  color_sensor(sensor s) : sensor(s.get()) {
    rs2_error* e = nullptr;
    if (rs2_is_sensor_extendable_to(_sensor.get(), RS2_EXTENSION_COLOR_SENSOR, &e) == 0 && !e) {
      _sensor.reset();
    }
    error::handle(e);
  }
  operator bool() const { return _sensor.get() != nullptr; }
};

class motion_sensor : public sensor {
 public:
  motion_sensor(sensor s) : sensor(s.get()) {
    rs2_error* e = nullptr;
    if (rs2_is_sensor_extendable_to(_sensor.get(), RS2_EXTENSION_MOTION_SENSOR, &e) == 0 && !e) {
      _sensor.reset();
    }
    error::handle(e);
  }
  operator bool() const { return _sensor.get() != nullptr; }
};

class depth_sensor : public sensor {
 public:
  depth_sensor(sensor s) : sensor(s.get()) {
    rs2_error* e = nullptr;
    if (rs2_is_sensor_extendable_to(_sensor.get(), RS2_EXTENSION_DEPTH_SENSOR, &e) == 0 && !e) {
      _sensor.reset();
    }
    error::handle(e);
  }

  float get_depth_scale() const {
    rs2_error* e = nullptr;
    auto res = rs2_get_depth_scale(_sensor.get(), &e);
    error::handle(e);
    return res;
  }

  operator bool() const { return _sensor.get() != nullptr; }
  explicit depth_sensor(std::shared_ptr<rs2_sensor> dev) : depth_sensor(sensor(dev)) {}
};
}  // namespace rs2
#endif  // LIBREALSENSE_RS2_SENSOR_HPP
