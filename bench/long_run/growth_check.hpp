// Whether resident memory, threads and descriptors stayed flat after the
// warm-up: the verdict of a long run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "samples.hpp"

namespace long_run {

// How much each figure may grow after the warm-up.
struct Allowance {
  std::int64_t rssKiB = 1024;
  std::int64_t threads = 0;
  std::int64_t fds = 0;
};

struct Verdict {
  std::string figure;   // "RSS KiB", "threads", "fds", "packets"
  double baseline = 0;  // median of the first third after the warm-up
  double end = 0;       // median of the last third
  double peak = 0;      // largest sample after the warm-up
  double growth = 0;    // end - baseline
  double allowed = 0;   // the allowance
  bool ok = false;
  std::string note;  // why it failed, for the report
};

// Samples after `warmupSeconds` are split in thirds; a figure passes when the
// median of the last third exceeds that of the first by at most its
// allowance. Medians, not single samples, so that a restart caught in the
// middle (a thread and descriptors more for a moment) is no growth. Also
// fails when fewer than 6 samples follow the warm-up, or when the packets
// did not grow between two samples (the sources stalled).
std::vector<Verdict> CheckGrowth(const std::vector<Sample>& samples, double warmupSeconds,
                                 const Allowance& allowance);

bool AllOk(const std::vector<Verdict>& verdicts);

// One line per figure: baseline, end, peak, growth, allowance, PASS/FAIL.
std::string VerdictTable(const std::vector<Verdict>& verdicts);

}  // namespace long_run
