// The module's log channel and the one form every module statement takes:
// "<" name "> " tag ": " message.
#pragma once

#include <string>

#include <orvlog/orvlog.hpp>
#include <utils/code_placement.hpp>
#include <utils/log.hpp>

namespace vs_realsense2 {

// The "viroz.realsense" channel, created on first use.
orvlog::Logger& GetLogger();

// `message` is streamable, or a callable taking std::ostream& whose work is
// done only when some sink takes `severity` (so per-frame statements that are
// off cost no formatting and no library calls).
// Throws what a sink or the message throws.
template <class Message>
void Log(orvlog::Severity severity, const std::string& name, const char* tag,
         const Message& message) {
  utils::LogTagged(GetLogger, severity, name, tag, message);
}

// As Log, but a statement that fails (a full disk, a host log callback that
// throws, a library call in the message) loses only its line. For catch
// blocks and the threads the module owns or borrows (reader, supervisor, the
// library's), where an escaping exception would end the thread or, through
// std::terminate, the host.
// Cold: a statement is a rare branch of the frame path (a dropped frameset,
// a step of time), whose code inline spread that path over more lines.
template <class Message>
VSRS_COLD void LogSafely(orvlog::Severity severity, const std::string& name, const char* tag,
                         const Message& message) noexcept {
  try {
    Log(severity, name, tag, message);
  } catch (...) {
  }
}

}  // namespace vs_realsense2
