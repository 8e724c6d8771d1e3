/* rs2sim: advanced mode of D400 devices (C API subset: switching it and loading JSON). */

#ifndef RS400_ADVANCED_MODE_H
#define RS400_ADVANCED_MODE_H

#include "h/rs_types.h"

#ifdef __cplusplus
extern "C" {
#endif

void rs2_toggle_advanced_mode(rs2_device* dev, int enable, rs2_error** error);
void rs2_is_enabled(rs2_device* dev, int* enabled, rs2_error** error);
void rs2_load_json(rs2_device* dev, const void* json_content, unsigned content_size,
                   rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
