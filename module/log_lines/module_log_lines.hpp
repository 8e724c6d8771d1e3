// The module's log channel and the lines of it that hosts read: rs-host counts lost frames,
// restarts, hardware resets and the health line's camera figures per source from them. Both
// sides name them here.
#pragma once

#include <string_view>

namespace vs_realsense2::log_lines {

inline constexpr const char* kChannel = "viroz.realsense";

// Warning "<name> <tag>: lost frames", whichever part of the module lost them:
// the first loss after a second without any. Losses within the second that
// follows it are summed into one Warning "<name> <tag>: lost frames: <n> in
// the last second", written within the next second.
inline constexpr std::string_view kLostFrames = "lost frames";
inline constexpr std::string_view kLostFramesCountBegin = "lost frames: ";
inline constexpr std::string_view kLostFramesCountEnd = " in the last second";

// Warning "<name> Watchdog: <why>, restarting[ in <ms> ms]"; other Watchdog
// warnings (a raised watchdog) begin no restart.
inline constexpr std::string_view kWatchdogTag = "Watchdog";
inline constexpr std::string_view kRestartingEnd = ", restarting";

// Warning "<name> Restart: try <n> failed: <why>; next try in <ms> ms" (an
// Error when the camera is listed but lacks what the address asks) and
// Info "<name> Restart: streaming again after <s> s, <n> tries".
inline constexpr std::string_view kRestartTag = "Restart";
inline constexpr std::string_view kTryBegin = "try ";
inline constexpr std::string_view kTryFailed = " failed";
inline constexpr std::string_view kStreamingAgainBegin = "streaming again after ";

// Info "<name> Health: <field>; <field>; ...", each field "<name> <value>"; rs-host reads
// the drops, stale depth, notification counts and temperatures among them.
inline constexpr std::string_view kHealthTag = "Health";
inline constexpr std::string_view kFieldSeparator = "; ";
inline constexpr std::string_view kColorDropsField = "color drops";
inline constexpr std::string_view kDepthDropsField = "depth drops";
inline constexpr std::string_view kStaleDepthField = "stale depth";
inline constexpr std::string_view kNotifiedFieldBegin = "notified ";
inline constexpr std::string_view kAsicTemperatureField = "asic temperature";
inline constexpr std::string_view kProjectorTemperatureField = "projector temperature";

// Warning "<name> Recovery: hardware reset of camera <sn>: <why>", as the
// supervisor asks the camera to reset itself; the other Recovery lines say
// how the reset went.
inline constexpr std::string_view kRecoveryTag = "Recovery";
inline constexpr std::string_view kHardwareResetBegin = "hardware reset of camera ";

// Lines about the recording's files and disk: Info "<name> Recording:
// deleted <file> ...", Warning "... recording paused, live video goes on",
// Info "... resumed", Warning or Error "... closing ...", Error "writing
// <file> failed: ...", Error "cannot record to <path>: ...".
inline constexpr std::string_view kRecordingTag = "Recording";

}  // namespace vs_realsense2::log_lines
