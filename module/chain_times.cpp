#include "chain_times.hpp"

#include <algorithm>

namespace vs_realsense2 {
namespace {

constexpr int kExact = 16;  // microseconds below this have a bucket each
constexpr int kPerDoubling = 8;

int HighestBit(std::uint64_t value) {
  int bit = 0;
  while (value >>= 1)
    ++bit;
  return bit;
}

int BucketOf(std::uint64_t micros, int buckets) {
  if (micros < kExact)
    return static_cast<int>(micros);
  const int high = HighestBit(micros);  // 4 or more
  const int sub = static_cast<int>((micros >> (high - 3)) & (kPerDoubling - 1));
  return std::min(kExact + (high - 4) * kPerDoubling + sub, buckets - 1);
}

// The centre of a bucket, in microseconds.
double CentreOf(int bucket) {
  if (bucket < kExact)
    return bucket + 0.5;
  const int high = 4 + (bucket - kExact) / kPerDoubling;
  const int sub = (bucket - kExact) % kPerDoubling;
  const double width = static_cast<double>(std::uint64_t{1} << (high - 3));
  return (kPerDoubling + sub) * width + width / 2;
}

}  // namespace

void ChainTimes::Add(std::int64_t nanoseconds) noexcept {
  const std::int64_t ns = std::max<std::int64_t>(nanoseconds, 0);
  counts_[static_cast<std::size_t>(BucketOf(static_cast<std::uint64_t>(ns) / 1000, kBuckets))]
      .fetch_add(1, std::memory_order_relaxed);
  std::int64_t max = maxNs_.load(std::memory_order_relaxed);
  while (ns > max && !maxNs_.compare_exchange_weak(max, ns, std::memory_order_relaxed)) {
  }
}

ChainTimes::Summary ChainTimes::Take() noexcept {
  std::array<std::uint32_t, kBuckets> counts{};
  Summary summary;
  for (int i = 0; i < kBuckets; ++i) {
    counts[static_cast<std::size_t>(i)] =
        counts_[static_cast<std::size_t>(i)].exchange(0, std::memory_order_relaxed);
    summary.count += counts[static_cast<std::size_t>(i)];
  }
  summary.maxMs = static_cast<double>(maxNs_.exchange(0, std::memory_order_relaxed)) / 1e6;
  if (summary.count == 0)
    return summary;
  // The lower middle of an even count, as a median of whole samples.
  const std::uint64_t middle = (summary.count + 1) / 2;
  std::uint64_t seen = 0;
  for (int i = 0; i < kBuckets; ++i) {
    seen += counts[static_cast<std::size_t>(i)];
    if (seen >= middle) {
      // A bucket's centre may lie above every time in it.
      summary.medianMs = std::min(CentreOf(i) / 1000.0, summary.maxMs);
      break;
    }
  }
  return summary;
}

}  // namespace vs_realsense2
