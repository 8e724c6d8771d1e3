// The part of a long run that both kinds share: a sample every interval,
// printed as a table line and appended to the CSV file, until the time is up
// or SIGINT/SIGTERM asks to stop.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

#include "samples.hpp"

namespace long_run {

struct LoopSettings {
  double seconds = 120;  // length of the run
  double interval = 5;   // between samples
  std::string csvPath;
};

// `sample` fills in a sample (empty: the process is gone, which ends the
// loop); `tick` runs about every 100 ms in between. Returns false when the
// loop ended because the process was gone.
bool RunSamplingLoop(const LoopSettings& settings, std::ostream& out,
                     const std::function<std::optional<Sample>()>& sample,
                     const std::function<void(std::chrono::steady_clock::time_point)>& tick);

// Installed for the length of a run: SIGINT and SIGTERM end the loop early
// (the verdict still comes).
class StopRequest {
 public:
  StopRequest();
  ~StopRequest();
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;
  static bool Requested();
};

}  // namespace long_run
