// The command line of rs-host: what to run, for how long, and what to write.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "orvlog/orvlog.hpp"

namespace rs_host {

// A simulated camera pulled out or plugged back in, `seconds` into the run
// (--unplug and --replug; only a build on rs2sim has them).
struct PlugAction {
  bool unplug = true;  // false: plugged back in
  std::string serial;
  double seconds = 0;
};

struct Options {
  std::vector<std::string> addresses;
  std::vector<std::string> names;  // one per address, defaults filled in
  double seconds = 5.0;            // 0: no time limit
  std::uint64_t frames = 0;        // packets per source; 0: no packet limit
  orvlog::Severity logLevel = orvlog::Severity::Info;
  std::string modulePath;               // empty: the module next to the program
  std::string jsonPath;                 // empty: no JSON summary
  std::string snapshotDir;              // empty: no snapshots
  bool list = false;                    // list the connected cameras instead of running sources
  std::vector<PlugAction> plugActions;  // --unplug, then --replug, each in the order given
};

// Either options to run with, or the exit status of a run that ends here
// (help shown, or a usage error reported).
struct ParsedCommandLine {
  std::optional<Options> options;
  int exitCode = 0;
};

// Help and errors go to `out` and `err`, so that tests can read them.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args, std::ostream& out,
                                   std::ostream& err);

// The name given to the source at `index` when --name does not name it.
std::string DefaultSourceName(std::size_t index);

}  // namespace rs_host
