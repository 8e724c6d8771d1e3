// rs2sim: C++ device wrappers.

#ifndef LIBREALSENSE_RS2_DEVICE_HPP
#define LIBREALSENSE_RS2_DEVICE_HPP

#include "rs_sensor.hpp"
#include "rs_types.hpp"

namespace rs2 {
class context;
class device_list;
class pipeline_profile;

class device {
 public:
  std::vector<sensor> query_sensors() const {
    rs2_error* e = nullptr;
    std::shared_ptr<rs2_sensor_list> list(rs2_query_sensors(_dev.get(), &e),
                                          rs2_delete_sensor_list);
    error::handle(e);

    auto size = rs2_get_sensors_count(list.get(), &e);
    error::handle(e);

    std::vector<sensor> results;
    for (auto i = 0; i < size; i++) {
      std::shared_ptr<rs2_sensor> dev(rs2_create_sensor(list.get(), i, &e), rs2_delete_sensor);
      error::handle(e);
      sensor rs2_dev(dev);
      results.push_back(rs2_dev);
    }
    return results;
  }

  template <class T>
  T first() const {
    for (auto&& s : query_sensors()) {
      if (auto t = s.as<T>())
        return t;
    }
    throw rs2::error("Could not find requested sensor type!");
  }

  bool supports(rs2_camera_info info) const {
    rs2_error* e = nullptr;
    auto is_supported = rs2_supports_device_info(_dev.get(), info, &e);
    error::handle(e);
    return is_supported > 0;
  }

  const char* get_info(rs2_camera_info info) const {
    rs2_error* e = nullptr;
    auto result = rs2_get_device_info(_dev.get(), info, &e);
    error::handle(e);
    return result;
  }

  void hardware_reset() {
    rs2_error* e = nullptr;
    rs2_hardware_reset(_dev.get(), &e);
    error::handle(e);
  }

  device& operator=(const std::shared_ptr<rs2_device> dev) {
    _dev.reset();
    _dev = dev;
    return *this;
  }
  device& operator=(const device& dev) {
    *this = nullptr;
    _dev = dev._dev;
    return *this;
  }
  device() : _dev(nullptr) {}
  device(const device&) = default;

  operator bool() const { return _dev != nullptr; }
  const std::shared_ptr<rs2_device>& get() const { return _dev; }

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
  virtual ~device() {}

  explicit operator std::shared_ptr<rs2_device>() { return _dev; };
  explicit device(std::shared_ptr<rs2_device> dev) : _dev(dev) {}

 protected:
  friend class rs2::context;
  friend class rs2::device_list;
  friend class rs2::pipeline_profile;

  std::shared_ptr<rs2_device> _dev;
};

class device_list {
 public:
  explicit device_list(std::shared_ptr<rs2_device_list> list) : _list(std::move(list)) {}
  device_list() : _list(nullptr) {}

  operator std::vector<device>() const {
    std::vector<device> res;
    for (auto&& dev : *this)
      res.push_back(dev);
    return res;
  }

  bool contains(const device& dev) const {
    for (auto&& d : *this) {
      if (d.get() == dev.get())
        return true;
    }
    return false;
  }

  device operator[](uint32_t index) const {
    rs2_error* e = nullptr;
    std::shared_ptr<rs2_device> dev(rs2_create_device(_list.get(), index, &e), rs2_delete_device);
    error::handle(e);
    return device(dev);
  }

  uint32_t size() const {
    rs2_error* e = nullptr;
    auto size = rs2_get_device_count(_list.get(), &e);
    error::handle(e);
    return size;
  }

  device front() const { return std::move((*this)[0]); }
  device back() const { return std::move((*this)[size() - 1]); }

  class device_list_iterator {
    device_list_iterator(const device_list& device_list, uint32_t index)
        : _list(device_list), _index(index) {}

   public:
    device operator*() const { return _list[_index]; }
    bool operator!=(const device_list_iterator& other) const {
      return other._index != _index || &other._list != &_list;
    }
    bool operator==(const device_list_iterator& other) const { return !(*this != other); }
    device_list_iterator& operator++() {
      _index++;
      return *this;
    }

   private:
    friend device_list;
    const device_list& _list;
    uint32_t _index;
  };

  device_list_iterator begin() const { return device_list_iterator(*this, 0); }
  device_list_iterator end() const { return device_list_iterator(*this, size()); }
  const rs2_device_list* get_list() const { return _list.get(); }

  operator std::shared_ptr<rs2_device_list>() { return _list; };

 private:
  std::shared_ptr<rs2_device_list> _list;
};
}  // namespace rs2
#endif  // LIBREALSENSE_RS2_DEVICE_HPP
