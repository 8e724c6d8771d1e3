// rs2sim: C++ context wrapper.

#ifndef LIBREALSENSE_RS2_CONTEXT_HPP
#define LIBREALSENSE_RS2_CONTEXT_HPP

#include "rs_device.hpp"
#include "rs_types.hpp"

namespace rs2 {
class event_information {
 public:
  event_information(device_list removed, device_list added) : _removed(removed), _added(added) {}

  bool was_removed(const rs2::device& dev) const {
    rs2_error* e = nullptr;
    if (!dev)
      return false;
    auto res = rs2_device_list_contains(_removed.get_list(), dev.get().get(), &e);
    error::handle(e);
    return res > 0;
  }

  bool was_added(const rs2::device& dev) const {
    rs2_error* e = nullptr;
    if (!dev)
      return false;
    auto res = rs2_device_list_contains(_added.get_list(), dev.get().get(), &e);
    error::handle(e);
    return res > 0;
  }

  device_list get_new_devices() const { return _added; }

 private:
  device_list _removed;
  device_list _added;
};

template <class T>
class devices_changed_callback : public rs2_devices_changed_callback {
  T _callback;

 public:
  explicit devices_changed_callback(T callback) : _callback(callback) {}

  void on_devices_changed(rs2_device_list* removed, rs2_device_list* added) override {
    std::shared_ptr<rs2_device_list> old(removed, rs2_delete_device_list);
    std::shared_ptr<rs2_device_list> news(added, rs2_delete_device_list);

    event_information info({device_list(old), device_list(news)});
    _callback(info);
  }

  void release() override { delete this; }
};

class pipeline;

class context {
 public:
  context() {
    rs2_error* e = nullptr;
    _context =
        std::shared_ptr<rs2_context>(rs2_create_context(RS2_API_VERSION, &e), rs2_delete_context);
    error::handle(e);
  }

  device_list query_devices() const {
    rs2_error* e = nullptr;
    std::shared_ptr<rs2_device_list> list(rs2_query_devices(_context.get(), &e),
                                          rs2_delete_device_list);
    error::handle(e);
    return device_list(list);
  }

  std::vector<sensor> query_all_sensors() const {
    std::vector<sensor> results;
    for (auto&& dev : query_devices()) {
      auto sensors = dev.query_sensors();
      std::copy(sensors.begin(), sensors.end(), std::back_inserter(results));
    }
    return results;
  }

  device get_sensor_parent(const sensor& s) const {
    rs2_error* e = nullptr;
    std::shared_ptr<rs2_device> dev(rs2_create_device_from_sensor(s._sensor.get(), &e),
                                    rs2_delete_device);
    error::handle(e);
    return device{dev};
  }

  template <class T>
  void set_devices_changed_callback(T callback) {
    rs2_error* e = nullptr;
    rs2_set_devices_changed_callback_cpp(_context.get(),
                                         new devices_changed_callback<T>(std::move(callback)), &e);
    error::handle(e);
  }

  explicit context(std::shared_ptr<rs2_context> ctx) : _context(ctx) {}
  explicit operator std::shared_ptr<rs2_context>() { return _context; };

 protected:
  friend class rs2::pipeline;

  std::shared_ptr<rs2_context> _context;
};
}  // namespace rs2
#endif  // LIBREALSENSE_RS2_CONTEXT_HPP
