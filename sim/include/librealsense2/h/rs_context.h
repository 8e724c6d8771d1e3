/* rs2sim: context (C API subset). */

#ifndef LIBREALSENSE_RS2_CONTEXT_H
#define LIBREALSENSE_RS2_CONTEXT_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_types.h"

rs2_context* rs2_create_context(int api_version, rs2_error** error);
void rs2_delete_context(rs2_context* context);
rs2_device_list* rs2_query_devices(const rs2_context* context, rs2_error** error);
void rs2_set_devices_changed_callback_cpp(rs2_context* context,
                                          rs2_devices_changed_callback* callback,
                                          rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
