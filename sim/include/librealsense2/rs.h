/* rs2sim: the librealsense2 C API as far as rs2sim simulates it. */

#ifndef LIBREALSENSE_RS2_H
#define LIBREALSENSE_RS2_H

#ifdef __cplusplus
extern "C" {
#endif

#include "h/rs_context.h"
#include "h/rs_device.h"
#include "h/rs_frame.h"
#include "h/rs_option.h"
#include "h/rs_processing.h"
#include "h/rs_record_playback.h"
#include "h/rs_sensor.h"
#include "h/rs_types.h"

#define RS2_API_MAJOR_VERSION 2
#define RS2_API_MINOR_VERSION 54
#define RS2_API_PATCH_VERSION 2
#define RS2_API_BUILD_VERSION 0

#ifndef STRINGIFY
#define STRINGIFY(arg) #arg
#endif
#ifndef VAR_ARG_STRING
#define VAR_ARG_STRING(arg) STRINGIFY(arg)
#endif

/* major * 10000 + minor * 100 + patch, so 2.54.2 is 25402 */
#define RS2_API_VERSION \
  (((RS2_API_MAJOR_VERSION)*10000) + ((RS2_API_MINOR_VERSION)*100) + (RS2_API_PATCH_VERSION))
#define RS2_API_VERSION_STR \
  (VAR_ARG_STRING(RS2_API_MAJOR_VERSION.RS2_API_MINOR_VERSION.RS2_API_PATCH_VERSION))

int rs2_get_api_version(rs2_error** error);
float rs2_depth_frame_get_units(const rs2_frame* frame, rs2_error** error);
rs2_time_t rs2_get_time(rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
