// Session's reader thread: the path of each frameset from the queue to the
// host's handler (announcement, packet time, depth attachment, counts).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include <utils/clock.hpp>
#include <utils/code_placement.hpp>
#include <vid_db/media/packet.hpp>
#include <vid_db/media/source.hpp>

#include "frameset_parts.hpp"
#include "logger.hpp"
#include "media_frames.hpp"
#include "session.hpp"
#include "thread_name.hpp"
#include "video_params.hpp"

namespace vs_realsense2 {
namespace {
constexpr const char* kTag = "ProcessVideoFrames";
// Across a restart, packets up to this far below the last one delivered are
// dropped to keep times increasing; a larger step (the wall clock set back,
// a hardware clock's drift against a new base) is delivered from, or the
// source would be silent for as long as the step.
constexpr std::int64_t kMaxDroppedStepMs = 1000;

// The library's timestamps are doubles; out-of-range or NaN values would make
// a plain cast undefined, so they saturate (NaN gives 0) instead.
std::int64_t TruncateToMs(double timestamp) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (std::isnan(timestamp))
    return 0;
  if (timestamp >= kLimit)
    return std::numeric_limits<std::int64_t>::max();
  if (timestamp < -kLimit)
    return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(timestamp);
}

// Hardware-clock times count from the camera's power-up; a recording's times
// belong to the past whatever their domain. Both need a base; system and
// global times of a live camera are already wall-clock.
bool NeedsConversion(rs2_timestamp_domain domain, bool playback) {
  return playback || domain == RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK;
}

// The words the health docs use; the library's own names for any other.
const char* DomainName(rs2_timestamp_domain domain) {
  switch (domain) {
    case RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK:
      return "hardware clock";
    case RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME:
      return "system time";
    case RS2_TIMESTAMP_DOMAIN_GLOBAL_TIME:
      return "global time";
    default:
      return rs2_timestamp_domain_to_string(domain);
  }
}

// A line about the camera is no reason to end delivery.
bool HasFrameCounter(const rs2::frame& frame) {
  try {
    return frame.supports_frame_metadata(RS2_FRAME_METADATA_FRAME_COUNTER);
  } catch (const rs2::error&) {
    return false;
  }
}

bool SameGeometryAndFormat(const vs_stream::VideoRawParams& a, const vs_stream::VideoRawParams& b) {
  return a.pixelFormat == b.pixelFormat && a.width == b.width && a.height == b.height;
}

}  // namespace

// An exception ends the loop, not the process. Unsupervised, the session
// keeps streaming into a queue nobody drains (every further frameset is
// lost) until the host stops it; supervised, the supervisor
// hears of it below and rebuilds the session.
VSRS_HOT void Session::ReadFrames() {
  NameCurrentThread("rs-read:", name_);
  if (links_.readerBegan)
    links_.readerBegan();
  bool failed = true;
  try {
    ArrivedFrameset arrived;
    while (queue_->Pop(&arrived, utils::tsq::WaitMode::WaitForever, /*timeoutMs=*/0) ==
           utils::tsq::QueueStatus::Ok) {
      if (const rs2::frameset frames{arrived.frame}) {
        ProcessVideoFrames(frames, arrived.arrivalMs, arrived.lostBefore.get());
        // After the first packet's call, not before it: a host log sink that
        // waits for the handler cannot hold up the first packet.
        if (!framesDescribed_)
          DescribeFrames(frames);
      }
      // Released before waiting again, so a quiet camera does not pin a
      // frame of the library's pool.
      arrived.frame = rs2::frame();
    }
    failed = false;
  } catch (const std::exception& e) {
    LogSafely(orvlog::Severity::Error, name_, "ReadFrames",
              [&](std::ostream& os) { os << "exception: " << e.what(); });
  } catch (...) {
    // A handler throwing something that is no std::exception must not
    // escape the thread and terminate the host.
    LogSafely(orvlog::Severity::Error, name_, "ReadFrames", "exception: unknown");
  }
  if (links_.readerEnded) {
    try {
      links_.readerEnded(failed, lastColorTime_);
    } catch (...) {
      // The supervisor then notices the silence instead.
    }
  }
}

// Every way out but the last drops the frameset with one line saying why.
// Exceptions (library, packet checks, handler) go to the reader loop. The
// filters and the alignment run here, on the reader, so that a slow chain
// fills the queue ("lost frames") instead of holding up the library's thread.
VSRS_HOT void Session::ProcessVideoFrames(const rs2::frameset& received, std::int64_t arrivalMs,
                                          const LostNumbers* lostBefore) {
  rs2::frameset chained;
  if (!depthChain_.Empty())
    chained = RunDepthChain(received);
  FramesetParts parts = SplitFrameset(depthChain_.Empty() ? received : chained);
  rs2::video_frame color = std::move(parts.color);
  rs2::depth_frame depth = std::move(parts.depth);
  const FramesetNumbers numbers = FollowNumbers(received, color, depth, lostBefore);
  if (!color) {
    LogSafely(orvlog::Severity::Debug, name_, kTag, "no color frame");
    return;
  }
  if (!UpdateVideoParams(color, parts.colorFormat))
    return;
  if (color.get_data() == nullptr || color.get_data_size() <= 0) {
    Add(stats_.invalidColorFrames, 1);
    LogSafely(orvlog::Severity::Error, name_, kTag, "invalid frame");
    return;
  }
  const std::int64_t time = GetFrameTime(color, arrivalMs);
  if (time == lastColorTime_) {
    LogSafely(orvlog::Severity::Trace, name_, kTag,
              [&](std::ostream& os) { os << "ignore color frame with time: " << time; });
    return;
  }
  if (floorColorTime_ && time <= *floorColorTime_) {
    const std::int64_t behind = *floorColorTime_ - time;
    if (behind <= kMaxDroppedStepMs) {
      LogSafely(orvlog::Severity::Trace, name_, kTag, [&](std::ostream& os) {
        os << "ignore color frame from before the restart with time: " << time;
      });
      return;
    }
    LogSafely(orvlog::Severity::Warning, name_, kTag, [&](std::ostream& os) {
      os << "packet times stepped back " << behind
         << " ms across the restart; delivering from there";
    });
    floorColorTime_.reset();
  }
  // Set before anything below can throw, so a failed delivery still counts
  // as the last one for duplicate detection.
  lastColorTime_ = time;

  vid_db::media::Packet packet(MakeColorBuffer(std::move(color)), time, /*keyFrame=*/true);
  const bool withDepth = depth && depth.get_data() != nullptr && depth.get_data_size() >= 1;
  if (withDepth) {
    packet.Attach("depth", MakeDepthBuffer(std::move(depth)));
  } else {
    Add(stats_.packetsWithoutDepth, 1);
    LogSafely(orvlog::Severity::Debug, name_, kTag, "no depth frame");
  }
  if (StopRequested())
    return;
  if (withDepth && numbers.depth)
    NoteDepth(*numbers.depth);
  CountPacket(stats_, utils::NowMs());
  const HandlerCall call(stats_);
  handler_->OnPacket(packet);
}

// Timed only when the health line reports it (a filter is on): two clock
// reads per frameset.
rs2::frameset Session::RunDepthChain(const rs2::frameset& received) {
  ChainTimes* const times = stats_.chainTimes.get();
  if (times == nullptr)
    return depthChain_.Process(received);
  const auto began = std::chrono::steady_clock::now();
  rs2::frameset frames = depthChain_.Process(received);
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
VSRS_HOT FramesetNumbers Session::FollowNumbers(const rs2::frameset& received,
                                                const rs2::frame& color, const rs2::frame& depth,
                                                const LostNumbers* lostBefore) {
  if (!readNumbers_)
    return {};
  const FramesetNumbers numbers =
      depthChain_.Empty() ? ReadNumbers(color, depth) : ReadNumbers(received);
  if (frameNumbers_)
    frameNumbers_->Follow(numbers, lostBefore);
  return numbers;
}

// The syncer attaches a stream's last frame to a frameset that has no new
// one: with depth slower than colour, every other packet normally carries
// the depth of the one before. That is counted, not warned about; depth that
// stops changing altogether is the watchdog's concern (SupervisedRun).
VSRS_HOT void Session::NoteDepth(unsigned long long number) {
  if (lastPacketDepth_ == number) {
    Add(stats_.staleDepth, 1);
    return;
  }
  lastPacketDepth_ = number;
  Add(stats_.depthChanges, 1);
}

// Announces only changes. The new values are remembered only once OnParams
// has returned: a handler that throws has not taken them, so the next frame
// announces them again.
VSRS_HOT bool Session::UpdateVideoParams(const rs2::video_frame& color, rs2_format format) {
  const vs_stream::VideoRawParams params = MakeVideoRawParams(color, format);
  if (params.pixelFormat == vs_stream::kPixelFormatNone || params.width == 0 ||
      params.height == 0) {
    Add(stats_.invalidColorFrames, 1);
    LogSafely(orvlog::Severity::Error, name_, "UpdateVideoParams", [&](std::ostream& os) {
      os << "invalid color frame with fmt: " << rs2_format_to_string(format);
    });
    return false;
  }
  if (SameGeometryAndFormat(params, videoParams_))
    return true;
  if (StopRequested())
    return false;
  vid_db::media::StreamParams announcement;
  announcement.rawVideo = params;
  {
    const HandlerCall call(stats_);
    handler_->OnParams(announcement);
  }
  videoParams_ = params;
  return true;
}

// Without the camera's frame counter (a Linux kernel without the metadata
// patch, for one) the library numbers frames as they reach it: frame-number
// drops then count only what was lost inside the library.
void Session::DescribeFrames(const rs2::frameset& frames) {
  const rs2::frame color = frames.get_color_frame();
  if (!color)
    return;
  framesDescribed_ = true;
  rs2_timestamp_domain frameDomain = RS2_TIMESTAMP_DOMAIN_COUNT;
  try {
    frameDomain = color.get_frame_timestamp_domain();
  } catch (const rs2::error& e) {
    // The packets' times read the domain again and say so if it still fails.
    LogSafely(orvlog::Severity::Debug, name_, "Frames",
              [&](std::ostream& os) { os << "time domain not read: " << e.what(); });
    return;
  }
  const bool frameCounter = HasFrameCounter(color);
  LogSafely(orvlog::Severity::Info, name_, "Frames", [&](std::ostream& os) {
    os << "time domain: " << DomainName(frameDomain) << "; frame counter metadata: "
       << (frameCounter ? "available"
                        : "not available (the library numbers the frames: drops before it are "
                          "not seen)");
  });
  if (frameDomain == RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK) {
    LogSafely(orvlog::Severity::Info, name_, "Frames",
              "hardware clock times are mapped onto the system clock without drift correction");
  }
}

VSRS_HOT std::int64_t Session::GetFrameTime(const rs2::frame& frame, std::int64_t arrivalMs) {
  const std::int64_t time = TruncateToMs(frame.get_timestamp());
  const rs2_timestamp_domain frameDomain = frame.get_frame_timestamp_domain();
  const bool convert = NeedsConversion(frameDomain, playback_);
  if (!domainKnown_ || frameDomain != domain_) {
    LogSafely(orvlog::Severity::Debug, name_, "GetFrameTime", [&](std::ostream& os) {
      os << "times type: " << rs2_timestamp_domain_to_string(frameDomain);
    });
    domain_ = frameDomain;
    domainKnown_ = true;
    if (convert)
      MakeSync(time, arrivalMs);
  }
  return convert ? ConvDevTimeToSys(time, arrivalMs) : time;
}

// No drift correction: the offset is fixed at each base. A backward step
// (a playback loop restarting, a camera reset) takes a new base.
VSRS_HOT std::int64_t Session::ConvDevTimeToSys(std::int64_t devTime, std::int64_t arrivalMs) {
  if (devTime < lastDevTime_) {
    if (!playback_) {
      LogSafely(orvlog::Severity::Error, name_, "ConvDevTimeToSys", [&](std::ostream& os) {
        os << "time decreased: new " << devTime << ", sync: " << lastDevTime_;
      });
    }
    // A playback loop's first frameset may arrive a few ms before the time
    // the last one was mapped to (a recording plays at its own pace): it
    // starts just after it instead, so that times never go back.
    const bool loop = playback_ && lastColorTime_ != 0;
    MakeSync(devTime, loop ? std::max(arrivalMs, lastColorTime_ + 1) : arrivalMs);
  }
  lastDevTime_ = devTime;
  // Unsigned arithmetic: saturated extreme timestamps wrap instead of
  // overflowing a signed integer.
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(syncSysTime_) -
                                   static_cast<std::uint64_t>(syncDevTime_) +
                                   static_cast<std::uint64_t>(devTime));
}

void Session::MakeSync(std::int64_t devTime, std::int64_t sysTime) {
  syncDevTime_ = devTime;
  lastDevTime_ = devTime;
  syncSysTime_ = sysTime;
  LogSafely(orvlog::Severity::Debug, name_, "MakeSync", [&](std::ostream& os) {
    os << "devTime: " << syncDevTime_ << ", sysTime: " << syncSysTime_;
  });
}

}  // namespace vs_realsense2
