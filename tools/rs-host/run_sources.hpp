// The sources of one rs-host run, and the module's events counted per source while they run.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "hosted_source.hpp"
#include "module_events.hpp"
#include "options.hpp"
#include "source_statistics.hpp"
#include "vid_db/protocol.hpp"

namespace rs_host {

struct StartResult {
  bool anyRunning = false;
  bool anyFailed = false;
};

// Host thread only; the event sink reads the statistics map from the module's threads, which
// is why the map never changes after construction.
class RunSources {
 public:
  // Creates one source per address of `options` and starts counting their events.
  explicit RunSources(const Options& options);
  RunSources(const RunSources&) = delete;
  RunSources& operator=(const RunSources&) = delete;

  // Starts each source, with the stop signals held so that none arrives halfway through a
  // start; each that fails is written to `err`.
  [[nodiscard]] StartResult StartAll(vid_db::Protocol& protocol, std::ostream& err);

  // Stops every source; errors are kept by each source.
  void StopAll();
  // Ends the counting of events: the statistics are final.
  void StopCounting();
  // Drops every source; what they hold is code of the module.
  void ReleaseAll();

  [[nodiscard]] const std::vector<std::unique_ptr<HostedSource>>& All() const { return sources_; }

 private:
  std::vector<std::unique_ptr<HostedSource>> sources_;
  std::map<std::string, SourceStatistics*> statistics_;  // by source name
  std::optional<ModuleEventSink> events_;                // last: it reads statistics_
};

}  // namespace rs_host
