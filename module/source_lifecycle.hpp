// The life of one source: started, streaming, rebuilt after a loss, stopped,
// from whichever thread asks, its own handler's included.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <address/source_config.hpp>
#include <utils/mutex.hpp>
#include <utils/noncopyable.hpp>

#include "free_space.hpp"
#include "session.hpp"
#include "source_stats.hpp"
#include "supervisor_clock.hpp"

namespace vs_realsense2 {

// Idle: nothing runs. Starting: Start waits for the first session build.
// Streaming: a session delivers. Restarting: the session was lost and the
// supervisor tries to build a new one. Stopping: a stop was asked for and
// the supervisor tears down; Idle follows once no handler call can come.
// Every change happens under the lifecycle's one lock. What later work adds
// fits in as a stretch of one of these: a camera awaited after Start returned
// and a hardware reset are Restarting (the supervisor waits on its clock and
// on device changes), a recording rotation is a rebuild within Streaming.
enum class SourceState { Idle, Starting, Streaming, Restarting, Stopping };

class SupervisedRun;
struct RunControl;

// Each Start begins a run: a supervisor thread (`rs-sup:<name>`) that builds
// the sessions of the run, watches them and destroys them. The supervisor is
// the only thread that builds or destroys a session, so Start, Stop and
// release never race over one; they only change the state and wait.
//
// The lock is never held while the module calls the handler, librealsense2
// or a log sink: lines are written once it is released.
//
// Threads: Start, Stop and Release from any host thread and from inside the
// handler (the reader thread of one of the source's sessions), also at the
// same time. See docs/INTEGRATION.md, Threads.
class SourceLifecycle : public std::enable_shared_from_this<SourceLifecycle>,
                        private utils::Noncopyable {
 public:
  [[nodiscard]] static std::shared_ptr<SourceLifecycle> Create(
      std::string name, SourceConfig config, std::shared_ptr<SupervisorClock> clock,
      FreeSpaceProbe freeSpace = FolderFreeBytes);
  ~SourceLifecycle();

  // For Create only: a lifecycle lives in a shared pointer, which each
  // supervisor thread holds too.
  class Key {
    friend class SourceLifecycle;
    Key() = default;
  };
  SourceLifecycle(Key, std::string name, SourceConfig config,
                  std::shared_ptr<SupervisorClock> clock, FreeSpaceProbe freeSpace);

  // Refuses a source that is started ("already started: "), is still being
  // stopped from inside its own handler ("still stopping: ") or gets no
  // handler ("handler is null"), all std::runtime_error. Otherwise returns
  // once the first session streams, or once a Stop that came meanwhile has
  // torn it down; throws what the first build threw (a library error logged
  // first) with nothing left running. Supervised, a live camera that is not
  // listed or is busy in another program is no failure: Start returns after
  // one look at the device list (Warning "Start: waiting for ...") and the
  // supervisor starts the camera when it can, as after an unplug.
  void Start(const Session::HandlerPtr& handler) EXCLUDES(mutex_);
  // Never throws. No handler call starts once it was called. On a host
  // thread it returns when every thread of the source is joined; inside the
  // handler it returns at once and the supervisor tears down, joined by the
  // next host call. Logs "Stop".
  void Stop() noexcept EXCLUDES(mutex_);
  // The owner lets go: as Stop without its line; inside the handler the
  // source's threads are left to the ThreadReaper.
  void Release() noexcept EXCLUDES(mutex_);

  [[nodiscard]] SourceState State() const EXCLUDES(mutex_);

 private:
  friend class SupervisedRun;

  [[nodiscard]] bool OnReaderThread() const REQUIRES(mutex_);
  void RequestStop() REQUIRES(mutex_);
  // Host thread, not holding the lock: joins the supervisors of stopped runs
  // and waits until no other host thread is still joining one.
  void JoinStopped() EXCLUDES(mutex_);
  void Wake() EXCLUDES(mutex_);

  const std::string name_;
  const SourceConfig config_;
  const std::shared_ptr<SupervisorClock> clock_;
  const FreeSpaceProbe freeSpace_;  // called by the supervisor only
  // Shared with every session; the health line and the watchdog read it.
  const std::shared_ptr<SourceStats> stats_;

  mutable utils::Mutex mutex_;
  std::condition_variable changed_;
  SourceState state_ GUARDED_BY(mutex_) = SourceState::Idle;
  std::shared_ptr<RunControl> run_ GUARDED_BY(mutex_);                   // the started run
  std::vector<std::shared_ptr<RunControl>> stopped_ GUARDED_BY(mutex_);  // supervisors to join
  int joining_ GUARDED_BY(mutex_) = 0;                                   // supervisors being joined
  std::vector<std::thread::id> readers_ GUARDED_BY(mutex_);              // where the handler runs
  Session* streaming_ GUARDED_BY(mutex_) = nullptr;                      // the run's live session
  // Written by the supervisor and the readers it made.
  bool readerFailed_ GUARDED_BY(mutex_) = false;
  bool devicesChanged_ GUARDED_BY(mutex_) = false;
  // Set by the library's thread when the live session's recorder stopped
  // for a write failure, with the library's text; the supervisor takes it.
  std::optional<std::string> recorderFailure_ GUARDED_BY(mutex_);
  std::uint64_t sessionSequence_ GUARDED_BY(mutex_) = 0;
  std::optional<std::int64_t> floorColorTime_ GUARDED_BY(mutex_);
  // Shared with every session, whose library thread raises it.
  const std::shared_ptr<std::atomic<bool>> frameArrived_ =
      std::make_shared<std::atomic<bool>>(false);
};

}  // namespace vs_realsense2
