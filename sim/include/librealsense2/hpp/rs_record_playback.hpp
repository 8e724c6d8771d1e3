// rs2sim: the record device of a recording pipeline (its profile's device).

#ifndef LIBREALSENSE_RS2_RECORD_PLAYBACK_HPP
#define LIBREALSENSE_RS2_RECORD_PLAYBACK_HPP

#include <string>

#include "../h/rs_record_playback.h"
#include "rs_device.hpp"
#include "rs_types.hpp"

namespace rs2 {

class recorder : public device {
 public:
  recorder(device d) : recorder(d.get()) {}

  // Records nothing until resumed; the device goes on streaming.
  void pause() {
    rs2_error* e = nullptr;
    rs2_record_device_pause(_dev.get(), &e);
    error::handle(e);
  }

  void resume() {
    rs2_error* e = nullptr;
    rs2_record_device_resume(_dev.get(), &e);
    error::handle(e);
  }

  std::string filename() const {
    rs2_error* e = nullptr;
    std::string filename = rs2_record_device_filename(_dev.get(), &e);
    error::handle(e);
    return filename;
  }

 protected:
  // Empty (false) when the device is no record device.
  explicit recorder(std::shared_ptr<rs2_device> dev) : device(dev) {
    rs2_error* e = nullptr;
    if (rs2_is_device_extendable_to(_dev.get(), RS2_EXTENSION_RECORD, &e) == 0 && !e)
      _dev.reset();
    error::handle(e);
  }
};

}  // namespace rs2
#endif  // LIBREALSENSE_RS2_RECORD_PLAYBACK_HPP
