// rs2sim: C++ sensor wrappers.

#ifndef LIBREALSENSE_RS2_SENSOR_HPP
#define LIBREALSENSE_RS2_SENSOR_HPP

#include "rs_frame.hpp"
#include "rs_options.hpp"
#include "rs_types.hpp"

namespace rs2 {
class notification {
 public:
  notification(rs2_notification* nt) {
    rs2_error* e = nullptr;
    _description = rs2_get_notification_description(nt, &e);
    error::handle(e);
    _timestamp = rs2_get_notification_timestamp(nt, &e);
    error::handle(e);
    _severity = rs2_get_notification_severity(nt, &e);
    error::handle(e);
    _category = rs2_get_notification_category(nt, &e);
    error::handle(e);
    _serialized_data = rs2_get_notification_serialized_data(nt, &e);
    error::handle(e);
  }

  notification() = default;

  rs2_notification_category get_category() const { return _category; }
  std::string get_description() const { return _description; }
  double get_timestamp() const { return _timestamp; }
  rs2_log_severity get_severity() const { return _severity; }
  std::string get_serialized_data() const { return _serialized_data; }

 private:
  std::string _description;
  double _timestamp = -1;
  rs2_log_severity _severity = RS2_LOG_SEVERITY_COUNT;
  rs2_notification_category _category = RS2_NOTIFICATION_CATEGORY_COUNT;
  std::string _serialized_data;
};

template <class T>
class notifications_callback : public rs2_notifications_callback {
  T on_notification_function;

 public:
  explicit notifications_callback(T on_notification) : on_notification_function(on_notification) {}

  void on_notification(rs2_notification* _notification) override {
    on_notification_function(notification{_notification});
  }

  void release() override { delete this; }
};

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

  template <class T>
  void set_notifications_callback(T callback) const {
    rs2_error* e = nullptr;
    rs2_set_notifications_callback_cpp(_sensor.get(),
                                       new notifications_callback<T>(std::move(callback)), &e);
    error::handle(e);
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
