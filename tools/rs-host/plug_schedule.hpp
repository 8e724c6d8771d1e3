// --unplug and --replug: simulated cameras pulled out and plugged back in as
// the run goes on, so that an operator can watch the module find out and
// recover. Only a build on rs2sim has them (RS_HOST_WITH_SIM).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "options.hpp"

namespace rs_host {

// What one action did, or why it could not: a line for the operator.
struct PlugOutcome {
  bool done = false;
  std::string line;
};

// Main thread only.
class PlugSchedule {
 public:
  explicit PlugSchedule(std::vector<PlugAction> actions);

  // Carries out, in order, the actions due `elapsedSeconds` into the run.
  // The caller holds them back while a source is starting: a camera pulled
  // out then would only keep that start waiting, not show a recovery.
  std::vector<PlugOutcome> RunDue(double elapsedSeconds);

 private:
  std::vector<PlugAction> actions_;  // by time
  std::size_t next_ = 0;
};

}  // namespace rs_host
