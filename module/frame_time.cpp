#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "logger.hpp"
#include "session.hpp"

namespace vs_realsense2 {
namespace {

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

}  // namespace

// Without the camera's frame counter (a Linux kernel without the metadata
// patch, for one) the library numbers frames as they reach it: frame-number
// drops then count only what was lost inside the library.
void Session::DescribeFrames(const rs2::frameset& frames) {
  const rs2::frame color = frames.get_color_frame();
  if (!color)
    return;
  framesDescribed = true;
  rs2_timestamp_domain frameDomain = RS2_TIMESTAMP_DOMAIN_COUNT;
  try {
    frameDomain = color.get_frame_timestamp_domain();
  } catch (const rs2::error& e) {
    // The packets' times read the domain again and say so if it still fails.
    LogSafely(orvlog::Severity::Debug, name, "Frames",
              [&](std::ostream& os) { os << "time domain not read: " << e.what(); });
    return;
  }
  const bool frameCounter = HasFrameCounter(color);
  LogSafely(orvlog::Severity::Info, name, "Frames", [&](std::ostream& os) {
    os << "time domain: " << DomainName(frameDomain) << "; frame counter metadata: "
       << (frameCounter ? "available"
                        : "not available (the library numbers the frames: drops before it are "
                          "not seen)");
  });
  if (frameDomain == RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK) {
    LogSafely(orvlog::Severity::Info, name, "Frames",
              "hardware clock times are mapped onto the system clock without drift correction");
  }
}

std::int64_t Session::GetFrameTime(const rs2::frame& frame, std::int64_t arrivalMs) {
  const std::int64_t time = TruncateToMs(frame.get_timestamp());
  const rs2_timestamp_domain frameDomain = frame.get_frame_timestamp_domain();
  const bool convert = NeedsConversion(frameDomain, playback);
  if (!domainKnown || frameDomain != domain) {
    LogSafely(orvlog::Severity::Debug, name, "GetFrameTime", [&](std::ostream& os) {
      os << "times type: " << rs2_timestamp_domain_to_string(frameDomain);
    });
    domain = frameDomain;
    domainKnown = true;
    if (convert)
      MakeSync(time, arrivalMs);
  }
  return convert ? ConvDevTimeToSys(time, arrivalMs) : time;
}

// No drift correction: the offset is fixed at each base. A backward step
// (a playback loop restarting, a camera reset) takes a new base.
std::int64_t Session::ConvDevTimeToSys(std::int64_t devTime, std::int64_t arrivalMs) {
  if (devTime < lastDevTime) {
    if (!playback) {
      LogSafely(orvlog::Severity::Error, name, "ConvDevTimeToSys", [&](std::ostream& os) {
        os << "time decreased: new " << devTime << ", sync: " << lastDevTime;
      });
    }
    // A playback loop's first frameset may arrive a few ms before the time
    // the last one was mapped to (a recording plays at its own pace): it
    // starts just after it instead, so that times never go back.
    const bool loop = playback && lastColorTime != 0;
    MakeSync(devTime, loop ? std::max(arrivalMs, lastColorTime + 1) : arrivalMs);
  }
  lastDevTime = devTime;
  // Unsigned arithmetic: saturated extreme timestamps wrap instead of
  // overflowing a signed integer.
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(syncSysTime) -
                                   static_cast<std::uint64_t>(syncDevTime) +
                                   static_cast<std::uint64_t>(devTime));
}

void Session::MakeSync(std::int64_t devTime, std::int64_t sysTime) {
  syncDevTime = devTime;
  lastDevTime = devTime;
  syncSysTime = sysTime;
  LogSafely(orvlog::Severity::Debug, name, "MakeSync", [&](std::ostream& os) {
    os << "devTime: " << syncDevTime << ", sysTime: " << syncSysTime;
  });
}

}  // namespace vs_realsense2
