// rs2sim: the librealsense2 C++ API as far as rs2sim simulates it.

#ifndef LIBREALSENSE_RS2_HPP
#define LIBREALSENSE_RS2_HPP

#include "hpp/rs_context.hpp"
#include "hpp/rs_device.hpp"
#include "hpp/rs_frame.hpp"
#include "hpp/rs_pipeline.hpp"
#include "hpp/rs_processing.hpp"
#include "hpp/rs_record_playback.hpp"
#include "hpp/rs_sensor.hpp"
#include "hpp/rs_types.hpp"
#include "rs.h"

#include <ostream>

inline std::ostream& operator<<(std::ostream& o, rs2_stream stream) {
  return o << rs2_stream_to_string(stream);
}
inline std::ostream& operator<<(std::ostream& o, rs2_format format) {
  return o << rs2_format_to_string(format);
}
inline std::ostream& operator<<(std::ostream& o, rs2_option option) {
  return o << rs2_option_to_string(option);
}
inline std::ostream& operator<<(std::ostream& o, rs2_log_severity severity) {
  return o << rs2_log_severity_to_string(severity);
}
inline std::ostream& operator<<(std::ostream& o, rs2_camera_info camera_info) {
  return o << rs2_camera_info_to_string(camera_info);
}
inline std::ostream& operator<<(std::ostream& o, rs2_timestamp_domain domain) {
  return o << rs2_timestamp_domain_to_string(domain);
}
inline std::ostream& operator<<(std::ostream& o, rs2_frame_metadata_value metadata) {
  return o << rs2_frame_metadata_to_string(metadata);
}
inline std::ostream& operator<<(std::ostream& o, rs2_exception_type exception_type) {
  return o << rs2_exception_type_to_string(exception_type);
}

#endif  // LIBREALSENSE_RS2_HPP
