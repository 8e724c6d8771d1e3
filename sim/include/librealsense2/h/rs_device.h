/* rs2sim: devices (C API subset). */

#ifndef LIBREALSENSE_RS2_DEVICE_H
#define LIBREALSENSE_RS2_DEVICE_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_sensor.h"
#include "rs_types.h"

int rs2_get_device_count(const rs2_device_list* info_list, rs2_error** error);
void rs2_delete_device_list(rs2_device_list* info_list);
int rs2_device_list_contains(const rs2_device_list* info_list, const rs2_device* device,
                             rs2_error** error);
rs2_device* rs2_create_device(const rs2_device_list* info_list, int index, rs2_error** error);
void rs2_delete_device(rs2_device* device);
const char* rs2_get_device_info(const rs2_device* device, rs2_camera_info info, rs2_error** error);
int rs2_supports_device_info(const rs2_device* device, rs2_camera_info info, rs2_error** error);
int rs2_is_device_extendable_to(const rs2_device* device, rs2_extension extension,
                                rs2_error** error);
rs2_sensor_list* rs2_query_sensors(const rs2_device* device, rs2_error** error);
void rs2_hardware_reset(const rs2_device* device, rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
