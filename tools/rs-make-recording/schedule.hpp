// When each frameset of a recording is sent, with which number and time.
#pragma once

#include <cstdint>
#include <vector>

#include "recording_plan.hpp"

namespace rs_make_recording {

struct ScheduledFrameset {
  std::uint64_t number = 0;  // from 1, dropped ones counted
  double timestampMs = 0;
  double sendAtMs = 0;  // after the recording began
};

// The framesets that are sent, in order: holes left out, silences added.
std::vector<ScheduledFrameset> Schedule(const RecordingPlan& plan);

}  // namespace rs_make_recording
