// The processing blocks rs2sim offers: align (align.cpp) and the depth filters
// (depth_filters.cpp). Each factory returns a new block that its caller owns.

#ifndef RS2SIM_SRC_ENGINE_BLOCKS_HPP
#define RS2SIM_SRC_ENGINE_BLOCKS_HPP

#include <librealsense2/rs.h>

#include <memory>

#include "processing.hpp"

namespace rs2sim {

std::unique_ptr<rs2_processing_block> MakeAlign(rs2_stream alignTo);
std::unique_ptr<rs2_processing_block> MakeDecimation();
std::unique_ptr<rs2_processing_block> MakeThreshold();
std::unique_ptr<rs2_processing_block> MakeDisparityTransform(bool toDisparity);
std::unique_ptr<rs2_processing_block> MakeSpatial();
std::unique_ptr<rs2_processing_block> MakeTemporal();
std::unique_ptr<rs2_processing_block> MakeHoleFilling();

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_BLOCKS_HPP
