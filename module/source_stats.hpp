// What a source has delivered and dropped, counted on the frame path for
// the health line and the watchdog.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "chain_times.hpp"

namespace vs_realsense2 {

// A cache line on the processors the module runs on. Not
// std::hardware_destructive_interference_size: g++ warns that its value may
// differ between compilers, and the layout below only needs to be good, not
// part of an interface.
inline constexpr std::size_t kCacheLine = 64;

// One per source, shared by every session the source runs, so that counts
// survive restarts; the health report and the watchdog read it. The reader's
// counters have one writer, the reader (one session of a source runs at a
// time), which adds with a relaxed load and store (Add) instead of a locked
// read-modify-write; the library's thread and the supervisor add with
// fetch_add. Every access is relaxed: each counter is a tally on its own,
// and its readers need no order between them.
//
// What the reader writes for every frameset shares one cache line, apart
// from what other threads write: between two framesets the library's
// decompression evicts the reader's data, and each line it writes is one
// more miss per frameset.
struct SourceStats {
  SourceStats() = default;
  // `timeDepthChain`: the reader times the depth filters for the health line.
  explicit SourceStats(bool timeDepthChain)
      : chainTimes(timeDepthChain ? std::make_unique<ChainTimes>() : nullptr) {}

  // The reader, every frameset.
  alignas(kCacheLine) std::atomic<std::uint64_t> packets{0};  // handed to OnPacket
  std::atomic<std::int64_t> lastPacketMs{0};  // utils::NowMs of the last packet; 0: none
  // Handler calls begun plus handler calls ended: it changes with every
  // delivery and is odd while the handler runs, which is all the watchdog
  // needs to tell a slow server from a silent camera.
  std::atomic<std::uint64_t> handlerCalls{0};
  // Packets whose depth frame is not the previous packet's: while it stands
  // still and packets flow, depth is frozen (the watchdog).
  std::atomic<std::uint64_t> depthChanges{0};
  std::atomic<std::uint64_t> staleDepth{0};  // packets carrying the previous packet's depth frame
  // By frame number (FrameNumbers): new numbers that reached the module, and
  // numbers that never did.
  std::atomic<std::uint64_t> colorFrames{0};
  std::atomic<std::uint64_t> depthFrames{0};
  std::atomic<std::uint64_t> packetsWithoutDepth{0};  // delivered with no "depth" attached

  // The reader, now and then.
  alignas(kCacheLine) std::atomic<std::uint64_t> colorDrops{0};
  std::atomic<std::uint64_t> depthDrops{0};
  std::atomic<std::uint64_t> invalidColorFrames{0};  // unusable format, size or data
  // The library's thread and the supervisor.
  std::atomic<std::uint64_t> lostFramesets{0};  // refused by the full queue
  std::atomic<std::uint64_t> restarts{0};       // sessions built again after a loss
  // The depth chain's time per frameset (reader); null without a depth
  // filter or without the health line.
  const std::unique_ptr<ChainTimes> chainTimes;
};

// For the reader, a counter's only writer.
inline void Add(std::atomic<std::uint64_t>& counter, std::uint64_t count) noexcept {
  counter.store(counter.load(std::memory_order_relaxed) + count, std::memory_order_relaxed);
}

inline void CountPacket(SourceStats& stats, std::int64_t nowMs) noexcept {
  Add(stats.packets, 1);
  stats.lastPacketMs.store(nowMs, std::memory_order_relaxed);
}

}  // namespace vs_realsense2
