// The module alone in this process, as a server loads it: simulated cameras
// of mixed modes and one playback, a handler that drops or keeps packets,
// and this process sampled while they run.
#pragma once

#include <ostream>
#include <string>

#include "sampling_loop.hpp"

namespace long_run {

struct ModuleRunSettings {
  LoopSettings loop;
  int cameras = 4;            // live sources, beside the one playback
  int keepPackets = 0;        // packets the handler holds per source (0: drops each at once)
  double replugEvery = 60;    // seconds between unplugging one camera; 0: never
  double replugAbsence = 5;   // seconds the camera stays out
  std::string recordingPath;  // the playback file, written before the run
  // A camera more that records in rotating files within a budget, into this
  // folder (emptied first); empty: none.
  std::string seriesFolder;
  int splitSeconds = 10;
  int keepFiles = 3;
};

// Runs the sources for the run's length. Returns false when a source failed
// to start or the loop ended early because of that.
bool RunModule(const ModuleRunSettings& settings, std::ostream& out);

}  // namespace long_run
