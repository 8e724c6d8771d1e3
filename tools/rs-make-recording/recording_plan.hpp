// What one synthetic recording holds: streams, timing and the gaps a test
// needs, read from a command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <librealsense2/rs.h>

namespace rs_make_recording {

struct VideoStream {
  rs2_format format = RS2_FORMAT_ANY;  // RS2_FORMAT_ANY: the stream is not recorded
  int width = 640;
  int height = 480;
};

// `count` framesets from frameset `after` on (0-based) are never sent, but
// their frame numbers and timestamps pass: a camera that dropped them.
struct Hole {
  int after = 0;
  int count = 0;
};

// After frameset `after`, nothing is sent for `ms` milliseconds of wall-clock
// time; the timestamps move on by as much: a camera that stalled.
struct Silence {
  int after = 0;
  int ms = 0;
};

struct RecordingPlan {
  std::string path;
  VideoStream color{RS2_FORMAT_RGB8, 640, 480};
  VideoStream depth{RS2_FORMAT_Z16, 640, 480};
  int fps = 30;
  int framesets = 30;
  rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK;
  double firstTimestampMs = 1000;
  std::string serial = "recorded-1";
  std::vector<Hole> holes;
  std::vector<Silence> silences;
  // The largest file this process may write (RLIMIT_FSIZE, with SIGXFSZ
  // ignored so that a write beyond it fails as on a full disk); 0: none.
  std::uint64_t fileSizeLimit = 0;
};

// Parses `args` (without the program name). Returns the plan, or nullopt
// after writing the help text or the usage error to `message`; `exitCode`
// is then 0 for help and 2 for a usage error.
std::optional<RecordingPlan> ParsePlan(const std::vector<std::string>& args, std::string& message,
                                       int& exitCode);

}  // namespace rs_make_recording
