/* rs2sim: processing blocks and frame queues (C API subset: the align block, the depth
   post-processing filters, and what their C++ classes and rs2::frame_queue call). */

#ifndef LIBREALSENSE_RS2_PROCESSING_H
#define LIBREALSENSE_RS2_PROCESSING_H

#ifdef __cplusplus
extern "C" {
#endif

#include "rs_option.h"
#include "rs_sensor.h"
#include "rs_types.h"

rs2_processing_block* rs2_create_align(rs2_stream align_to, rs2_error** error);
rs2_processing_block* rs2_create_threshold(rs2_error** error);
rs2_processing_block* rs2_create_decimation_filter_block(rs2_error** error);
rs2_processing_block* rs2_create_temporal_filter_block(rs2_error** error);
rs2_processing_block* rs2_create_spatial_filter_block(rs2_error** error);
rs2_processing_block* rs2_create_disparity_transform_block(unsigned char transform_to_disparity,
                                                           rs2_error** error);
rs2_processing_block* rs2_create_hole_filling_filter_block(rs2_error** error);
int rs2_is_processing_block_extendable_to(const rs2_processing_block* block,
                                          rs2_extension extension_type, rs2_error** error);
void rs2_start_processing(rs2_processing_block* block, rs2_frame_callback* on_frame,
                          rs2_error** error);
void rs2_start_processing_queue(rs2_processing_block* block, rs2_frame_queue* queue,
                                rs2_error** error);
void rs2_process_frame(rs2_processing_block* block, rs2_frame* frame, rs2_error** error);
void rs2_delete_processing_block(rs2_processing_block* block);

rs2_frame_queue* rs2_create_frame_queue(int capacity, rs2_error** error);
void rs2_delete_frame_queue(rs2_frame_queue* queue);
rs2_frame* rs2_wait_for_frame(rs2_frame_queue* queue, unsigned int timeout_ms, rs2_error** error);
int rs2_poll_for_frame(rs2_frame_queue* queue, rs2_frame** output_frame, rs2_error** error);
int rs2_try_wait_for_frame(rs2_frame_queue* queue, unsigned int timeout_ms,
                           rs2_frame** output_frame, rs2_error** error);
void rs2_enqueue_frame(rs2_frame* frame, void* queue);

#ifdef __cplusplus
}
#endif
#endif
