// How long the depth chain took per frameset, gathered on the reader and summed up for the
// health line.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace vs_realsense2 {

// A histogram of times with eight buckets per doubling (within about 6 %), exact below 16 µs,
// and the exact maximum. The reader adds, the health report takes and clears; both only touch
// relaxed atomics, so no lock joins the frame path and a time added while the report takes
// counts in this interval or the next, never twice.
class ChainTimes {
 public:
  struct Summary {
    std::uint64_t count = 0;
    double medianMs = 0.0;  // the middle time's bucket, at its centre
    double maxMs = 0.0;
  };

  // Reader thread.
  void Add(std::int64_t nanoseconds) noexcept;
  // Health report: the times since the last call.
  [[nodiscard]] Summary Take() noexcept;

 private:
  static constexpr int kBuckets = 256;
  std::array<std::atomic<std::uint32_t>, kBuckets> counts_{};
  std::atomic<std::int64_t> maxNs_{0};
};

}  // namespace vs_realsense2
