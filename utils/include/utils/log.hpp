// Log channels and the one form every log statement of the system takes.
#pragma once

#include <mutex>
#include <new>
#include <ostream>
#include <string>
#include <type_traits>

#include <orvlog/orvlog.hpp>

namespace utils {

// A channel created on first use. The object itself is meant to be a
// function-local static: its destructor then runs once at unload, and only
// when the channel was created. A throwing Logger constructor leaves the
// once-flag unset, so the next use tries again.
class LogChannel {
 public:
  LogChannel(const char* name, bool flag) : name_(name), flag_(flag) {}
  ~LogChannel() {
    if (created_)
      Logger().~Logger();
  }
  LogChannel(const LogChannel&) = delete;
  LogChannel& operator=(const LogChannel&) = delete;

  orvlog::Logger& Get() {
    std::call_once(once_, [this] {
      new (&storage_) orvlog::Logger(name_, flag_);
      created_ = true;
    });
    return Logger();
  }

 private:
  orvlog::Logger& Logger() { return *std::launder(reinterpret_cast<orvlog::Logger*>(&storage_)); }

  const char* name_;
  bool flag_;
  bool created_ = false;
  std::once_flag once_;
  std::aligned_storage_t<sizeof(orvlog::Logger), alignof(orvlog::Logger)> storage_;
};

// The "utils" channel, shared by the utilities.
orvlog::Logger& GetUtilsLogger();

// One statement. `channel` is called only when logging is allowed, and
// `write` (which fills the text) only when some sink takes `severity`: a
// statement that is off costs one IsLoggingForbidden and one HasSink call.
// What `write` throws reaches the caller; what a sink throws does not.
template <class Channel, class Writer>
void LogStatement(Channel&& channel, orvlog::Severity severity, const Writer& write) {
  orvlog::LoggerHelper helper;
  if (!orvlog::IsLoggingForbidden()) {
    orvlog::Logger& logger = channel();
    if (logger.HasSink(severity)) {
      helper.logger = &logger;
      // The record's owner is the shared pointer from here on; the library
      // may keep its own reference after PushRecord.
      helper.record.reset(new orvlog::LogRecord(severity));
    }
  }
  if (helper.logger != nullptr) {
    {
      orvlog::LogStreamHelper text(helper.GetRecord());
      write(text.stream);
    }
    try {
      helper.logger->PushRecord(helper.record);
    } catch (...) {
      // A sink that fails (a full disk, a host callback that throws) loses
      // this line; the statement's caller, often a thread of the module's
      // or of the camera library's, goes on.
    }
    helper.logger = nullptr;
  }
}

namespace detail {
// A message is either something streamable or a callable that streams itself
// (so that its operands are evaluated only when the statement is on).
template <class Message>
void WriteMessage(std::ostream& os, const Message& message) {
  if constexpr (std::is_invocable_v<const Message&, std::ostream&>) {
    message(os);
  } else {
    os << message;
  }
}
}  // namespace detail

// "<" name "> " tag ": " message
template <class Channel, class Message>
void LogTagged(Channel&& channel, orvlog::Severity severity, const std::string& name,
               const char* tag, const Message& message) {
  LogStatement(channel, severity, [&](std::ostream& os) {
    os << '<' << name << "> " << tag << ": ";
    detail::WriteMessage(os, message);
  });
}

// "<" name "> " message: the form of statements that carry no tag.
template <class Channel, class Message>
void LogUntagged(Channel&& channel, orvlog::Severity severity, const char* name,
                 const Message& message) {
  LogStatement(channel, severity, [&](std::ostream& os) {
    os << '<' << name << "> ";
    detail::WriteMessage(os, message);
  });
}

}  // namespace utils
