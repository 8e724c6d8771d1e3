// The module's log channel and the one form every module statement takes:
// "<" name "> " tag ": " message.
#pragma once

#include <string>

#include <orvlog/orvlog.hpp>
#include <utils/log.hpp>

namespace vs_realsense2 {

// The "viroz.realsense" channel, created on first use.
orvlog::Logger& GetLogger();

// `message` is streamable, or a callable taking std::ostream& whose work is
// done only when some sink takes `severity` (so per-frame statements that are
// off cost no formatting and no library calls).
template <class Message>
void Log(orvlog::Severity severity, const std::string& name, const char* tag,
         const Message& message) {
  utils::LogTagged(GetLogger, severity, name, tag, message);
}

}  // namespace vs_realsense2
