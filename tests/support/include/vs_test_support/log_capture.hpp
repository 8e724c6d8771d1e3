// Collects the module's log lines through an orvlog sink while it lives.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <orvlog/orvlog.hpp>

namespace vs_test_support {

// When a waiting helper gives up: a guard against hangs, not a speed goal.
inline constexpr std::chrono::seconds kWaitLimit{20};

// Sinks are process-wide: one capture at a time. The minimum severity matters
// to the code under test, which skips work for lines no sink takes.
class LogCapture {
 public:
  explicit LogCapture(orvlog::Severity minimum = orvlog::Severity::Trace);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // The module channel's messages in order, all or of one severity.
  std::vector<std::string> Messages(std::optional<orvlog::Severity> severity = {}) const;
  std::size_t Count(const std::string& message) const;
  // True once the module has written `message` `times` times.
  bool WaitFor(const std::string& message, std::size_t times = 1) const;
  void Clear();

 private:
  std::vector<orvlog::LogLine> Lines() const;

  // Shared with the sink: a line that a library thread is still writing
  // when the capture goes lands in live memory.
  struct Store {
    std::mutex mutex;
    std::condition_variable added;
    std::vector<orvlog::LogLine> lines;
  };

  const std::shared_ptr<Store> store_;
  const orvlog::SinkId sink_;
};

}  // namespace vs_test_support
