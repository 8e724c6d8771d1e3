#include "recording_guard.hpp"

namespace vs_realsense2 {
namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;

}  // namespace

RecordingGuard::RecordingGuard(const SourceConfig& config)
    : minFree_(static_cast<std::uint64_t>(config.record_min_free_mb) * kMegabyte),
      splitMs_(static_cast<std::int64_t>(config.record_split_s) * 1000),
      splitBytes_(static_cast<std::uint64_t>(config.record_split_mb) * kMegabyte) {}

void RecordingGuard::Opened(std::int64_t nowMs) {
  open_ = true;
  paused_ = false;
  openedMs_ = nowMs;
}

void RecordingGuard::Closed(std::int64_t nowMs) {
  open_ = false;
  paused_ = false;
  closedMs_ = nowMs;
  everClosed_ = true;
}

bool RecordingGuard::Roomy(std::optional<std::uint64_t> freeBytes) const {
  return freeBytes && *freeBytes >= minFree_ + minFree_ / 4;
}

RecordingGuard::Step RecordingGuard::Look(std::int64_t nowMs,
                                          std::optional<std::uint64_t> freeBytes,
                                          std::uint64_t fileBytes) const {
  if (!open_) {
    const bool due = !everClosed_ || nowMs - closedMs_ >= kReopenMs;
    return due && Roomy(freeBytes) ? Step::Open : Step::None;
  }
  if (!freeBytes || *freeBytes < minFree_ / 2)
    return Step::Close;
  if (*freeBytes < minFree_)
    return paused_ ? Step::None : Step::Pause;
  if (paused_)
    return Roomy(freeBytes) ? Step::Resume : Step::None;
  if ((splitMs_ > 0 && nowMs - openedMs_ >= splitMs_) ||
      (splitBytes_ > 0 && fileBytes >= splitBytes_)) {
    return Step::Rotate;
  }
  return Step::None;
}

}  // namespace vs_realsense2
