// The supervisor thread of one started run of a source: it builds the run's
// sessions, watches what reaches the server and rebuilds a session that
// stopped delivering.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <utils/mutex.hpp>
#include <utils/noncopyable.hpp>

#include <orvlog/orvlog.hpp>

#include "camera_temperatures.hpp"
#include "device_watch.hpp"
#include "health_report.hpp"
#include "notification_log.hpp"
#include "recording_guard.hpp"
#include "restart_policy.hpp"
#include "session.hpp"
#include "source_lifecycle.hpp"

namespace vs_realsense2 {

// What a Start shares with the supervisor it began.
struct RunControl : private utils::Noncopyable {
  // Waiting: Start returned without a session; the camera is awaited as
  // after an unplug.
  enum class FirstBuild { Pending, Streaming, Waiting, Stopped, Failed };

  explicit RunControl(Session::HandlerPtr runHandler) : handler(std::move(runHandler)) {}

  const Session::HandlerPtr handler;
  // Raised once the run is to stop; every session of the run reads it
  // before each handler call.
  const std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
  // Raised by the supervisor thread as the last thing it does (ThreadReaper).
  const std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
  // Guarded by the lifecycle's lock. Joined by whoever takes it out of the
  // lifecycle.
  std::thread supervisor;
  FirstBuild first = FirstBuild::Pending;
  std::exception_ptr failure;  // with FirstBuild::Failed
};

// Runs on the supervisor thread alone; shares only the lifecycle's guarded
// fields, under its lock. Holds the session, the policy and the health
// report of the run.
class SupervisedRun : private utils::Noncopyable {
 public:
  SupervisedRun(SourceLifecycle& lifecycle, RunControl& run);
  ~SupervisedRun();

  // The whole run: the first build (Start waits for its outcome), then
  // watching and restarting until a stop, then the teardown. Never throws.
  void Supervise() noexcept EXCLUDES(lifecycle_.mutex_);

 private:
  // Held on the lifecycle's mutex. Each function handed it is marked
  // REQUIRES(lifecycle_.mutex_), which the analysis checks; the stretches
  // run without it go through Lock::Unlocked, which the analysis checks as
  // holding nothing.
  using Lock = utils::MutexLock;

  void BuildFirst(Lock& lock) REQUIRES(lifecycle_.mutex_);
  // Start returns; the run goes on as a restart that waits for the camera.
  void AwaitCamera(Lock& lock, const std::string& why) REQUIRES(lifecycle_.mutex_);
  void Watch(Lock& lock) REQUIRES(lifecycle_.mutex_);
  void BeginRestart(Lock& lock, const std::string& reason, std::int64_t now)
      REQUIRES(lifecycle_.mutex_);
  void AwaitTry(Lock& lock) REQUIRES(lifecycle_.mutex_);
  // Whether the recovery ladder resets the camera before the next try; a
  // reset that reset_min_s holds back is logged once.
  [[nodiscard]] bool ResetDue(Lock& lock, std::int64_t now) REQUIRES(lifecycle_.mutex_);
  // Asks the camera to reset itself and waits, bounded, for it to leave and
  // come back; the tries go on either way.
  void ResetCamera(Lock& lock, std::int64_t now) REQUIRES(lifecycle_.mutex_);
  // Whether the camera stays away or comes back within the bounded wait.
  void AwaitReturn(Lock& lock, std::int64_t resetMs) REQUIRES(lifecycle_.mutex_);
  void TryRestart(Lock& lock) REQUIRES(lifecycle_.mutex_);
  // Builds a session from `config` unlocked; the lock is held again on
  // return. Throws what Session throws. `spaced`: the build counts for the
  // spacing of restarts (a new recording file does not).
  std::unique_ptr<Session> Build(Lock& lock, const SourceConfig& config, bool spaced = true)
      REQUIRES(lifecycle_.mutex_);
  // Why a recorded session is built: the lines differ.
  enum class NewFile { Start, Restart, Rotation };
  // Builds a session of the configuration that records to the next free
  // file when the recording's folder exists and has room, and else (or when
  // the library cannot record there) streams without recording, with a line
  // that says why. Throws what Session throws without a recording.
  std::unique_ptr<Session> BuildRecorded(Lock& lock, NewFile why, bool spaced)
      REQUIRES(lifecycle_.mutex_);
  // Free space, the folder, the open file's size and age, a write failure.
  void LookAtRecording(Lock& lock, std::int64_t now) REQUIRES(lifecycle_.mutex_);
  // Replaces the session at once, recording or not; no restart, no backoff.
  void Rebuild(Lock& lock, bool record, std::int64_t now) REQUIRES(lifecycle_.mutex_);
  // Runs `call` on the session unlocked; false after a line with its failure.
  template <class Call>
  [[nodiscard]] bool CallRecorder(Lock& lock, const char* what, const Call& call)
      REQUIRES(lifecycle_.mutex_);
  // Deletes the oldest files of the series beyond its budget.
  void TrimSeries(Lock& lock, std::size_t newFiles) REQUIRES(lifecycle_.mutex_);
  void Adopt(Lock& lock, std::unique_ptr<Session> session) REQUIRES(lifecycle_.mutex_);
  void DestroySession(Lock& lock) REQUIRES(lifecycle_.mutex_);
  void Wait(Lock& lock, std::int64_t deadlineMs) REQUIRES(lifecycle_.mutex_);
  void NoteProgress(std::int64_t now);
  // Whether packets flow with the same depth frame for the frozen-depth limit.
  [[nodiscard]] bool DepthFrozen(std::int64_t now) const;
  [[nodiscard]] std::int64_t DepthFrozenLimitMs() const;
  [[nodiscard]] bool WatchdogOn() const { return watchdogMs_ > 0; }
  // Unlocked; the session's, or none while there is no session.
  [[nodiscard]] Temperatures ReadCameraTemperatures() const EXCLUDES(lifecycle_.mutex_);
  [[nodiscard]] std::string MissingCamera() EXCLUDES(lifecycle_.mutex_);
  // Unlocked. Empty when the camera is listed, else what the start waits
  // for and why, with the serial numbers that are listed.
  [[nodiscard]] std::string AbsentCamera() EXCLUDES(lifecycle_.mutex_);
  [[nodiscard]] bool Listed() EXCLUDES(lifecycle_.mutex_);
  [[nodiscard]] std::string WantedCamera() const;
  void RaiseWatchdogToRate(Lock& lock, int fps) REQUIRES(lifecycle_.mutex_);
  // Writes a line of the source with the lock released (LogSafely).
  template <class Message>
  void Say(Lock& lock, orvlog::Severity severity, const char* tag, const Message& message)
      REQUIRES(lifecycle_.mutex_);

  SourceLifecycle& lifecycle_;
  RunControl& run_;
  const std::int64_t watchdogMs_;  // as configured; 0: no supervision
  RestartPolicy policy_;
  HealthReport health_;
  // Shared with the library's notification threads of the run's sessions.
  const std::shared_ptr<NotificationLog> notifications_;
  TemperatureWatch temperatureWatch_;
  // The recovery ladder. Live, supervised and with `sn` only.
  const bool ladderOn_;                      // reset_after > 0
  const bool resetOnStart_;                  // reset_on_start
  int failedTries_ = 0;                      // in a row, the camera listed
  std::optional<std::int64_t> lastResetMs_;  // for reset_min_s
  bool resetHeldLogged_ = false;             // since the last reset
  std::string resetReason_;                  // not empty: reset before the next try
  std::int64_t sessionAdoptedMs_ = 0;
  // Raised by a notification reaction on a library thread: a hardware error
  // of severity Error.
  const std::shared_ptr<std::atomic<bool>> hardwareError_ =
      std::make_shared<std::atomic<bool>>(false);
  std::int64_t nextTemperatureMs_ = 0;  // with temp_warn_c: the next read for the watch
  std::unique_ptr<Session> session_;
  std::int64_t nextTryMs_ = 0;
  std::uint64_t lastHandlerCalls_ = 0;
  std::optional<std::int64_t> lastFramesetMs_;  // at a look that found framesets
  bool callBegunSinceLook_ = false;             // at the latest look
  std::uint64_t lastDepthChanges_ = 0;
  std::optional<std::int64_t> depthChangedMs_;  // at a look that found a new depth frame
  int depthFps_ = 0;                            // of the session watched
  std::int64_t raisedWatchdogMs_ = 0;           // the last floor warned about
  // Live sources that record only.
  std::optional<RecordingGuard> recording_;
  // Shared with the sessions and the notifications' reaction.
  const std::shared_ptr<RecorderHold> recorderHold_ = std::make_shared<RecorderHold>();
  std::string recordingFile_;  // the file the session writes; empty: none
  std::int64_t nextRecordingLookMs_ = 0;
  // Only while the camera is missing. Last: its library callback reaches the
  // lifecycle, and no callback follows its destruction.
  std::unique_ptr<DeviceWatch> devices_;
};

}  // namespace vs_realsense2
