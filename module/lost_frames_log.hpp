// The "lost frames" lines of one session: a stuck server must not turn every
// refused frameset into a line of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vs_realsense2 {

// The first loss after a second without any is a line of its own; the losses
// in the second after it are summed into one line ("lost frames: 12 in the
// last second"), written by the first frameset that arrives once that second
// is over, or by Flush. A loss that follows within a second of the last one
// but after its sum was written opens the next sum. The health line keeps
// the total.
//
// Not thread-safe: the library calls a pipeline's frame callback from one
// thread at a time. Only the callback owns it, so the sum still open is
// written when the library lets go of the callback: after its last call,
// also when a pipeline's stop failed and frames went on arriving. Times are
// monotonic ms, passed in so that tests step them.
class LostFramesLog {
 public:
  static constexpr std::int64_t kQuietMs = 1000;

  explicit LostFramesLog(std::string name) : name_(std::move(name)) {}
  ~LostFramesLog() { Flush(); }
  LostFramesLog(const LostFramesLog&) = delete;
  LostFramesLog& operator=(const LostFramesLog&) = delete;

  void Lost(std::int64_t nowMs);
  // While no losses are being summed a queued frameset changes nothing: the
  // caller reads its clock only when this is true.
  [[nodiscard]] bool Summing() const { return sumEndsMs_.has_value(); }
  void Queued(std::int64_t nowMs) { FlushIfOver(nowMs); }
  // Writes what is summed so far.
  void Flush();

 private:
  void FlushIfOver(std::int64_t nowMs);

  const std::string name_;
  std::optional<std::int64_t> lastLossMs_;
  std::optional<std::int64_t> sumEndsMs_;  // while losses are being summed
  std::uint64_t summed_ = 0;
};

}  // namespace vs_realsense2
