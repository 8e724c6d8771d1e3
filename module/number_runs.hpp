// A set of frame numbers of one stream, kept as runs of consecutive numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vs_realsense2 {

// The framesets a full queue drops one after another carry consecutive
// numbers, so a handler stuck for minutes costs one run, not an entry per
// frame. Past kMaxRuns runs (numbers that jump about, which no camera sends)
// new numbers widen the last run instead: the set may then hold numbers
// that never came, and counts drawn from it are approximate.
class NumberRuns {
 public:
  static constexpr std::size_t kMaxRuns = 64;

  // The last number added again (the syncer's repeat) is not added twice.
  void Add(unsigned long long number);
  void Add(const NumberRuns& other);
  // How many numbers lie strictly between `low` and `high`.
  [[nodiscard]] std::uint64_t CountBetween(unsigned long long low, unsigned long long high) const;
  [[nodiscard]] std::uint64_t Count() const;
  [[nodiscard]] bool Empty() const { return runs_.empty(); }
  void Clear() { runs_.clear(); }

 private:
  struct Run {
    unsigned long long first;
    unsigned long long last;
  };
  void AddRun(Run run);

  std::vector<Run> runs_;
};

}  // namespace vs_realsense2
