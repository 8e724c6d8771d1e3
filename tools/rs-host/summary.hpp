// The end-of-run summary: a table for people, JSON for programs.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "source_statistics.hpp"

namespace rs_host {

struct SourceSummary {
  std::string name;
  std::string address;
  std::optional<std::string> error;  // set when the source did not start
  SourceReport report;
  std::vector<std::string> snapshots;  // files written
};

struct RunSummary {
  std::string module;
  double seconds = 0;     // how long the sources ran
  std::string stoppedBy;  // "time", "frames", "signal" or "failure"
  std::vector<SourceSummary> sources;
};

// One block per source, aligned for a terminal.
void WriteSummaryTable(std::ostream& out, const RunSummary& summary);

// The same content as JSON text.
std::string SummaryJson(const RunSummary& summary);

}  // namespace rs_host
