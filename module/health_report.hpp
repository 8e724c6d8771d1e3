// The periodic health line of one source.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <utils/clock.hpp>

#include "source_stats.hpp"

namespace vs_realsense2 {

// Milliseconds on a monotonic clock; tests pass their own.
using MonotonicMs = std::function<std::int64_t()>;

// Writes, when due, one Info line with what the source's counters gained
// since the previous line: packets and their rate over the interval,
// framesets lost at the queue, packets without depth, invalid color frames,
// restarts, and the age of the last packet; then, per stream, the rate of
// frames that reached the module and the frame numbers that never did, and
// the packets that carried stale depth. Its interval starts at construction.
// Not thread-safe: one thread calls both members.
class HealthReport {
 public:
  // `intervalS` 0 (or a null `stats`) turns the report off: it is never due.
  HealthReport(std::string name, std::shared_ptr<const SourceStats> stats, std::int32_t intervalS,
               MonotonicMs now = utils::NowMs);

  // Writes more fields at the end of each line, after those above and those
  // added before: "; <name> <value>" each. Called on the thread that calls
  // ReportIfDue, only when a line is written.
  using Fields = std::function<void(std::ostream&)>;
  void AddFields(Fields fields) { fields_.push_back(std::move(fields)); }

  // Writes the line when the interval has passed, and starts the next one.
  void ReportIfDue();
  // When ReportIfDue will next write, on the clock given; INT64_MAX when off.
  [[nodiscard]] std::int64_t NextDueMs() const noexcept { return nextDueMs_; }

 private:
  struct Tally {
    std::uint64_t packets = 0;
    std::uint64_t lostFramesets = 0;
    std::uint64_t packetsWithoutDepth = 0;
    std::uint64_t invalidColorFrames = 0;
    std::uint64_t restarts = 0;
    std::uint64_t colorFrames = 0;
    std::uint64_t colorDrops = 0;
    std::uint64_t depthFrames = 0;
    std::uint64_t depthDrops = 0;
    std::uint64_t staleDepth = 0;
  };
  Tally Read() const;

  const std::string name_;
  const std::shared_ptr<const SourceStats> stats_;
  const std::int64_t intervalMs_;
  const MonotonicMs now_;
  Tally last_;
  std::int64_t lastReportMs_;
  std::int64_t nextDueMs_;
  std::vector<Fields> fields_;
};

}  // namespace vs_realsense2
