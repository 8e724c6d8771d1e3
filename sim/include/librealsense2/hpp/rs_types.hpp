// rs2sim: C++ wrapper types of librealsense2 (callback interface and error family).

#ifndef LIBREALSENSE_RS2_TYPES_HPP
#define LIBREALSENSE_RS2_TYPES_HPP

#include "../h/rs_context.h"
#include "../h/rs_device.h"
#include "../h/rs_frame.h"
#include "../h/rs_pipeline.h"
#include "../h/rs_processing.h"
#include "../h/rs_record_playback.h"
#include "../h/rs_sensor.h"
#include "../rs.h"

#include <cstring>
#include <exception>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// The library owns a callback once it is handed over and gives it back through release().
struct rs2_frame_callback {
  virtual void on_frame(rs2_frame* f) = 0;
  virtual void release() = 0;
  virtual ~rs2_frame_callback() {}
};
typedef std::shared_ptr<rs2_frame_callback> rs2_frame_callback_sptr;

struct rs2_devices_changed_callback {
  virtual void on_devices_changed(rs2_device_list* removed, rs2_device_list* added) = 0;
  virtual void release() = 0;
  virtual ~rs2_devices_changed_callback() {}
};

struct rs2_notifications_callback {
  virtual void on_notification(rs2_notification* n) = 0;
  virtual void release() = 0;
  virtual ~rs2_notifications_callback() {}
};

namespace rs2 {
class error : public std::runtime_error {
  std::string function, args;
  rs2_exception_type type;

 public:
  explicit error(rs2_error* err) : runtime_error(rs2_get_error_message(err)) {
    const char* fn = rs2_get_failed_function(err);
    const char* ar = rs2_get_failed_args(err);
    function = fn ? std::string(fn) : std::string();
    args = ar ? std::string(ar) : std::string();
    type = rs2_get_librealsense_exception_type(err);
    rs2_free_error(err);
  }

  explicit error(const std::string& message) : runtime_error(message.c_str()) {
    function = "";
    args = "";
    type = RS2_EXCEPTION_TYPE_UNKNOWN;
  }

  const std::string& get_failed_function() const { return function; }
  const std::string& get_failed_args() const { return args; }
  rs2_exception_type get_type() const { return type; }

  static void handle(rs2_error* e);
};

#define RS2_ERROR_CLASS(name, base)                   \
  class name : public base {                          \
   public:                                            \
    explicit name(rs2_error* e) noexcept : base(e) {} \
  }

RS2_ERROR_CLASS(recoverable_error, error);
RS2_ERROR_CLASS(unrecoverable_error, error);
RS2_ERROR_CLASS(camera_disconnected_error, unrecoverable_error);
RS2_ERROR_CLASS(backend_error, unrecoverable_error);
RS2_ERROR_CLASS(device_in_recovery_mode_error, unrecoverable_error);
RS2_ERROR_CLASS(invalid_value_error, recoverable_error);
RS2_ERROR_CLASS(wrong_api_call_sequence_error, recoverable_error);
RS2_ERROR_CLASS(not_implemented_error, recoverable_error);
#undef RS2_ERROR_CLASS

inline void error::handle(rs2_error* e) {
  if (!e)
    return;
  switch (rs2_get_librealsense_exception_type(e)) {
    case RS2_EXCEPTION_TYPE_CAMERA_DISCONNECTED:
      throw camera_disconnected_error(e);
    case RS2_EXCEPTION_TYPE_BACKEND:
      throw backend_error(e);
    case RS2_EXCEPTION_TYPE_INVALID_VALUE:
      throw invalid_value_error(e);
    case RS2_EXCEPTION_TYPE_WRONG_API_CALL_SEQUENCE:
      throw wrong_api_call_sequence_error(e);
    case RS2_EXCEPTION_TYPE_NOT_IMPLEMENTED:
      throw not_implemented_error(e);
    case RS2_EXCEPTION_TYPE_DEVICE_IN_RECOVERY_MODE:
      throw device_in_recovery_mode_error(e);
    default:
      throw error(e);
  }
}

class context;
class device;
class device_list;
class device_base;
class roi_sensor;
class frame;
class sensor;
class pipeline;
class pipeline_profile;

struct option_range {
  float min;
  float max;
  float def;
  float step;
};
}  // namespace rs2

#endif  // LIBREALSENSE_RS2_TYPES_HPP
