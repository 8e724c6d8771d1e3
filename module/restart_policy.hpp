// When a supervised source counts as silent, and how long it waits before
// each try to bring it back.
#pragma once

#include <cstdint>

namespace vs_realsense2 {

// Delay after `failures` failed tries in a row: 0.5 s doubling, capped at
// 30 s, so a camera that is gone for hours costs one try every 30 s.
std::int64_t BackoffMs(int failures);

// Pure bookkeeping over times the caller passes in (monotonic ms), so that
// tests step time instead of waiting. Not thread-safe: the supervisor's
// thread owns it.
//
// Silence: frames are noticed by looking (the library's thread only raises a
// flag), so a look that finds the flag raised counts as a frame at the time
// of the look. Silence is therefore never reported early, and late by at
// most the interval between looks.
class RestartPolicy {
 public:
  // A new session waits this long at least for its first frameset: opening
  // a camera and its auto-exposure take seconds.
  static constexpr std::int64_t kFirstFramesMinMs = 5000;
  // A session that ran this long ends a streak of quick restarts.
  static constexpr std::int64_t kStableMs = 30000;

  // `watchdogMs` > 0.
  explicit RestartPolicy(std::int64_t watchdogMs);

  // A session was built (the first, or a restart that succeeded).
  void SessionStarted(std::int64_t nowMs);
  // A look found frames since the previous look.
  void FramesSeen(std::int64_t nowMs);
  // The silence that counts now: watchdog_ms, or the first-frameset grace.
  [[nodiscard]] std::int64_t SilenceLimitMs() const;
  [[nodiscard]] bool Silent(std::int64_t nowMs) const;
  // How often to look for frames: a quarter of watchdog_ms.
  [[nodiscard]] std::int64_t LookIntervalMs() const;
  [[nodiscard]] bool AwaitingFirstFrames() const { return !sawFrames_; }

  // A restart begins, because the reader ended or because of silence.
  // Returns the delay before its first try: none after a camera that
  // delivered and then went quiet (lost, stalled) or after a session that ran
  // stably; a growing one when sessions keep dying soon after they were built
  // (a handler that throws on every packet, a camera that never delivers).
  [[nodiscard]] std::int64_t RestartBegan(std::int64_t nowMs, bool readerEnded);
  // The current try failed; returns the delay before the next one.
  [[nodiscard]] std::int64_t TryFailed();
  // Counts the try that is about to be made; returns its number (from 1).
  int NextTry() { return ++tries_; }
  [[nodiscard]] std::int64_t RestartBeganMs() const { return restartBeganMs_; }

 private:
  const std::int64_t watchdogMs_;
  std::int64_t sessionStartedMs_ = 0;
  std::int64_t lastFramesMs_ = 0;
  bool sawFrames_ = false;
  int streak_ = 0;  // restarts in a row, each soon after the last
  int tries_ = 0;   // tries of the current restart
  std::int64_t restartBeganMs_ = 0;
};

}  // namespace vs_realsense2
