// One run of rs-host: load the module, run the sources, report.
#pragma once

#include <ostream>

#include "options.hpp"

namespace rs_host {

// Exit status when every source started but one of them delivered no packet.
inline constexpr int kExitNoPackets = 3;

// Status lines and the summary go to `out`, failures to `err`. Returns the
// process exit status: 0 when every source started and delivered and every
// file was written; 1 when a source failed to start, the module could not be
// loaded or a file could not be written; kExitNoPackets otherwise.
int RunHost(const Options& options, std::ostream& out, std::ostream& err, bool terminal);

}  // namespace rs_host
