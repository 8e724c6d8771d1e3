/* rs2sim: frames (C API subset). */

#ifndef LIBREALSENSE_RS2_FRAME_H
#define LIBREALSENSE_RS2_FRAME_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_types.h"

typedef enum rs2_timestamp_domain {
  RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK,
  RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME,
  RS2_TIMESTAMP_DOMAIN_GLOBAL_TIME,
  RS2_TIMESTAMP_DOMAIN_COUNT
} rs2_timestamp_domain;
const char* rs2_timestamp_domain_to_string(rs2_timestamp_domain info);

/* The values every release from 2.43 to 2.54 has, in the SDK's order; rs2sim answers only the
   frame counter. */
typedef enum rs2_frame_metadata_value {
  RS2_FRAME_METADATA_FRAME_COUNTER,
  RS2_FRAME_METADATA_FRAME_TIMESTAMP,
  RS2_FRAME_METADATA_SENSOR_TIMESTAMP,
  RS2_FRAME_METADATA_ACTUAL_EXPOSURE,
  RS2_FRAME_METADATA_GAIN_LEVEL,
  RS2_FRAME_METADATA_AUTO_EXPOSURE,
  RS2_FRAME_METADATA_WHITE_BALANCE,
  RS2_FRAME_METADATA_TIME_OF_ARRIVAL,
  RS2_FRAME_METADATA_TEMPERATURE,
  RS2_FRAME_METADATA_BACKEND_TIMESTAMP,
  RS2_FRAME_METADATA_ACTUAL_FPS
} rs2_frame_metadata_value;
const char* rs2_frame_metadata_to_string(rs2_frame_metadata_value metadata);

rs2_metadata_type rs2_get_frame_metadata(const rs2_frame* frame,
                                         rs2_frame_metadata_value frame_metadata,
                                         rs2_error** error);
int rs2_supports_frame_metadata(const rs2_frame* frame, rs2_frame_metadata_value frame_metadata,
                                rs2_error** error);

rs2_timestamp_domain rs2_get_frame_timestamp_domain(const rs2_frame* frameset, rs2_error** error);
rs2_time_t rs2_get_frame_timestamp(const rs2_frame* frame, rs2_error** error);
unsigned long long rs2_get_frame_number(const rs2_frame* frame, rs2_error** error);
int rs2_get_frame_data_size(const rs2_frame* frame, rs2_error** error);
const void* rs2_get_frame_data(const rs2_frame* frame, rs2_error** error);
int rs2_get_frame_width(const rs2_frame* frame, rs2_error** error);
int rs2_get_frame_height(const rs2_frame* frame, rs2_error** error);
int rs2_get_frame_stride_in_bytes(const rs2_frame* frame, rs2_error** error);
int rs2_get_frame_bits_per_pixel(const rs2_frame* frame, rs2_error** error);
void rs2_frame_add_ref(rs2_frame* frame, rs2_error** error);
void rs2_release_frame(rs2_frame* frame);
void rs2_keep_frame(rs2_frame* frame);
const rs2_stream_profile* rs2_get_frame_stream_profile(const rs2_frame* frame, rs2_error** error);
int rs2_is_frame_extendable_to(const rs2_frame* frame, rs2_extension extension_type,
                               rs2_error** error);
rs2_frame* rs2_extract_frame(rs2_frame* composite, int index, rs2_error** error);
int rs2_embedded_frames_count(rs2_frame* composite, rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
