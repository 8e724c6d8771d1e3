// Keeps one started source streaming: notices a silent camera or a dead
// reader, rebuilds the session, and lets the source be stopped from any
// thread, its own handler's included.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include <address/source_config.hpp>
#include <utils/noncopyable.hpp>

#include "session.hpp"

namespace vs_realsense2 {

class SupervisorCore;

// Owns the running Session of a started source and a thread of its own.
// A restart never repairs a session: it destroys it exactly as Stop does and
// builds a new one from the same configuration and handler.
//
// Threads: the constructor and destructor run on host threads;
// StopFromHandler and Abandon on the source's reader thread (inside the
// host's handler); everything else on the supervisor's thread, which
// alone builds and destroys sessions once the first one runs.
class SourceSupervisor : private utils::Noncopyable {
 public:
  // Builds the first session on the calling thread, then starts supervising
  // (restarts only when config.watchdog_ms > 0). Throws what Session throws,
  // with nothing left running. `owner` marks the reader threads of every
  // session built (OnReaderThreadOf). `stats`, when not null, are the
  // source's counters: every session counts into them, and the supervisor
  // writes the health line every config.stats_s seconds.
  SourceSupervisor(const SourceConfig& config, const Session::HandlerPtr& handler,
                   const std::string& name, const void* owner,
                   std::shared_ptr<SourceStats> stats = nullptr);
  // Never throws; when it returns the session is torn down, every thread of
  // the source is joined and the handler gets no further call. Waits for a
  // session build that is inside the library (see docs/INTEGRATION.md).
  ~SourceSupervisor();

  // From inside the handler: the current call finishes, no further call
  // follows, and the supervisor's thread tears the session down. The
  // destructor, on a host thread, then only joins.
  void StopFromHandler() noexcept;
  // From inside the handler, when the source itself is being released
  // there: as StopFromHandler, and the supervisor's thread finishes the
  // teardown on its own, so this object may be destroyed at once. The thread
  // is joined by the ThreadReaper: soon after, or when the module unloads.
  void Abandon() noexcept;

 private:
  const std::shared_ptr<SupervisorCore> core_;
  // Raised by the supervisor's thread as the last thing it does.
  const std::shared_ptr<std::atomic<bool>> done_ = std::make_shared<std::atomic<bool>>(false);
  std::thread thread_;  // last: starts once the first session runs
};

}  // namespace vs_realsense2
