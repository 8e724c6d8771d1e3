// The address keys of depth alignment, colour format and camera controls.
#pragma once

#include "utils/query_params.hpp"
#include "utils/source_config.hpp"

namespace vs_realsense2 {

// Reads align, c_format, json, preset, emitter, laser_power, depth_exposure, exposure,
// auto_exposure and gain into `config` (first pair of a key wins, keys case-sensitive). A value
// that cannot be used leaves its field as it was and adds one text to config.addressWarnings
// naming the key, the value and what is valid. json is percent-decoded once more, like the
// other paths.
void ReadControlParams(const utils::QueryParams& params, SourceConfig& config);

}  // namespace vs_realsense2
