/* rs2sim: pipeline configuration (C API subset). */

#ifndef LIBREALSENSE_RS2_CONFIG_H
#define LIBREALSENSE_RS2_CONFIG_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_sensor.h"
#include "rs_types.h"

rs2_config* rs2_create_config(rs2_error** error);
void rs2_delete_config(rs2_config* config);
void rs2_config_enable_stream(rs2_config* config, rs2_stream stream, int index, int width,
                              int height, rs2_format format, int framerate, rs2_error** error);
void rs2_config_enable_device(rs2_config* config, const char* serial, rs2_error** error);
void rs2_config_enable_device_from_file(rs2_config* config, const char* file, rs2_error** error);
void rs2_config_enable_device_from_file_repeat_option(rs2_config* config, const char* file,
                                                      int repeat_playback, rs2_error** error);
void rs2_config_enable_record_to_file(rs2_config* config, const char* file, rs2_error** error);
rs2_pipeline_profile* rs2_config_resolve(rs2_config* config, rs2_pipeline* pipe, rs2_error** error);
int rs2_config_can_resolve(rs2_config* config, rs2_pipeline* pipe, rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
