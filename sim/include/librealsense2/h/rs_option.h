/* rs2sim: options (C API subset). */

#ifndef LIBREALSENSE_RS2_OPTION_H
#define LIBREALSENSE_RS2_OPTION_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_types.h"

typedef enum rs2_option {
  RS2_OPTION_BACKLIGHT_COMPENSATION,
  RS2_OPTION_BRIGHTNESS,
  RS2_OPTION_CONTRAST,
  RS2_OPTION_EXPOSURE,
  RS2_OPTION_GAIN,
  RS2_OPTION_GAMMA,
  RS2_OPTION_HUE,
  RS2_OPTION_SATURATION,
  RS2_OPTION_SHARPNESS,
  RS2_OPTION_WHITE_BALANCE,
  RS2_OPTION_ENABLE_AUTO_EXPOSURE,
  RS2_OPTION_ENABLE_AUTO_WHITE_BALANCE,
  RS2_OPTION_VISUAL_PRESET,
  RS2_OPTION_LASER_POWER,
  RS2_OPTION_ACCURACY,
  RS2_OPTION_MOTION_RANGE,
  RS2_OPTION_FILTER_OPTION,
  RS2_OPTION_CONFIDENCE_THRESHOLD,
  RS2_OPTION_EMITTER_ENABLED,
  RS2_OPTION_FRAMES_QUEUE_SIZE,
  RS2_OPTION_TOTAL_FRAME_DROPS,
  RS2_OPTION_AUTO_EXPOSURE_MODE,
  RS2_OPTION_POWER_LINE_FREQUENCY,
  RS2_OPTION_ASIC_TEMPERATURE,
  RS2_OPTION_ERROR_POLLING_ENABLED,
  RS2_OPTION_PROJECTOR_TEMPERATURE,
  RS2_OPTION_OUTPUT_TRIGGER_ENABLED,
  RS2_OPTION_MOTION_MODULE_TEMPERATURE,
  RS2_OPTION_DEPTH_UNITS,
  RS2_OPTION_ENABLE_MOTION_CORRECTION,
  RS2_OPTION_AUTO_EXPOSURE_PRIORITY
} rs2_option;
const char* rs2_option_to_string(rs2_option option);

typedef enum rs2_rs400_visual_preset {
  RS2_RS400_VISUAL_PRESET_CUSTOM,
  RS2_RS400_VISUAL_PRESET_DEFAULT,
  RS2_RS400_VISUAL_PRESET_HAND,
  RS2_RS400_VISUAL_PRESET_HIGH_ACCURACY,
  RS2_RS400_VISUAL_PRESET_HIGH_DENSITY,
  RS2_RS400_VISUAL_PRESET_MEDIUM_DENSITY,
  RS2_RS400_VISUAL_PRESET_REMOVE_IR_PATTERN,
  RS2_RS400_VISUAL_PRESET_COUNT
} rs2_rs400_visual_preset;
const char* rs2_rs400_visual_preset_to_string(rs2_rs400_visual_preset preset);

float rs2_get_option(const rs2_options* options, rs2_option option, rs2_error** error);
void rs2_set_option(const rs2_options* options, rs2_option option, float value, rs2_error** error);
int rs2_supports_option(const rs2_options* options, rs2_option option, rs2_error** error);
int rs2_is_option_read_only(const rs2_options* options, rs2_option option, rs2_error** error);
void rs2_get_option_range(const rs2_options* sensor, rs2_option option, float* min, float* max,
                          float* step, float* def, rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
