// rs2sim: C++ context wrapper.

#ifndef LIBREALSENSE_RS2_CONTEXT_HPP
#define LIBREALSENSE_RS2_CONTEXT_HPP

#include "rs_device.hpp"
#include "rs_types.hpp"

namespace rs2 {
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

  explicit context(std::shared_ptr<rs2_context> ctx) : _context(ctx) {}
  explicit operator std::shared_ptr<rs2_context>() { return _context; };

 protected:
  friend class rs2::pipeline;

  std::shared_ptr<rs2_context> _context;
};
}  // namespace rs2
#endif  // LIBREALSENSE_RS2_CONTEXT_HPP
