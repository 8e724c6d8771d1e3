// The fixed configuration of one RealSense source, read from its address.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vs_realsense2 {

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
  // Frame silence after which a running source is restarted; 0 never restarts.
  std::int32_t watchdog_ms = 2000;
  // Seconds between two health lines of the source; 0 writes none and counts nothing.
  std::int32_t stats_s = 60;

  // What the address asked that cannot be honoured as written (unknown keys,
  // numbers that are no numbers...), one text each. Parsing never fails on
  // them; the source logs each once when it is created.
  std::vector<std::string> addressWarnings;
};

// Reads the query of a source address (authority and path are not looked
// at). Keys are case-sensitive and the first pair of a key wins; sizes and
// rates that are missing, malformed, out of range or negative become 0, the
// two intervals their defaults; the two file paths are percent-decoded once
// more than the other values. What the address asked that is not honoured as
// written (unknown keys, such numbers, a scheme other than "realsense") goes
// to addressWarnings. Throws utils::UrlParserError when `url` is not a valid
// URI.
SourceConfig ReadSourceConfig(const std::string& url);

}  // namespace vs_realsense2
