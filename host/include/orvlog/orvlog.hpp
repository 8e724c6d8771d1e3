// The host's logging library. Channels (Logger) are cheap handles; sinks are
// process-wide and configured by the host at run time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include <boost/shared_ptr.hpp>

#if defined(_WIN32)
#if defined(ORVLOG_BUILDING)
#define ORVLOG_API __declspec(dllexport)
#else
#define ORVLOG_API __declspec(dllimport)
#endif
#else
#define ORVLOG_API __attribute__((visibility("default")))
#endif

namespace orvlog {

enum class Severity : int { Trace = 1, Debug = 2, Info = 4, Warning = 8, Error = 16 };

ORVLOG_API const char* SeverityName(Severity severity);

class ORVLOG_API LogRecord {
 public:
  explicit LogRecord(Severity severity);
  ~LogRecord();
  LogRecord(const LogRecord&) = delete;
  LogRecord& operator=(const LogRecord&) = delete;

  Severity GetSeverity() const { return severity_; }
  const std::string& GetMessage() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }

 private:
  Severity severity_;
  std::string message_;
};

// One log channel. Its name appears in every line it writes.
class ORVLOG_API Logger {
 public:
  // `owned_by_utils` marks channels of shared utility code; it is shown in
  // formatted lines so that a reader can tell them from the module's own.
  Logger(const char* name, bool owned_by_utils);
  ~Logger();
  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

  const std::string& GetName() const { return name_; }
  bool IsUtility() const { return utility_; }
  // True when at least one sink takes records of this severity.
  bool HasSink(Severity severity) const;
  // Hands a finished record to every sink that takes its severity.
  void PushRecord(const boost::shared_ptr<LogRecord>& record) const;

 private:
  std::string name_;
  bool utility_;
};

// True while the host forbids logging (for instance during its shutdown).
ORVLOG_API bool IsLoggingForbidden();

// The context of one statement: the channel (null while the statement is
// off) and the record being built.
struct ORVLOG_API LoggerHelper {
  Logger* logger = nullptr;
  boost::shared_ptr<LogRecord> record;

  LoggerHelper() = default;
  ~LoggerHelper();
  LoggerHelper(const LoggerHelper&) = delete;
  LoggerHelper& operator=(const LoggerHelper&) = delete;

  LogRecord& GetRecord() { return *record; }
};

// Collects the text of a record; the destructor stores it as the message.
class ORVLOG_API LogStreamHelper {
 public:
  explicit LogStreamHelper(LogRecord& record);
  ~LogStreamHelper();
  LogStreamHelper(const LogStreamHelper&) = delete;
  LogStreamHelper& operator=(const LogStreamHelper&) = delete;

  std::ostringstream stream;

 private:
  LogRecord& record_;
};

// ---- Host-side configuration -------------------------------------------

// What a callback sink receives for each record.
struct LogLine {
  Severity severity;
  std::string channel;
  std::string message;
  std::string formatted;  // the full line as the console and file sinks write it
};

using SinkId = std::uint64_t;
using LineCallback = std::function<void(const LogLine&)>;

// Sinks take records of their minimum severity and above.
ORVLOG_API SinkId AddConsoleSink(Severity minimum);
ORVLOG_API SinkId AddFileSink(const std::string& path, Severity minimum,
                              std::size_t max_bytes = 10 * 1024 * 1024, std::size_t max_files = 5);
ORVLOG_API SinkId AddCallbackSink(Severity minimum, LineCallback callback);
ORVLOG_API bool RemoveSink(SinkId id);
ORVLOG_API void RemoveAllSinks();
ORVLOG_API void SetLoggingForbidden(bool forbidden);

// Parses "trace", "debug", "info", "warning"/"warn", "error"; false for anything else.
ORVLOG_API bool ParseSeverity(const std::string& text, Severity* out);

}  // namespace orvlog
