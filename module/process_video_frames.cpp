#include <utility>

#include <utils/clock.hpp>
#include <vid_db/media/packet.hpp>

#include "logger.hpp"
#include "media_frames.hpp"
#include "session.hpp"

namespace vs_realsense2 {
namespace {
constexpr const char* kTag = "ProcessVideoFrames";
}

// Every way out but the last drops the frameset with one line saying why.
// Exceptions (library, packet checks, handler) go to the reader loop. The
// alignment runs here, on the reader, so that a slow one fills the queue
// ("lost frames") instead of holding up the library's thread.
void Session::ProcessVideoFrames(const rs2::frameset& received) {
  const rs2::frameset frames = align ? align->process(received) : received;
  rs2::video_frame color = frames.get_color_frame();
  rs2::depth_frame depth = frames.get_depth_frame();
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
  const std::int64_t time = GetFrameTime(color);
  if (time == lastColorTime) {
    LogSafely(orvlog::Severity::Trace, name, kTag,
              [&](std::ostream& os) { os << "ignore color frame with time: " << time; });
    return;
  }
  if (links.floorColorTime && time <= *links.floorColorTime) {
    LogSafely(orvlog::Severity::Trace, name, kTag, [&](std::ostream& os) {
      os << "ignore color frame from before the restart with time: " << time;
    });
    return;
  }
  // Set before anything below can throw, so a failed delivery still counts
  // as the last one for duplicate detection.
  lastColorTime = time;

  vid_db::media::Packet packet(MakeColorBuffer(std::move(color)), time, true);
  if (depth && depth.get_data() != nullptr && depth.get_data_size() >= 1) {
    packet.Attach("depth", MakeDepthBuffer(std::move(depth)));
  } else {
    Count(stats.get(), &SourceStats::packetsWithoutDepth);
    LogSafely(orvlog::Severity::Debug, name, kTag, "no depth frame");
  }
  if (stats)
    CountPacket(stats.get(), utils::NowMs());
  handler->OnPacket(packet);
}

}  // namespace vs_realsense2
