// The *_to_string functions. The library names enumerators by their identifier without the
// prefix: formats stay upper case, everything else is written in capitalised words.

#include <librealsense2/rs.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

std::string Capitalised(const char* identifier) {
  std::string text(identifier);
  bool wordStart = true;
  for (char& c : text) {
    if (c == '_') {
      c = ' ';
      wordStart = true;
    } else {
      c = static_cast<char>(wordStart ? std::toupper(static_cast<unsigned char>(c))
                                      : std::tolower(static_cast<unsigned char>(c)));
      wordStart = false;
    }
  }
  return text;
}

class NameTable {
 public:
  NameTable(std::initializer_list<const char*> identifiers, bool capitalise) {
    for (const char* id : identifiers)
      names_.push_back(capitalise ? Capitalised(id) : id);
  }
  const char* operator()(int value) const {
    if (value < 0 || value >= static_cast<int>(names_.size()))
      return "UNKNOWN";
    return names_[static_cast<std::size_t>(value)].c_str();
  }

 private:
  std::vector<std::string> names_;
};

}  // namespace

extern "C" {

const char* rs2_stream_to_string(rs2_stream stream) {
  static const NameTable names({"ANY", "DEPTH", "COLOR", "INFRARED", "FISHEYE", "GYRO", "ACCEL",
                                "GPIO", "POSE", "CONFIDENCE"},
                               true);
  return names(stream);
}

const char* rs2_format_to_string(rs2_format format) {
  static const NameTable names(
      {"ANY",   "Z16",         "DISPARITY16", "XYZ32F",     "YUYV",          "RGB8",
       "BGR8",  "RGBA8",       "BGRA8",       "Y8",         "Y16",           "RAW10",
       "RAW16", "RAW8",        "UYVY",        "MOTION_RAW", "MOTION_XYZ32F", "GPIO_RAW",
       "6DOF",  "DISPARITY32", "Y10BPACK",    "DISTANCE",   "MJPEG",         "Y8I",
       "Y12I",  "INZI",        "INVI",        "W10",        "Z16H",          "FG"},
      false);
  return names(format);
}

const char* rs2_timestamp_domain_to_string(rs2_timestamp_domain info) {
  static const NameTable names({"HARDWARE_CLOCK", "SYSTEM_TIME", "GLOBAL_TIME"}, true);
  return names(info);
}

const char* rs2_frame_metadata_to_string(rs2_frame_metadata_value metadata) {
  static const NameTable names(
      {"FRAME_COUNTER", "FRAME_TIMESTAMP", "SENSOR_TIMESTAMP", "ACTUAL_EXPOSURE", "GAIN_LEVEL",
       "AUTO_EXPOSURE", "WHITE_BALANCE", "TIME_OF_ARRIVAL", "TEMPERATURE", "BACKEND_TIMESTAMP",
       "ACTUAL_FPS"},
      true);
  return names(metadata);
}

const char* rs2_camera_info_to_string(rs2_camera_info info) {
  static const NameTable names(
      {"NAME", "SERIAL_NUMBER", "FIRMWARE_VERSION", "RECOMMENDED_FIRMWARE_VERSION", "PHYSICAL_PORT",
       "DEBUG_OP_CODE", "ADVANCED_MODE", "PRODUCT_ID", "CAMERA_LOCKED", "USB_TYPE_DESCRIPTOR",
       "PRODUCT_LINE", "ASIC_SERIAL_NUMBER", "FIRMWARE_UPDATE_ID"},
      true);
  return names(info);
}

const char* rs2_rs400_visual_preset_to_string(rs2_rs400_visual_preset preset) {
  static const NameTable names({"CUSTOM", "DEFAULT", "HAND", "HIGH_ACCURACY", "HIGH_DENSITY",
                                "MEDIUM_DENSITY", "REMOVE_IR_PATTERN"},
                               true);
  return names(preset);
}

const char* rs2_option_to_string(rs2_option option) {
  static const NameTable names({"BACKLIGHT_COMPENSATION",
                                "BRIGHTNESS",
                                "CONTRAST",
                                "EXPOSURE",
                                "GAIN",
                                "GAMMA",
                                "HUE",
                                "SATURATION",
                                "SHARPNESS",
                                "WHITE_BALANCE",
                                "ENABLE_AUTO_EXPOSURE",
                                "ENABLE_AUTO_WHITE_BALANCE",
                                "VISUAL_PRESET",
                                "LASER_POWER",
                                "ACCURACY",
                                "MOTION_RANGE",
                                "FILTER_OPTION",
                                "CONFIDENCE_THRESHOLD",
                                "EMITTER_ENABLED",
                                "FRAMES_QUEUE_SIZE",
                                "TOTAL_FRAME_DROPS",
                                "AUTO_EXPOSURE_MODE",
                                "POWER_LINE_FREQUENCY",
                                "ASIC_TEMPERATURE",
                                "ERROR_POLLING_ENABLED",
                                "PROJECTOR_TEMPERATURE",
                                "OUTPUT_TRIGGER_ENABLED",
                                "MOTION_MODULE_TEMPERATURE",
                                "DEPTH_UNITS",
                                "ENABLE_MOTION_CORRECTION",
                                "AUTO_EXPOSURE_PRIORITY",
                                "COLOR_SCHEME",
                                "HISTOGRAM_EQUALIZATION_ENABLED",
                                "MIN_DISTANCE",
                                "MAX_DISTANCE",
                                "TEXTURE_SOURCE",
                                "FILTER_MAGNITUDE",
                                "FILTER_SMOOTH_ALPHA",
                                "FILTER_SMOOTH_DELTA",
                                "HOLES_FILL",
                                "STEREO_BASELINE",
                                "AUTO_EXPOSURE_CONVERGE_STEP",
                                "INTER_CAM_SYNC_MODE",
                                "STREAM_FILTER",
                                "STREAM_FORMAT_FILTER",
                                "STREAM_INDEX_FILTER"},
                               true);
  return names(option);
}

const char* rs2_exception_type_to_string(rs2_exception_type type) {
  static const NameTable names(
      {"UNKNOWN", "CAMERA_DISCONNECTED", "BACKEND", "INVALID_VALUE", "WRONG_API_CALL_SEQUENCE",
       "NOT_IMPLEMENTED", "DEVICE_IN_RECOVERY_MODE", "IO"},
      true);
  // The library names this one in capitals, unlike the others.
  if (type == RS2_EXCEPTION_TYPE_UNKNOWN)
    return "UNKNOWN";
  return names(type);
}

const char* rs2_notification_category_to_string(rs2_notification_category category) {
  static const NameTable names(
      {"FRAMES_TIMEOUT", "FRAME_CORRUPTED", "HARDWARE_ERROR", "HARDWARE_EVENT", "UNKNOWN_ERROR",
       "FIRMWARE_UPDATE_RECOMMENDED", "POSE_RELOCALIZATION"},
      true);
  return names(category);
}

const char* rs2_log_severity_to_string(rs2_log_severity info) {
  static const NameTable names({"DEBUG", "INFO", "WARN", "ERROR", "FATAL", "NONE"}, true);
  return names(info);
}

const char* rs2_extension_to_string(rs2_extension type) {
  static const NameTable names({"UNKNOWN",
                                "DEBUG",
                                "INFO",
                                "MOTION",
                                "OPTIONS",
                                "VIDEO",
                                "ROI",
                                "DEPTH_SENSOR",
                                "VIDEO_FRAME",
                                "MOTION_FRAME",
                                "COMPOSITE_FRAME",
                                "POINTS",
                                "DEPTH_FRAME",
                                "ADVANCED_MODE",
                                "RECORD",
                                "VIDEO_PROFILE",
                                "PLAYBACK",
                                "DEPTH_STEREO_SENSOR",
                                "DISPARITY_FRAME",
                                "MOTION_PROFILE",
                                "POSE_FRAME",
                                "POSE_PROFILE",
                                "TM2",
                                "SOFTWARE_DEVICE",
                                "SOFTWARE_SENSOR",
                                "DECIMATION_FILTER",
                                "THRESHOLD_FILTER",
                                "DISPARITY_FILTER",
                                "SPATIAL_FILTER",
                                "TEMPORAL_FILTER",
                                "HOLE_FILLING_FILTER",
                                "ZERO_ORDER_FILTER",
                                "RECOMMENDED_FILTERS",
                                "POSE",
                                "POSE_SENSOR",
                                "WHEEL_ODOMETER",
                                "GLOBAL_TIMER",
                                "UPDATABLE",
                                "UPDATE_DEVICE",
                                "L500_DEPTH_SENSOR",
                                "TM2_SENSOR",
                                "AUTO_CALIBRATED_DEVICE",
                                "COLOR_SENSOR",
                                "MOTION_SENSOR",
                                "FISHEYE_SENSOR"},
                               true);
  return names(type);
}

const char* rs2_extension_type_to_string(rs2_extension type) {
  return rs2_extension_to_string(type);
}

}  // extern "C"
