// Collects what the utilities log, through a callback sink of the logging
// library, for as long as the object lives.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <orvlog/orvlog.hpp>

namespace utils_test {

class ScopedSink {
 public:
  explicit ScopedSink(orvlog::LineCallback callback)
      : id(orvlog::AddCallbackSink(orvlog::Severity::Trace, std::move(callback))) {}
  ~ScopedSink() { orvlog::RemoveSink(id); }
  ScopedSink(const ScopedSink&) = delete;
  ScopedSink& operator=(const ScopedSink&) = delete;

 private:
  orvlog::SinkId id;
};

class LogCapture {
 public:
  // The messages so far; every line must be a Trace line of the "utils"
  // channel, the only kind the utilities write.
  std::vector<std::string> UtilsTraceMessages() const {
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<std::string> messages;
    for (const orvlog::LogLine& line : lines) {
      EXPECT_EQ(line.channel, "utils") << line.message;
      EXPECT_EQ(line.severity, orvlog::Severity::Trace) << line.message;
      messages.push_back(line.message);
    }
    return messages;
  }

 private:
  mutable std::mutex mutex;
  std::vector<orvlog::LogLine> lines;
  ScopedSink sink{[this](const orvlog::LogLine& line) {
    std::lock_guard<std::mutex> guard(mutex);
    lines.push_back(line);
  }};
};

}  // namespace utils_test
