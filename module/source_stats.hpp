// What a source has delivered and dropped, counted on the frame path for
// the health line.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "chain_times.hpp"

namespace vs_realsense2 {

// One per source, shared by every session the source runs, so that counts
// survive restarts. Writers are the library's callback thread, the reader
// thread and whoever restarts the source; the health report reads. Every
// access is relaxed: each counter is a tally on its own, and the report
// needs no order between them.
struct SourceStats {
  SourceStats() = default;
  // `timeDepthChain`: the reader times the depth filters for the health line.
  explicit SourceStats(bool timeDepthChain)
      : chainTimes(timeDepthChain ? std::make_unique<ChainTimes>() : nullptr) {}

  std::atomic<std::uint64_t> packets{0};              // handed to OnPacket
  std::atomic<std::uint64_t> lostFramesets{0};        // refused by the full queue
  std::atomic<std::uint64_t> packetsWithoutDepth{0};  // delivered with no "depth" attached
  std::atomic<std::uint64_t> invalidColorFrames{0};   // unusable format, size or data
  std::atomic<std::uint64_t> restarts{0};             // sessions built again after a loss
  std::atomic<std::int64_t> lastPacketMs{0};          // utils::NowMs of the last packet; 0: none
  // By frame number (FrameNumbers, on the reader, their only writer): new
  // numbers that reached the module, and numbers that never did.
  std::atomic<std::uint64_t> colorFrames{0};
  std::atomic<std::uint64_t> colorDrops{0};
  std::atomic<std::uint64_t> depthFrames{0};
  std::atomic<std::uint64_t> depthDrops{0};
  std::atomic<std::uint64_t> staleDepth{0};  // packets carrying the previous packet's depth frame
  // The depth chain's time per frameset (reader); null without a depth filter.
  const std::unique_ptr<ChainTimes> chainTimes;
};

// Each a no-op when `stats` is null: a source with its health line off
// counts nothing.
inline void Count(SourceStats* stats, std::atomic<std::uint64_t> SourceStats::*counter) noexcept {
  if (stats != nullptr)
    (stats->*counter).fetch_add(1, std::memory_order_relaxed);
}

inline void CountPacket(SourceStats* stats, std::int64_t nowMs) noexcept {
  if (stats != nullptr) {
    stats->packets.fetch_add(1, std::memory_order_relaxed);
    stats->lastPacketMs.store(nowMs, std::memory_order_relaxed);
  }
}

}  // namespace vs_realsense2
