#include "schedule.hpp"

namespace rs_make_recording {
namespace {

bool Dropped(const RecordingPlan& plan, int index) {
  for (const Hole& hole : plan.holes) {
    if (index >= hole.after && index < hole.after + hole.count)
      return true;
  }
  return false;
}

double SilenceBeforeMs(const RecordingPlan& plan, int index) {
  double ms = 0;
  for (const Silence& silence : plan.silences) {
    if (index >= silence.after)
      ms += silence.ms;
  }
  return ms;
}

}  // namespace

std::vector<ScheduledFrameset> Schedule(const RecordingPlan& plan) {
  std::vector<ScheduledFrameset> sent;
  const double periodMs = 1000.0 / plan.fps;
  for (int i = 0; i < plan.framesets; ++i) {
    if (Dropped(plan, i))
      continue;
    const double offsetMs = i * periodMs + SilenceBeforeMs(plan, i);
    sent.push_back({static_cast<std::uint64_t>(i) + 1, plan.firstTimestampMs + offsetMs, offsetMs});
  }
  return sent;
}

}  // namespace rs_make_recording
