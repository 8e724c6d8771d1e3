// The sources of one rs-host run, and the module's events counted per source while they run.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hosted_source.hpp"
#include "module_events.hpp"
#include "options.hpp"
#include "source_starts.hpp"
#include "source_statistics.hpp"
#include "status_display.hpp"
#include "vid_db/protocol.hpp"

namespace rs_host {

// Host thread only; the event sink reads the statistics map from the module's threads, which
// is why the map never changes after construction.
class RunSources {
 public:
  // Creates one source per address of `options` and starts counting their events.
  explicit RunSources(const Options& options);
  RunSources(const RunSources&) = delete;
  RunSources& operator=(const RunSources&) = delete;

  // Begins the start of every source, all at once (SourceStarts), and returns.
  void StartAll(vid_db::Protocol& protocol);
  [[nodiscard]] SourceState StateOf(std::size_t index) const;
  // Whether a start has not returned yet.
  [[nodiscard]] bool Starting() const;
  [[nodiscard]] bool AnyStarted() const;
  [[nodiscard]] bool AnyFailed() const;
  // "rs-host: source NAME (ADDRESS) failed to start: ERROR" for each start that failed since
  // the last call, in source order: a failure waits until every source before it has
  // started or failed, so that the order is the same in every run.
  [[nodiscard]] std::vector<std::string> TakeStartFailures();

  // Stops every source: those still starting as soon as their start returns (SourceStarts).
  // Errors are kept by each source.
  void StopAll();
  // Waits for the starts still under way (blocks: call once Starting() is false).
  void JoinStarts();
  // Ends the counting of events: the statistics are final.
  void StopCounting();
  // Drops every source; what they hold is code of the module.
  void ReleaseAll();

  [[nodiscard]] const std::vector<std::unique_ptr<HostedSource>>& All() const { return sources_; }

 private:
  std::vector<std::unique_ptr<HostedSource>> sources_;
  std::map<std::string, SourceStatistics*> statistics_;  // by source name
  std::optional<SourceStarts> starts_;                   // after sources_: it points to them
  std::size_t reported_ = 0;                             // sources whose start failure is told
  std::optional<ModuleEventSink> events_;                // last: it reads statistics_
};

}  // namespace rs_host
