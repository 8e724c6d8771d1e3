/* rs2sim: recording and playback run through the pipeline configuration only; the record and
   playback device interfaces are not simulated. The header exists because rs.h includes it. */

#ifndef LIBREALSENSE_RS2_RECORD_PLAYBACK_H
#define LIBREALSENSE_RS2_RECORD_PLAYBACK_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_types.h"

#ifdef __cplusplus
}
#endif
#endif
