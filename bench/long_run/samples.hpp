// What the long run samples of a process every few seconds, and the table
// and CSV file they are kept in.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace long_run {

struct Sample {
  double seconds = 0;          // since the run began
  std::int64_t rssKiB = 0;     // resident memory (VmRSS)
  std::int64_t threads = 0;    // threads of the process
  std::int64_t fds = 0;        // open file descriptors
  std::uint64_t packets = 0;   // delivered by all sources so far
  std::uint64_t restarts = 0;  // restarts of sources so far (module lines "streaming again")
};

// Resident memory, threads and open descriptors of process `pid` from /proc;
// empty once the process is gone. `seconds`, `packets` and `restarts` are
// left for the caller.
std::optional<Sample> ReadProcess(int pid);

// The table as it is printed while the run goes on: a header, then a line
// per sample.
std::string TableHeader();
std::string TableLine(const Sample& sample);

// CSV with a header line; ReadCsv accepts what WriteCsv wrote and throws
// std::runtime_error naming the line it cannot read.
void WriteCsvHeader(std::ostream& out);
void WriteCsvLine(std::ostream& out, const Sample& sample);
std::vector<Sample> ReadCsv(std::istream& in);

}  // namespace long_run
