// The fixed configuration of one RealSense source, read from its address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vs_realsense2 {

// Pixel layout of live colour frames.
enum class ColorFormat { Rgb8, Bgr8 };

// The visual preset names the camera library knows, which `preset=` is checked against.
using PresetNames = std::vector<std::string>;

// Zero sizes and rates leave the choice to the camera library; empty paths
// mean "no recording" and "live camera".
struct SourceConfig {
  std::string sn;
  std::int32_t c_width = 0;
  std::int32_t c_height = 0;
  std::int32_t c_fps = 0;
  std::int32_t d_width = 0;
  std::int32_t d_height = 0;
  std::int32_t d_fps = 0;
  std::string record_to_file;
  std::string playback_from_file;
  // Frame silence, in ms, after which a started source rebuilds its session;
  // 0 switches recovery off. A value that cannot be read keeps the default
  // rather than turning recovery off.
  std::int32_t watchdog_ms = 2000;
  // Seconds between two health lines of the source; 0 writes none and counts nothing.
  std::int32_t stats_s = 60;

  // What the address asked that cannot be honoured as written (unknown keys,
  // numbers that are no numbers...), one text each. Parsing never fails on
  // them; the source logs each once when it is created.
  std::vector<std::string> addressWarnings;

  // Depth aligned to the colour image ("align=color") and the live colour layout.
  bool align = false;
  ColorFormat c_format = ColorFormat::Rgb8;

  // Camera controls, applied at each start of a live camera. Empty or unset means "leave as
  // the camera has it". `preset` is the name as written (an unknown one was warned about).
  std::string json{};  // advanced-mode settings file
  std::string preset{};
  std::optional<float> emitter{};
  std::optional<float> laser_power{};
  std::optional<float> depth_exposure{};
  std::optional<float> exposure{};  // colour, microseconds
  std::optional<float> auto_exposure{};
  std::optional<float> gain{};

  // Depth post-processing, run by the reader before the alignment; unset means "off" (and, for
  // a threshold bound, "cuts nothing"). Each value is checked against its block's own range at
  // start. The alphas and deltas apply only with their filter on.
  std::optional<float> decimate{};   // magnitude
  std::optional<float> min_depth{};  // metres
  std::optional<float> max_depth{};  // metres
  std::optional<float> spatial{};    // 1: on
  std::optional<float> spatial_alpha{};
  std::optional<float> spatial_delta{};
  std::optional<float> temporal{};  // 1: on
  std::optional<float> temporal_alpha{};
  std::optional<float> temporal_delta{};
  std::optional<float> hole_fill{};  // mode
  // °C above which the depth sensor's ASIC or projector temperature is
  // warned about; 0 switches the warning off.
  std::int32_t temp_warn_c = 0;
  // The recovery ladder: a hardware reset after this many failed restart
  // tries in a row (0: never), at most one per reset_min_s seconds, and one
  // before the first start with reset_on_start. Without `sn` the ladder is
  // off: after a reset another camera could answer to "any".
  std::int32_t reset_after = 3;
  std::int32_t reset_min_s = 600;
  bool reset_on_start = false;
  // Rotation of the recording: a new file every `record_split_s` seconds or when the file
  // reaches `record_split_mb` MB, whichever comes first; 0 is off. The budget of the rotated
  // series: at most `record_keep_mb` MB and `record_keep_files` files; 0 is no limit. Below
  // `record_min_free_mb` MB free the recording pauses; 0 never pauses for space.
  std::int32_t record_split_s = 0;
  std::int32_t record_split_mb = 0;
  std::int32_t record_keep_mb = 0;
  std::int32_t record_keep_files = 0;
  std::int32_t record_min_free_mb = 1024;

  // True when the address asks for at least one camera control.
  [[nodiscard]] bool HasControls() const;
  // True when the address asks for at least one depth filter.
  [[nodiscard]] bool HasDepthFilters() const;
  // True when a recording is split into a series of files.
  [[nodiscard]] bool Rotates() const { return record_split_s > 0 || record_split_mb > 0; }
};

// Reads the query of a source address (authority and path are not looked at) by the key
// table of address_keys.hpp. Keys are case-sensitive and the first pair of a key wins. What
// the address asked that is not honoured as written (unknown or repeated keys, values that
// cannot be used, a scheme other than "realsense", a preset not in `presets`) goes to
// addressWarnings. Throws utils::UrlParserError when `url` is not a valid URI.
[[nodiscard]] SourceConfig ReadSourceConfig(const std::string& url, const PresetNames& presets);

}  // namespace vs_realsense2
