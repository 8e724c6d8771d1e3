#include "restart_policy.hpp"

#include <algorithm>

namespace vs_realsense2 {
namespace {
constexpr std::int64_t kFirstDelayMs = 500;
// Looks per silence interval: silence is reported at most a quarter late.
constexpr std::int64_t kLooksPerInterval = 4;
constexpr std::int64_t kWatchdogMinMs = 100;
constexpr std::int64_t kFrameIntervalsPerWatchdog = 3;

// `base` doubled `doublings` times, capped at kLongestRestartDelayMs. base << 6 already
// exceeds the cap for every base of 500 ms or more; the shift never overflows.
std::int64_t Doubled(std::int64_t base, int doublings) {
  return std::min(base << std::clamp(doublings, 0, 6), std::max(base, kLongestRestartDelayMs));
}
}  // namespace

std::int64_t BackoffMs(int failures) {
  return Doubled(kFirstDelayMs, failures - 1);
}

std::int64_t WatchdogFloorMs(int fps) {
  if (fps <= 0)
    return kWatchdogMinMs;
  // Rounded up: a floor just below three intervals could still fire.
  const std::int64_t intervals = (kFrameIntervalsPerWatchdog * 1000 + fps - 1) / fps;
  return std::max(kWatchdogMinMs, intervals);
}

RestartPolicy::RestartPolicy(std::int64_t watchdogMs) : watchdogMs_(watchdogMs) {}

void RestartPolicy::BuildBegan(std::int64_t nowMs) {
  lastBuildMs_ = nowMs;
  built_ = true;
}

void RestartPolicy::SessionStarted(std::int64_t nowMs) {
  sessionStartedMs_ = nowMs;
  lastPacketsMs_ = nowMs;
  sawPackets_ = false;
  tries_ = 0;
}

void RestartPolicy::PacketsSeen(std::int64_t nowMs) {
  if (!sawPackets_)
    firstPacketsMs_ = nowMs;
  lastPacketsMs_ = nowMs;
  sawPackets_ = true;
}

std::int64_t RestartPolicy::SilenceLimitMs() const {
  return sawPackets_ ? watchdogMs_ : std::max(kFirstPacketsMinMs, 2 * watchdogMs_);
}

bool RestartPolicy::Silent(std::int64_t nowMs) const {
  return nowMs - lastPacketsMs_ >= SilenceLimitMs();
}

// Also while the first packets are awaited: the first look that finds some
// switches to the shorter limit.
std::int64_t RestartPolicy::LookIntervalMs() const {
  return std::max<std::int64_t>(1, watchdogMs_ / kLooksPerInterval);
}

std::int64_t RestartPolicy::RestartBegan(std::int64_t nowMs) {
  restartBeganMs_ = nowMs;
  tries_ = 0;
  if (sawPackets_ && lastPacketsMs_ - firstPacketsMs_ >= kSteadyMs) {
    streak_ = 0;
    return 0;
  }
  ++streak_;
  return std::max<std::int64_t>(0, EarliestBuildMs() - nowMs);
}

std::int64_t RestartPolicy::TryFailed(std::int64_t nowMs, bool built) {
  const std::int64_t backoff = BackoffMs(tries_);
  return built ? std::max(backoff, EarliestBuildMs() - nowMs) : backoff;
}

std::int64_t RestartPolicy::BuildGapMs() const {
  if (streak_ == 0)
    return 0;
  return Doubled(std::max(kMinBuildGapMs, watchdogMs_), streak_ - 1);
}

std::int64_t RestartPolicy::EarliestBuildMs() const {
  return built_ ? lastBuildMs_ + BuildGapMs() : 0;
}

}  // namespace vs_realsense2
