// When a recording pauses, resumes, closes its file or opens the next one.
#pragma once

#include <cstdint>
#include <optional>

#include <address/source_config.hpp>

namespace vs_realsense2 {

// Pure decisions on what the supervisor looked at (free bytes, the open
// file's size) and monotonic times it passes in, so that tests step time.
// Not thread-safe: the supervisor's thread owns it.
//
// Live video comes first: below `record_min_free_mb` the recorder pauses
// (packets keep flowing); below half of it, or when the recording's folder
// is gone, the file is closed while there is still room for its close, and
// the session streams without recording. A new file opens once there is
// room again (a quarter above the limit, so that a disk hovering at it does
// not flap), at most once a minute after a close or a write failure.
class RecordingGuard {
 public:
  enum class Step { None, Pause, Resume, Rotate, Close, Open };

  // The shortest time from a close (or a write failure) to the next file.
  static constexpr std::int64_t kReopenMs = 60000;
  // How often the supervisor looks at free space, the folder and the file.
  static constexpr std::int64_t kLookMs = 1000;

  explicit RecordingGuard(const SourceConfig& config);

  void Opened(std::int64_t nowMs);
  void Closed(std::int64_t nowMs);
  void Paused() { paused_ = true; }
  void Resumed() { paused_ = false; }

  // `freeBytes`: nothing when the folder is gone. `fileBytes`: the open
  // file's size.
  [[nodiscard]] Step Look(std::int64_t nowMs, std::optional<std::uint64_t> freeBytes,
                          std::uint64_t fileBytes) const;

  [[nodiscard]] bool Open() const { return open_; }
  [[nodiscard]] std::uint64_t MinFreeBytes() const { return minFree_; }
  // Whether `freeBytes` leaves room to record (the pause limit with its margin).
  [[nodiscard]] bool Roomy(std::optional<std::uint64_t> freeBytes) const;

 private:
  const std::uint64_t minFree_;
  const std::int64_t splitMs_;      // 0: no split by time
  const std::uint64_t splitBytes_;  // 0: no split by size
  bool open_ = false;
  bool paused_ = false;
  std::int64_t openedMs_ = 0;
  std::int64_t closedMs_ = 0;
  bool everClosed_ = false;
};

}  // namespace vs_realsense2
