// Collects log lines through an orvlog callback sink for as long as it lives.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <orvlog/orvlog.hpp>

namespace vs_test_support {

inline constexpr const char* kModuleChannel = "viroz.realsense";
inline constexpr const char* kUtilsChannel = "utils";

// How long a waiting helper gives up after. It guards the suite against a
// hang; it is not a speed expectation.
inline constexpr std::chrono::seconds kWaitLimit{20};

// Sinks are process-wide: use one capture at a time. The minimum severity
// matters to the code under test, which skips work for statements no sink
// takes.
class LogCapture {
 public:
  explicit LogCapture(orvlog::Severity minimum = orvlog::Severity::Trace);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<orvlog::LogLine> Lines() const;
  // Messages of one channel, in the order they were written.
  std::vector<std::string> Messages(const std::string& channel = kModuleChannel) const;
  // Messages of one channel written with `severity`.
  std::vector<std::string> Messages(orvlog::Severity severity,
                                    const std::string& channel = kModuleChannel) const;
  std::size_t Count(const std::string& message, const std::string& channel = kModuleChannel) const;
  // True once `message` has been written `times` times on `channel`.
  bool WaitFor(const std::string& message, std::size_t times = 1,
               const std::string& channel = kModuleChannel) const;
  void Clear();

 private:
  // Shared with the sink: a line that a library thread is still writing
  // when the capture goes lands in live memory.
  struct Store {
    std::mutex mutex;
    std::condition_variable added;
    std::vector<orvlog::LogLine> lines;

    std::size_t CountLocked(const std::string& message, const std::string& channel) const;
  };

  const std::shared_ptr<Store> store_;
  const orvlog::SinkId sink_;
};

}  // namespace vs_test_support
