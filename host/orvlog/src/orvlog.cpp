#include "orvlog/orvlog.hpp"

#include <memory>

#include <spdlog/details/log_msg.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>

#include "callback_sink.hpp"
#include "sink_registry.hpp"

// Header-only spdlog includes <windows.h>, whose GetMessage macro would turn
// LogRecord::GetMessage into GetMessageA below.
#ifdef GetMessage
#undef GetMessage
#endif

namespace orvlog {
namespace {

// UTC time with milliseconds, severity, channel, thread id, message.
constexpr const char* kPattern = "%Y-%m-%dT%H:%M:%S.%eZ %-7l [%n] [%t] %v";

SinkId Register(Severity minimum, std::shared_ptr<spdlog::sinks::sink> sink) {
  sink->set_formatter(
      std::make_unique<spdlog::pattern_formatter>(kPattern, spdlog::pattern_time_type::utc));
  return SinkRegistry::Instance().Add(minimum, std::move(sink));
}

}  // namespace

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Trace:
      return "trace";
    case Severity::Debug:
      return "debug";
    case Severity::Info:
      return "info";
    case Severity::Warning:
      return "warning";
    case Severity::Error:
      return "error";
  }
  return "unknown";
}

bool ParseSeverity(const std::string& text, Severity* out) {
  static const struct {
    const char* name;
    Severity severity;
  } kNames[] = {{"trace", Severity::Trace},  {"debug", Severity::Debug},
                {"info", Severity::Info},    {"warning", Severity::Warning},
                {"warn", Severity::Warning}, {"error", Severity::Error}};
  for (const auto& n : kNames) {
    if (text == n.name) {
      if (out != nullptr)
        *out = n.severity;
      return true;
    }
  }
  return false;
}

LogRecord::LogRecord(Severity severity) : severity_(severity) {}
LogRecord::~LogRecord() = default;

Logger::Logger(const char* name, bool owned_by_utils)
    : name_(name != nullptr ? name : ""), utility_(owned_by_utils) {}
Logger::~Logger() = default;

bool Logger::HasSink(Severity severity) const {
  return SinkRegistry::Instance().Takes(severity);
}

void Logger::PushRecord(const boost::shared_ptr<LogRecord>& record) const {
  if (!record)
    return;
  const spdlog::level::level_enum level = ToSpdlogLevel(record->GetSeverity());
  const std::string& text = record->GetMessage();
  const spdlog::details::log_msg msg(spdlog::string_view_t(name_.data(), name_.size()), level,
                                     spdlog::string_view_t(text.data(), text.size()));
  // Warnings and errors reach the disk at once, so a server that dies leaves
  // them behind; per-frame trace and debug lines stay buffered rather than
  // cost a write each on the frame path.
  const bool flush = record->GetSeverity() >= Severity::Warning;
  const SinkRegistry::Snapshot sinks = SinkRegistry::Instance().Sinks();
  for (const SinkRegistry::Entry& entry : *sinks) {
    if (entry.sink->should_log(level)) {
      entry.sink->log(msg);
      if (flush)
        entry.sink->flush();
    }
  }
}

bool IsLoggingForbidden() {
  return SinkRegistry::Instance().Forbidden();
}

LoggerHelper::~LoggerHelper() = default;

LogStreamHelper::LogStreamHelper(LogRecord& record) : record_(record) {}
LogStreamHelper::~LogStreamHelper() {
  record_.SetMessage(stream.str());
}

SinkId AddConsoleSink(Severity minimum) {
  return Register(minimum, std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
}

SinkId AddFileSink(const std::string& path, Severity minimum, std::size_t max_bytes,
                   std::size_t max_files) {
  return Register(
      minimum, std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, max_bytes, max_files));
}

SinkId AddCallbackSink(Severity minimum, LineCallback callback) {
  return Register(minimum, std::make_shared<CallbackSink>(std::move(callback)));
}

bool RemoveSink(SinkId id) {
  return SinkRegistry::Instance().Remove(id);
}
void RemoveAllSinks() {
  SinkRegistry::Instance().RemoveAll();
}
void SetLoggingForbidden(bool forbidden) {
  SinkRegistry::Instance().SetForbidden(forbidden);
}

}  // namespace orvlog
