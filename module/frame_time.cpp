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

}  // namespace

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
    MakeSync(devTime, arrivalMs);
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
