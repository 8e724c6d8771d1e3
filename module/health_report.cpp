#include "health_report.hpp"

#include <chrono>
#include <iomanip>
#include <limits>
#include <utility>

#include <utils/clock.hpp>

#include "logger.hpp"

namespace vs_realsense2 {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

double PerSecond(std::uint64_t count, std::int64_t elapsedMs) {
  return elapsedMs > 0 ? static_cast<double>(count) * 1000.0 / static_cast<double>(elapsedMs) : 0.0;
}

}  // namespace

HealthReport::HealthReport(std::string name, std::shared_ptr<const SourceStats> stats,
                           std::int32_t intervalS, MonotonicMs now)
    : name_(std::move(name)),
      stats_(std::move(stats)),
      intervalMs_(stats_ ? std::int64_t{intervalS} * 1000 : 0),
      now_(std::move(now)),
      last_(Read()),
      lastReportMs_(now_()),
      nextDueMs_(intervalMs_ > 0 ? lastReportMs_ + intervalMs_ : kNever) {}

HealthReport::Tally HealthReport::Read() const {
  Tally tally;
  if (!stats_)
    return tally;
  constexpr auto kRelaxed = std::memory_order_relaxed;
  tally.packets = stats_->packets.load(kRelaxed);
  tally.lostFramesets = stats_->lostFramesets.load(kRelaxed);
  tally.packetsWithoutDepth = stats_->packetsWithoutDepth.load(kRelaxed);
  tally.invalidColorFrames = stats_->invalidColorFrames.load(kRelaxed);
  tally.restarts = stats_->restarts.load(kRelaxed);
  tally.colorFrames = stats_->colorFrames.load(kRelaxed);
  tally.colorDrops = stats_->colorDrops.load(kRelaxed);
  tally.depthFrames = stats_->depthFrames.load(kRelaxed);
  tally.depthDrops = stats_->depthDrops.load(kRelaxed);
  tally.staleDepth = stats_->staleDepth.load(kRelaxed);
  return tally;
}

void HealthReport::ReportIfDue() {
  const std::int64_t now = now_();
  if (now < nextDueMs_)
    return;
  const Tally tally = Read();
  const std::int64_t lastPacketMs = stats_->lastPacketMs.load(std::memory_order_relaxed);
  // A late call (a busy machine, a suspended one) still divides by the time
  // that really passed.
  const std::int64_t elapsedMs = now - lastReportMs_;
  const Tally previous = last_;
  // The next interval starts before the line is written: a line that fails
  // is lost, not retried at once.
  last_ = tally;
  lastReportMs_ = now;
  nextDueMs_ = now + intervalMs_;
  const std::uint64_t packets = tally.packets - previous.packets;
  Log(orvlog::Severity::Info, name_, "Health", [&](std::ostream& os) {
    os << std::fixed << std::setprecision(1) << "packets " << packets << " in "
       << static_cast<double>(elapsedMs) / 1000.0 << " s (" << PerSecond(packets, elapsedMs)
       << "/s); framesets lost at the queue " << tally.lostFramesets - previous.lostFramesets
       << "; packets without depth " << tally.packetsWithoutDepth - previous.packetsWithoutDepth
       << "; invalid color frames " << tally.invalidColorFrames - previous.invalidColorFrames
       << "; restarts " << tally.restarts - previous.restarts << "; ";
    if (lastPacketMs == 0) {
      os << "no packet yet";
    } else {
      os << "last packet " << now - lastPacketMs << " ms ago";
    }
    // Appended, so that readers of the fields before keep working.
    os << "; color fps " << PerSecond(tally.colorFrames - previous.colorFrames, elapsedMs)
       << "; color drops " << tally.colorDrops - previous.colorDrops << "; depth fps "
       << PerSecond(tally.depthFrames - previous.depthFrames, elapsedMs) << "; depth drops "
       << tally.depthDrops - previous.depthDrops << "; stale depth "
       << tally.staleDepth - previous.staleDepth;
    for (const Fields& fields : fields_)
      fields(os);
  });
}

}  // namespace vs_realsense2
