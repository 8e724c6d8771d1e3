#include "number_runs.hpp"

#include <algorithm>

namespace vs_realsense2 {

void NumberRuns::Add(unsigned long long number) {
  AddRun({number, number});
}

void NumberRuns::Add(const NumberRuns& other) {
  for (const Run& run : other.runs_)
    AddRun(run);
}

void NumberRuns::AddRun(Run run) {
  if (!runs_.empty()) {
    Run& back = runs_.back();
    if (run.first >= back.first && run.first <= back.last + 1) {
      back.last = std::max(back.last, run.last);
      return;
    }
    if (runs_.size() >= kMaxRuns) {
      back.first = std::min(back.first, run.first);
      back.last = std::max(back.last, run.last);
      return;
    }
  }
  runs_.push_back(run);
}

std::uint64_t NumberRuns::CountBetween(unsigned long long low, unsigned long long high) const {
  std::uint64_t count = 0;
  for (const Run& run : runs_) {
    if (high <= low + 1 || run.last <= low || run.first >= high)
      continue;
    count += std::min(run.last, high - 1) - std::max(run.first, low + 1) + 1;
  }
  return count;
}

std::uint64_t NumberRuns::Count() const {
  std::uint64_t count = 0;
  for (const Run& run : runs_)
    count += run.last - run.first + 1;
  return count;
}

}  // namespace vs_realsense2
