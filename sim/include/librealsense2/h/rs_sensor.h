/* rs2sim: sensors, streams, formats and stream profiles (C API subset). */

#ifndef LIBREALSENSE_RS2_SENSOR_H
#define LIBREALSENSE_RS2_SENSOR_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_types.h"

typedef enum rs2_camera_info {
  RS2_CAMERA_INFO_NAME,
  RS2_CAMERA_INFO_SERIAL_NUMBER,
  RS2_CAMERA_INFO_FIRMWARE_VERSION,
  RS2_CAMERA_INFO_RECOMMENDED_FIRMWARE_VERSION,
  RS2_CAMERA_INFO_PHYSICAL_PORT,
  RS2_CAMERA_INFO_DEBUG_OP_CODE,
  RS2_CAMERA_INFO_ADVANCED_MODE,
  RS2_CAMERA_INFO_PRODUCT_ID,
  RS2_CAMERA_INFO_CAMERA_LOCKED,
  RS2_CAMERA_INFO_USB_TYPE_DESCRIPTOR,
  RS2_CAMERA_INFO_PRODUCT_LINE,
  RS2_CAMERA_INFO_ASIC_SERIAL_NUMBER,
  RS2_CAMERA_INFO_FIRMWARE_UPDATE_ID
} rs2_camera_info;
const char* rs2_camera_info_to_string(rs2_camera_info info);

typedef enum rs2_stream {
  RS2_STREAM_ANY,
  RS2_STREAM_DEPTH,
  RS2_STREAM_COLOR,
  RS2_STREAM_INFRARED,
  RS2_STREAM_FISHEYE,
  RS2_STREAM_GYRO,
  RS2_STREAM_ACCEL,
  RS2_STREAM_GPIO,
  RS2_STREAM_POSE,
  RS2_STREAM_CONFIDENCE
} rs2_stream;
const char* rs2_stream_to_string(rs2_stream stream);

typedef enum rs2_format {
  RS2_FORMAT_ANY,
  RS2_FORMAT_Z16,
  RS2_FORMAT_DISPARITY16,
  RS2_FORMAT_XYZ32F,
  RS2_FORMAT_YUYV,
  RS2_FORMAT_RGB8,
  RS2_FORMAT_BGR8,
  RS2_FORMAT_RGBA8,
  RS2_FORMAT_BGRA8,
  RS2_FORMAT_Y8,
  RS2_FORMAT_Y16,
  RS2_FORMAT_RAW10,
  RS2_FORMAT_RAW16,
  RS2_FORMAT_RAW8,
  RS2_FORMAT_UYVY,
  RS2_FORMAT_MOTION_RAW,
  RS2_FORMAT_MOTION_XYZ32F,
  RS2_FORMAT_GPIO_RAW,
  RS2_FORMAT_6DOF,
  RS2_FORMAT_DISPARITY32,
  RS2_FORMAT_Y10BPACK,
  RS2_FORMAT_DISTANCE,
  RS2_FORMAT_MJPEG,
  RS2_FORMAT_Y8I,
  RS2_FORMAT_Y12I,
  RS2_FORMAT_INZI,
  RS2_FORMAT_INVI,
  RS2_FORMAT_W10,
  RS2_FORMAT_Z16H,
  RS2_FORMAT_FG
} rs2_format;
const char* rs2_format_to_string(rs2_format format);

typedef struct rs2_extrinsics {
  float rotation[9];
  float translation[3];
} rs2_extrinsics;

void rs2_delete_sensor_list(rs2_sensor_list* info_list);
int rs2_get_sensors_count(const rs2_sensor_list* info_list, rs2_error** error);
void rs2_delete_sensor(rs2_sensor* sensor);
rs2_sensor* rs2_create_sensor(const rs2_sensor_list* list, int index, rs2_error** error);
rs2_device* rs2_create_device_from_sensor(const rs2_sensor* sensor, rs2_error** error);
const char* rs2_get_sensor_info(const rs2_sensor* sensor, rs2_camera_info info, rs2_error** error);
int rs2_supports_sensor_info(const rs2_sensor* sensor, rs2_camera_info info, rs2_error** error);
int rs2_is_sensor_extendable_to(const rs2_sensor* sensor, rs2_extension extension,
                                rs2_error** error);
float rs2_get_depth_scale(rs2_sensor* sensor, rs2_error** error);

rs2_stream_profile_list* rs2_get_stream_profiles(rs2_sensor* sensor, rs2_error** error);
const rs2_stream_profile* rs2_get_stream_profile(const rs2_stream_profile_list* list, int index,
                                                 rs2_error** error);
void rs2_get_stream_profile_data(const rs2_stream_profile* mode, rs2_stream* stream,
                                 rs2_format* format, int* index, int* unique_id, int* framerate,
                                 rs2_error** error);
int rs2_stream_profile_is(const rs2_stream_profile* mode, rs2_extension type, rs2_error** error);
void rs2_get_video_stream_resolution(const rs2_stream_profile* mode, int* width, int* height,
                                     rs2_error** error);
void rs2_get_video_stream_intrinsics(const rs2_stream_profile* mode, rs2_intrinsics* intrinsics,
                                     rs2_error** error);
void rs2_get_extrinsics(const rs2_stream_profile* from, const rs2_stream_profile* to,
                        rs2_extrinsics* extrin, rs2_error** error);
int rs2_is_stream_profile_default(const rs2_stream_profile* mode, rs2_error** error);
int rs2_get_stream_profiles_count(const rs2_stream_profile_list* list, rs2_error** error);
void rs2_delete_stream_profiles_list(rs2_stream_profile_list* list);

void rs2_set_notifications_callback_cpp(const rs2_sensor* sensor,
                                        rs2_notifications_callback* callback, rs2_error** error);
const char* rs2_get_notification_description(rs2_notification* notification, rs2_error** error);
rs2_time_t rs2_get_notification_timestamp(rs2_notification* notification, rs2_error** error);
rs2_log_severity rs2_get_notification_severity(rs2_notification* notification, rs2_error** error);
rs2_notification_category rs2_get_notification_category(rs2_notification* notification,
                                                        rs2_error** error);
const char* rs2_get_notification_serialized_data(rs2_notification* notification, rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
