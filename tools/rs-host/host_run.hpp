// One run of rs-host: load the module, run the sources, report.
#pragma once

#include <ostream>

#include "options.hpp"

namespace rs_host {

// Status lines and the summary go to `out`, failures to `err`. Returns the
// process exit status: 0 when every source started and every file was written.
int RunHost(const Options& options, std::ostream& out, std::ostream& err, bool terminal);

}  // namespace rs_host
