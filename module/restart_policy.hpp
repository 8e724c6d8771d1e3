// When a supervised source counts as silent, how long it waits before each
// try to bring it back, and how far apart two session builds must lie.
#pragma once

#include <cstdint>

namespace vs_realsense2 {

// The longest wait between two tries, and between two session builds.
inline constexpr std::int64_t kLongestRestartDelayMs = 30000;

// Delay after `failures` failed tries in a row: 0.5 s doubling, capped at
// 30 s, so a camera that is gone for hours costs one try every 30 s.
[[nodiscard]] std::int64_t BackoffMs(int failures);

// The lowest watchdog that cannot fire between two frames of a healthy
// camera: 100 ms, and three frame intervals at `fps` (0: rate unknown).
[[nodiscard]] std::int64_t WatchdogFloorMs(int fps);

// Pure bookkeeping over times the caller passes in (monotonic ms), so that
// tests step time instead of waiting. Not thread-safe: the supervisor's
// thread owns it.
//
// Silence: packets are noticed by looking (the reader only counts its
// handler calls), so a look that finds new calls counts as a delivery at the
// time of the look. Silence is therefore never reported early, and late by
// at most the interval between looks.
//
// Spacing: two session builds lie at least max(1 s, watchdog) apart, and that
// gap doubles (up to 30 s) with every restart that follows a session which
// did not stream steadily. Whatever goes wrong, a source cannot rebuild
// itself (or open recording files) faster than that.
class RestartPolicy {
 public:
  // A new session waits this long at least for its first packet: opening a
  // camera and its auto-exposure take seconds.
  static constexpr std::int64_t kFirstPacketsMinMs = 5000;
  // A session that delivered for this long streamed steadily: its loss is
  // news, and the first build after it goes at once.
  static constexpr std::int64_t kSteadyMs = 10000;
  static constexpr std::int64_t kMinBuildGapMs = 1000;

  // `watchdogMs` > 0.
  explicit RestartPolicy(std::int64_t watchdogMs);

  void SetWatchdogMs(std::int64_t watchdogMs) { watchdogMs_ = watchdogMs; }
  [[nodiscard]] std::int64_t WatchdogMs() const { return watchdogMs_; }

  // A session build begins (the first, or a try that found the camera).
  void BuildBegan(std::int64_t nowMs);
  // A session was built and is now watched.
  void SessionStarted(std::int64_t nowMs);
  // A look found handler calls since the previous look.
  void PacketsSeen(std::int64_t nowMs);
  // The silence that counts now: watchdog_ms, or the first-packet grace.
  [[nodiscard]] std::int64_t SilenceLimitMs() const;
  [[nodiscard]] bool Silent(std::int64_t nowMs) const;
  // How often to look for packets: a quarter of watchdog_ms.
  [[nodiscard]] std::int64_t LookIntervalMs() const;
  [[nodiscard]] bool AwaitingFirstPackets() const { return !sawPackets_; }

  // A restart begins, because the reader ended or because of silence.
  // Returns the delay before its first try: none after a session that
  // streamed steadily, else what the spacing of builds still asks.
  [[nodiscard]] std::int64_t RestartBegan(std::int64_t nowMs);
  // The current try failed (`built`: after a session build was begun);
  // returns the delay before the next one.
  [[nodiscard]] std::int64_t TryFailed(std::int64_t nowMs, bool built);
  // The earliest time the next build may begin.
  [[nodiscard]] std::int64_t EarliestBuildMs() const;
  // Counts the try that is about to be made; returns its number (from 1).
  int NextTry() { return ++tries_; }
  [[nodiscard]] std::int64_t RestartBeganMs() const { return restartBeganMs_; }

 private:
  [[nodiscard]] std::int64_t BuildGapMs() const;

  std::int64_t watchdogMs_;
  std::int64_t lastBuildMs_ = 0;
  bool built_ = false;  // lastBuildMs_ is set
  std::int64_t sessionStartedMs_ = 0;
  std::int64_t firstPacketsMs_ = 0;
  std::int64_t lastPacketsMs_ = 0;
  bool sawPackets_ = false;
  int streak_ = 0;  // restarts in a row, none after a steady session
  int tries_ = 0;   // tries of the current restart
  std::int64_t restartBeganMs_ = 0;
};

}  // namespace vs_realsense2
