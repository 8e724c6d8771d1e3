// Percentiles of a stream of values in fixed memory, however long the run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace rs_host {

// A log-linear histogram of values in milliseconds, kept in whole
// microseconds: magnitudes below 128 µs have a bucket each, larger ones 128
// buckets per power of two. A percentile is the middle of the bucket that
// holds the nearest-rank value, so it is off that value by at most
// kRelativeError of it plus half of kResolutionMs (the rounding to whole
// microseconds). Values beyond about 4.7 hours
// in either direction count in the outermost bucket. 56 KiB, allocated
// once.
class QuantileHistogram {
 public:
  static constexpr double kResolutionMs = 0.001;
  static constexpr double kRelativeError = 1.0 / 256;  // half a bucket's width: 0.4 %

  void Add(double valueMs);
  [[nodiscard]] std::uint64_t Count() const { return count_; }
  // Nearest-rank percentile (p in 0..100), as described above; empty when no
  // value was added.
  [[nodiscard]] std::optional<double> Percentile(double p) const;

 private:
  static constexpr int kSubBuckets = 128;
  static constexpr int kMaxShift = 26;  // magnitudes below 2^34 µs
  static constexpr int kBuckets = kSubBuckets * (kMaxShift + 2);

  static int Index(std::uint64_t magnitudeUs);
  // Middle of a bucket, in microseconds.
  static double Middle(int index);

  std::array<std::uint64_t, kBuckets> negative_{};  // magnitudes of values below zero
  std::array<std::uint64_t, kBuckets> positive_{};  // zero and above
  std::uint64_t count_ = 0;
};

}  // namespace rs_host
