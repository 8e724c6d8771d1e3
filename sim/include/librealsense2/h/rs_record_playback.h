/* rs2sim: recording and playback are configured through the pipeline only; of the record device
   interface, the pipeline's record device can be paused and resumed and names its file. */

#ifndef LIBREALSENSE_RS2_RECORD_PLAYBACK_H
#define LIBREALSENSE_RS2_RECORD_PLAYBACK_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_types.h"

void rs2_record_device_pause(const rs2_device* device, rs2_error** error);
void rs2_record_device_resume(const rs2_device* device, rs2_error** error);
const char* rs2_record_device_filename(const rs2_device* device, rs2_error** error);

#ifdef __cplusplus
}
#endif
#endif
