// The camera controls an address asks for (advanced-mode JSON, visual preset, emitter, laser,
// exposures, gain): the library's preset names, and applying the controls to a camera before
// it streams.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <address/source_config.hpp>
#include <librealsense2/rs.hpp>

namespace vs_realsense2 {

// The depth sensor's visual preset the library names `name` (any letter case).
std::optional<rs2_rs400_visual_preset> FindPreset(const std::string& name);

// The library's visual preset names, in the library's order, for reading addresses.
[[nodiscard]] PresetNames LibraryPresetNames();

// Applies the controls of `config` to `device` in this order: json, preset, emitter,
// laser_power, depth_exposure, exposure (which first switches colour auto exposure off),
// auto_exposure, gain. Each applied control logs one Info line with its value; one the device
// lacks, a value outside the device's range, or one the library refuses logs one Warning and
// the rest go on. Throws nothing the library reports about a single control.
void ApplyControls(const rs2::device& device, const SourceConfig& config, const std::string& name);

}  // namespace vs_realsense2
