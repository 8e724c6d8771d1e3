// The live status line, once a second while the sources run.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "source_statistics.hpp"

namespace rs_host {

enum class SourceState {
  Starting,    // its Start has not returned yet
  Running,     // started
  NotRunning,  // its start failed
};

struct SourceStatus {
  std::string name;
  SourceState state = SourceState::NotRunning;
  SourceReport report;
};

// Update and Finish from the main thread; PrintLine from any thread, the
// module's included.
class StatusDisplay {
 public:
  // On a terminal the line is redrawn in place; otherwise one line per update,
  // which reads well in a log file or a pipe.
  StatusDisplay(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
  ~StatusDisplay();
  StatusDisplay(const StatusDisplay&) = delete;
  StatusDisplay& operator=(const StatusDisplay&) = delete;

  void Update(double elapsedSeconds, const std::vector<SourceStatus>& sources);
  // Writes `line` and a newline to `to` (`out` or another stream on the same
  // terminal). A status line drawn in place is cleared first and drawn again
  // below, so that neither is glued onto the other.
  void PrintLine(std::ostream& to, const std::string& line);
  // Ends an in-place line so that what follows starts on a fresh one.
  void Finish();

  // The text of one update; `fps` has one entry per source.
  static std::string Format(double elapsedSeconds, const std::vector<SourceStatus>& sources,
                            const std::vector<double>& fps);

 private:
  std::ostream& out_;
  const bool terminal_;
  std::mutex mutex_;  // over the output and the line drawn
  bool lineOpen_ = false;
  std::string shown_;  // the line drawn in place
  // The main thread's alone.
  double lastElapsed_ = 0;
  std::vector<std::uint64_t> lastPackets_;
};

}  // namespace rs_host
