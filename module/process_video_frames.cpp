#include <chrono>
#include <utility>

#include <utils/clock.hpp>
#include <vid_db/media/packet.hpp>

#include "logger.hpp"
#include "media_frames.hpp"
#include "session.hpp"

namespace vs_realsense2 {
namespace {
constexpr const char* kTag = "ProcessVideoFrames";
// Across a restart, packets up to this far below the last one delivered are
// dropped to keep times increasing; a larger step (the wall clock set back,
// a hardware clock's drift against a new base) is delivered from, or the
// source would be silent for as long as the step.
constexpr std::int64_t kMaxDroppedStepMs = 1000;
}  // namespace

// Every way out but the last drops the frameset with one line saying why.
// Exceptions (library, packet checks, handler) go to the reader loop. The
// filters and the alignment run here, on the reader, so that a slow chain
// fills the queue ("lost frames") instead of holding up the library's thread.
void Session::ProcessVideoFrames(const rs2::frameset& received, std::int64_t arrivalMs,
                                 const LostNumbers* lostBefore) {
  const rs2::frameset frames = depthChain.Empty() ? received : RunDepthChain(received);
  rs2::video_frame color = frames.get_color_frame();
  rs2::depth_frame depth = frames.get_depth_frame();
  const FramesetNumbers numbers = FollowNumbers(received, color, depth, lostBefore);
  if (!color) {
    LogSafely(orvlog::Severity::Debug, name, kTag, "no color frame");
    return;
  }
  if (!UpdateVideoParams(color))
    return;
  if (color.get_data() == nullptr || color.get_data_size() <= 0) {
    Count(stats.get(), &SourceStats::invalidColorFrames);
    LogSafely(orvlog::Severity::Error, name, kTag, "invalid frame");
    return;
  }
  const std::int64_t time = GetFrameTime(color, arrivalMs);
  if (time == lastColorTime) {
    LogSafely(orvlog::Severity::Trace, name, kTag,
              [&](std::ostream& os) { os << "ignore color frame with time: " << time; });
    return;
  }
  if (floorColorTime && time <= *floorColorTime) {
    const std::int64_t behind = *floorColorTime - time;
    if (behind <= kMaxDroppedStepMs) {
      LogSafely(orvlog::Severity::Trace, name, kTag, [&](std::ostream& os) {
        os << "ignore color frame from before the restart with time: " << time;
      });
      return;
    }
    LogSafely(orvlog::Severity::Warning, name, kTag, [&](std::ostream& os) {
      os << "packet times stepped back " << behind
         << " ms across the restart; delivering from there";
    });
    floorColorTime.reset();
  }
  // Set before anything below can throw, so a failed delivery still counts
  // as the last one for duplicate detection.
  lastColorTime = time;

  vid_db::media::Packet packet(MakeColorBuffer(std::move(color)), time, true);
  const bool withDepth = depth && depth.get_data() != nullptr && depth.get_data_size() >= 1;
  if (withDepth) {
    packet.Attach("depth", MakeDepthBuffer(std::move(depth)));
  } else {
    Count(stats.get(), &SourceStats::packetsWithoutDepth);
    LogSafely(orvlog::Severity::Debug, name, kTag, "no depth frame");
  }
  if (StopRequested())
    return;
  if (withDepth && numbers.depth)
    NoteDepth(*numbers.depth);
  if (stats)
    CountPacket(stats.get(), utils::NowMs());
  const HandlerCall call(*links.handlerCalls);
  handler->OnPacket(packet);
}

// Timed only when the health line reports it (a filter is on): two clock
// reads per frameset.
rs2::frameset Session::RunDepthChain(const rs2::frameset& received) {
  ChainTimes* const times = stats ? stats->chainTimes.get() : nullptr;
  if (times == nullptr)
    return depthChain.Process(received);
  const auto began = std::chrono::steady_clock::now();
  rs2::frameset frames = depthChain.Process(received);
  times->Add(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - began)
          .count());
  return frames;
}

// Every frameset the reader takes is followed, also one that is then dropped
// (no colour, an invalid frame): a number missing here would be a drop. The
// frames are already in hand, so reading costs two library calls; a filtered
// or aligned depth frame is a block's, so with a depth chain the numbers come
// from the frameset as it arrived.
FramesetNumbers Session::FollowNumbers(const rs2::frameset& received, const rs2::frame& color,
                                       const rs2::frame& depth, const LostNumbers* lostBefore) {
  if (!readNumbers)
    return {};
  const FramesetNumbers numbers =
      depthChain.Empty() ? ReadNumbers(color, depth) : ReadNumbers(received);
  if (frameNumbers)
    frameNumbers->Follow(numbers, lostBefore);
  return numbers;
}

// The syncer attaches a stream's last frame to a frameset that has no new
// one: with depth slower than colour, every other packet normally carries
// the depth of the one before. That is counted, not warned about; depth that
// stops changing altogether is the watchdog's concern (SupervisedRun).
void Session::NoteDepth(unsigned long long number) {
  if (lastPacketDepth == number) {
    Count(stats.get(), &SourceStats::staleDepth);
    return;
  }
  lastPacketDepth = number;
  std::atomic<std::uint64_t>& changes = *links.depthChanges;
  changes.store(changes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

}  // namespace vs_realsense2
