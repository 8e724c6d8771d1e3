#include "quantile_histogram.hpp"

#include <algorithm>
#include <cmath>

namespace rs_host {

int QuantileHistogram::Index(std::uint64_t magnitudeUs) {
  constexpr std::uint64_t kLargest = (std::uint64_t{1} << (kMaxShift + 8)) - 1;
  const std::uint64_t m = std::min(magnitudeUs, kLargest);
  if (m < kSubBuckets)
    return static_cast<int>(m);
  // The shift that brings m into [128, 256): its bit width minus 8.
  int shift = 0;
  while ((m >> shift) >= 2 * kSubBuckets)
    ++shift;
  return kSubBuckets * shift + static_cast<int>(m >> shift);
}

double QuantileHistogram::Middle(int index) {
  if (index < 2 * kSubBuckets)
    return index;
  const int shift = index / kSubBuckets - 1;
  const auto lower =
      static_cast<double>(static_cast<std::uint64_t>(index % kSubBuckets + kSubBuckets) << shift);
  const auto width = static_cast<double>(std::uint64_t{1} << shift);
  return lower + (width - 1) / 2;
}

void QuantileHistogram::Add(double valueMs) {
  if (std::isnan(valueMs))
    return;
  // Clamped first, so that the conversion to an integer is defined.
  constexpr double kLimitUs = 1e15;
  const double us = std::clamp(std::round(valueMs * 1000.0), -kLimitUs, kLimitUs);
  if (us < 0)
    ++negative_[static_cast<std::size_t>(Index(static_cast<std::uint64_t>(-us)))];
  else
    ++positive_[static_cast<std::size_t>(Index(static_cast<std::uint64_t>(us)))];
  ++count_;
}

std::optional<double> QuantileHistogram::Percentile(double p) const {
  if (count_ == 0)
    return std::nullopt;
  const double clamped = std::clamp(p, 0.0, 100.0);
  auto rank = static_cast<std::uint64_t>(std::ceil(clamped / 100.0 * static_cast<double>(count_)));
  rank = std::clamp<std::uint64_t>(rank, 1, count_);
  std::uint64_t seen = 0;
  // Most negative first, then upwards from zero.
  for (int i = kBuckets - 1; i >= 0; --i) {
    seen += negative_[static_cast<std::size_t>(i)];
    if (seen >= rank)
      return -Middle(i) / 1000.0;
  }
  for (int i = 0; i < kBuckets; ++i) {
    seen += positive_[static_cast<std::size_t>(i)];
    if (seen >= rank)
      return Middle(i) / 1000.0;
  }
  return std::nullopt;  // not reached: the buckets hold count_ values
}

}  // namespace rs_host
