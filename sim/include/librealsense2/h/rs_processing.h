/* rs2sim: processing blocks are not simulated; the header exists because rs.h includes it. */

#ifndef LIBREALSENSE_RS2_PROCESSING_H
#define LIBREALSENSE_RS2_PROCESSING_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_option.h"
#include "rs_sensor.h"
#include "rs_types.h"

#ifdef __cplusplus
}
#endif
#endif
