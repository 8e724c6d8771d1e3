#include "lost_frames_log.hpp"

#include <module_log_lines.hpp>

#include "logger.hpp"

namespace vs_realsense2 {
namespace {
constexpr const char* kTag = "ProcessFrame";
}  // namespace

void LostFramesLog::Lost(std::int64_t nowMs) {
  FlushIfOver(nowMs);
  const bool afterQuiet = !lastLossMs_ || nowMs - *lastLossMs_ >= kQuietMs;
  lastLossMs_ = nowMs;
  if (sumEndsMs_) {
    ++summed_;
    return;
  }
  sumEndsMs_ = nowMs + kQuietMs;
  if (afterQuiet)
    LogSafely(orvlog::Severity::Warning, name_, kTag, log_lines::kLostFrames.data());
  else
    summed_ = 1;
}

void LostFramesLog::FlushIfOver(std::int64_t nowMs) {
  if (sumEndsMs_ && nowMs >= *sumEndsMs_)
    Flush();
}

void LostFramesLog::Flush() {
  if (summed_ > 0) {
    LogSafely(orvlog::Severity::Warning, name_, kTag, [&](std::ostream& os) {
      os << log_lines::kLostFramesCountBegin << summed_ << log_lines::kLostFramesCountEnd;
    });
  }
  summed_ = 0;
  sumEndsMs_.reset();
}

}  // namespace vs_realsense2
