/* rs2sim: the librealsense2 public C types this simulator provides (a subset).
   Names, order and numeric values follow librealsense2 2.43 to 2.54. */

#ifndef LIBREALSENSE_RS2_TYPES_H
#define LIBREALSENSE_RS2_TYPES_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum rs2_notification_category {
  RS2_NOTIFICATION_CATEGORY_FRAMES_TIMEOUT,
  RS2_NOTIFICATION_CATEGORY_FRAME_CORRUPTED,
  RS2_NOTIFICATION_CATEGORY_HARDWARE_ERROR,
  RS2_NOTIFICATION_CATEGORY_HARDWARE_EVENT,
  RS2_NOTIFICATION_CATEGORY_UNKNOWN_ERROR,
  RS2_NOTIFICATION_CATEGORY_FIRMWARE_UPDATE_RECOMMENDED,
  RS2_NOTIFICATION_CATEGORY_POSE_RELOCALIZATION,
  RS2_NOTIFICATION_CATEGORY_COUNT
} rs2_notification_category;
const char* rs2_notification_category_to_string(rs2_notification_category category);

typedef enum rs2_exception_type {
  RS2_EXCEPTION_TYPE_UNKNOWN,
  RS2_EXCEPTION_TYPE_CAMERA_DISCONNECTED,
  RS2_EXCEPTION_TYPE_BACKEND,
  RS2_EXCEPTION_TYPE_INVALID_VALUE,
  RS2_EXCEPTION_TYPE_WRONG_API_CALL_SEQUENCE,
  RS2_EXCEPTION_TYPE_NOT_IMPLEMENTED,
  RS2_EXCEPTION_TYPE_DEVICE_IN_RECOVERY_MODE,
  RS2_EXCEPTION_TYPE_IO,
  RS2_EXCEPTION_TYPE_COUNT
} rs2_exception_type;
const char* rs2_exception_type_to_string(rs2_exception_type type);

typedef enum rs2_log_severity {
  RS2_LOG_SEVERITY_DEBUG,
  RS2_LOG_SEVERITY_INFO,
  RS2_LOG_SEVERITY_WARN,
  RS2_LOG_SEVERITY_ERROR,
  RS2_LOG_SEVERITY_FATAL,
  RS2_LOG_SEVERITY_NONE,
  RS2_LOG_SEVERITY_COUNT,
  RS2_LOG_SEVERITY_ALL = RS2_LOG_SEVERITY_DEBUG
} rs2_log_severity;
const char* rs2_log_severity_to_string(rs2_log_severity info);

/* Only the values every release from 2.43 on agrees about are declared. */
typedef enum rs2_extension {
  RS2_EXTENSION_UNKNOWN,
  RS2_EXTENSION_DEBUG,
  RS2_EXTENSION_INFO,
  RS2_EXTENSION_MOTION,
  RS2_EXTENSION_OPTIONS,
  RS2_EXTENSION_VIDEO,
  RS2_EXTENSION_ROI,
  RS2_EXTENSION_DEPTH_SENSOR,
  RS2_EXTENSION_VIDEO_FRAME,
  RS2_EXTENSION_MOTION_FRAME,
  RS2_EXTENSION_COMPOSITE_FRAME,
  RS2_EXTENSION_POINTS,
  RS2_EXTENSION_DEPTH_FRAME,
  RS2_EXTENSION_ADVANCED_MODE,
  RS2_EXTENSION_RECORD,
  RS2_EXTENSION_VIDEO_PROFILE,
  RS2_EXTENSION_PLAYBACK,
  RS2_EXTENSION_DEPTH_STEREO_SENSOR,
  RS2_EXTENSION_DISPARITY_FRAME,
  RS2_EXTENSION_MOTION_PROFILE,
  RS2_EXTENSION_POSE_FRAME,
  RS2_EXTENSION_POSE_PROFILE,
  RS2_EXTENSION_TM2,
  RS2_EXTENSION_SOFTWARE_DEVICE,
  RS2_EXTENSION_SOFTWARE_SENSOR,
  RS2_EXTENSION_DECIMATION_FILTER,
  RS2_EXTENSION_THRESHOLD_FILTER,
  RS2_EXTENSION_DISPARITY_FILTER,
  RS2_EXTENSION_SPATIAL_FILTER,
  RS2_EXTENSION_TEMPORAL_FILTER,
  RS2_EXTENSION_HOLE_FILLING_FILTER,
  RS2_EXTENSION_ZERO_ORDER_FILTER,
  RS2_EXTENSION_RECOMMENDED_FILTERS,
  RS2_EXTENSION_POSE,
  RS2_EXTENSION_POSE_SENSOR,
  RS2_EXTENSION_WHEEL_ODOMETER,
  RS2_EXTENSION_GLOBAL_TIMER,
  RS2_EXTENSION_UPDATABLE,
  RS2_EXTENSION_UPDATE_DEVICE,
  RS2_EXTENSION_L500_DEPTH_SENSOR,
  RS2_EXTENSION_TM2_SENSOR,
  RS2_EXTENSION_AUTO_CALIBRATED_DEVICE,
  RS2_EXTENSION_COLOR_SENSOR,
  RS2_EXTENSION_MOTION_SENSOR,
  RS2_EXTENSION_FISHEYE_SENSOR
} rs2_extension;
const char* rs2_extension_type_to_string(rs2_extension type);
const char* rs2_extension_to_string(rs2_extension type);

typedef enum rs2_distortion {
  RS2_DISTORTION_NONE,
  RS2_DISTORTION_MODIFIED_BROWN_CONRADY,
  RS2_DISTORTION_INVERSE_BROWN_CONRADY,
  RS2_DISTORTION_FTHETA,
  RS2_DISTORTION_BROWN_CONRADY,
  RS2_DISTORTION_KANNALA_BRANDT4,
  RS2_DISTORTION_COUNT
} rs2_distortion;

typedef struct rs2_intrinsics {
  int width;
  int height;
  float ppx;
  float ppy;
  float fx;
  float fy;
  rs2_distortion model;
  float coeffs[5];
} rs2_intrinsics;

typedef struct rs2_device_info rs2_device_info;
typedef struct rs2_device rs2_device;
typedef struct rs2_error rs2_error;
typedef struct rs2_frame rs2_frame;
typedef struct rs2_frame_queue rs2_frame_queue;
typedef struct rs2_processing_block rs2_processing_block;
typedef struct rs2_pipeline rs2_pipeline;
typedef struct rs2_pipeline_profile rs2_pipeline_profile;
typedef struct rs2_config rs2_config;
typedef struct rs2_device_list rs2_device_list;
typedef struct rs2_stream_profile_list rs2_stream_profile_list;
typedef struct rs2_stream_profile rs2_stream_profile;
typedef struct rs2_frame_callback rs2_frame_callback;
typedef struct rs2_context rs2_context;
typedef struct rs2_sensor_list rs2_sensor_list;
typedef struct rs2_sensor rs2_sensor;
typedef struct rs2_options rs2_options;
typedef struct rs2_devices_changed_callback rs2_devices_changed_callback;
typedef struct rs2_notification rs2_notification;
typedef struct rs2_notifications_callback rs2_notifications_callback;
typedef struct rs2_source rs2_source;
typedef void (*rs2_frame_callback_ptr)(rs2_frame*, void*);

typedef double rs2_time_t;
typedef long long rs2_metadata_type;

rs2_exception_type rs2_get_librealsense_exception_type(const rs2_error* error);
const char* rs2_get_failed_function(const rs2_error* error);
const char* rs2_get_failed_args(const rs2_error* error);
const char* rs2_get_error_message(const rs2_error* error);
void rs2_free_error(rs2_error* error);

#ifdef __cplusplus
}
#endif
#endif
