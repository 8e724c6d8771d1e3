// Collects the module's log lines (and those of every other channel, for
// Raw) through an orvlog sink while it lives.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include <orvlog/orvlog.hpp>

namespace vs_test_support {

// One line of the module channel. The severity is part of a line's contract:
// operators filter on it, so every check of a line checks it too.
struct Line {
  orvlog::Severity severity;
  std::string message;

  friend bool operator==(const Line& a, const Line& b) {
    return a.severity == b.severity && a.message == b.message;
  }
  friend bool operator!=(const Line& a, const Line& b) { return !(a == b); }
};
using Lines = std::vector<Line>;

// gtest prints mismatching lines as "Warning <cam> Tag: text".
void PrintTo(const Line& line, std::ostream* os);

// The pattern of the line a source `name` writes when a restart streams
// again after `tries` tries, for WaitForMatching and CountMatching.
inline std::string StreamingAgain(const std::string& name, int tries) {
  return "<" + name + R"(> Restart: streaming again after \d+\.\d s, )" + std::to_string(tries) +
         (tries == 1 ? " try" : " tries");
}

// The framesets source `name` logged as lost among `warnings`: one for each
// "lost frames" line, n for each "lost frames: n in the last second".
std::uint64_t LostFramesLogged(const std::vector<std::string>& warnings, const std::string& name);

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

  // The module channel's lines in order, with their severities.
  Lines All() const;
  // The texts of the module channel's lines of exactly `severity`, in order.
  std::vector<std::string> Messages(orvlog::Severity severity) const;
  // How often the module wrote `message` at exactly `severity`.
  std::size_t Count(orvlog::Severity severity, const std::string& message) const;
  // True once the module has written `message` at `severity` `times` times.
  bool WaitFor(orvlog::Severity severity, const std::string& message, std::size_t times = 1) const;
  // As Count and WaitFor, for messages that match `pattern` as a whole
  // (ECMAScript syntax), for lines that carry a measured figure.
  std::size_t CountMatching(orvlog::Severity severity, const std::string& pattern) const;
  bool WaitForMatching(orvlog::Severity severity, const std::string& pattern,
                       std::size_t times = 1) const;
  // True once `done` holds for All(); false after kWaitLimit. For lines
  // whose text is only partly known in advance (times, rates).
  bool WaitUntil(const std::function<bool(const Lines&)>& done) const;
  void Clear();
  // Every channel's lines, as the sink had them: for the suites of the logging itself.
  std::vector<orvlog::LogLine> Raw() const;

 private:
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
