// The live status line, once a second while the sources run.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "source_statistics.hpp"

namespace rs_host {

struct SourceStatus {
  std::string name;
  bool running = false;
  SourceReport report;
};

class StatusDisplay {
 public:
  // On a terminal the line is redrawn in place; otherwise one line per update,
  // which reads well in a log file or a pipe.
  StatusDisplay(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
  ~StatusDisplay();
  StatusDisplay(const StatusDisplay&) = delete;
  StatusDisplay& operator=(const StatusDisplay&) = delete;

  void Update(double elapsedSeconds, const std::vector<SourceStatus>& sources);
  // Ends an in-place line so that what follows starts on a fresh one.
  void Finish();

  // The text of one update; `fps` has one entry per source.
  static std::string Format(double elapsedSeconds, const std::vector<SourceStatus>& sources,
                            const std::vector<double>& fps);

 private:
  std::ostream& out_;
  const bool terminal_;
  bool lineOpen_ = false;
  double lastElapsed_ = 0;
  std::vector<std::uint64_t> lastPackets_;
};

}  // namespace rs_host
