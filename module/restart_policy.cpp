#include "restart_policy.hpp"

#include <algorithm>

namespace vs_realsense2 {
namespace {
constexpr std::int64_t kFirstDelayMs = 500;
constexpr std::int64_t kMaxDelayMs = 30000;
// Looks per silence interval: silence is reported at most a quarter late.
constexpr std::int64_t kLooksPerInterval = 4;
}  // namespace

std::int64_t BackoffMs(int failures) {
  // 500 << 6 already exceeds the cap; the shift never overflows.
  const int doublings = std::clamp(failures - 1, 0, 6);
  return std::min(kFirstDelayMs << doublings, kMaxDelayMs);
}

RestartPolicy::RestartPolicy(std::int64_t watchdogMs) : watchdogMs_(watchdogMs) {}

void RestartPolicy::SessionStarted(std::int64_t nowMs) {
  sessionStartedMs_ = nowMs;
  lastFramesMs_ = nowMs;
  sawFrames_ = false;
  tries_ = 0;
}

void RestartPolicy::FramesSeen(std::int64_t nowMs) {
  lastFramesMs_ = nowMs;
  sawFrames_ = true;
}

std::int64_t RestartPolicy::SilenceLimitMs() const {
  return sawFrames_ ? watchdogMs_ : std::max(kFirstFramesMinMs, 2 * watchdogMs_);
}

bool RestartPolicy::Silent(std::int64_t nowMs) const {
  return nowMs - lastFramesMs_ >= SilenceLimitMs();
}

// Also while the first frames are awaited: the first look that finds frames
// switches to the shorter limit.
std::int64_t RestartPolicy::LookIntervalMs() const {
  return std::max<std::int64_t>(1, watchdogMs_ / kLooksPerInterval);
}

std::int64_t RestartPolicy::RestartBegan(std::int64_t nowMs, bool readerEnded) {
  restartBeganMs_ = nowMs;
  tries_ = 0;
  // A lost camera is not the session's fault: the failed tries back off.
  if (nowMs - sessionStartedMs_ >= kStableMs || (!readerEnded && sawFrames_))
    streak_ = 0;
  ++streak_;
  return streak_ == 1 ? 0 : BackoffMs(streak_ - 1);
}

std::int64_t RestartPolicy::TryFailed() {
  return BackoffMs(tries_);
}

}  // namespace vs_realsense2
