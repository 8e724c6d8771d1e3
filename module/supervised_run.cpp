#include "supervised_run.hpp"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <limits>
#include <sstream>
#include <utility>

#include <module_log_lines.hpp>
#include <utils/printable.hpp>

#include "camera_failure.hpp"
#include "failure_text.hpp"
#include "logger.hpp"
#include "record_path.hpp"
#include "recording_series.hpp"
#include "source_lifecycle.hpp"
#include "thread_name.hpp"

namespace vs_realsense2 {
namespace {

namespace lines = log_lines;

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
// How often temp_warn_c reads the temperatures: each read is a request to the
// camera.
constexpr std::int64_t kTemperatureLookMs = 10000;
// How long a reset camera has to leave and come back: a D400 is back within
// about 10 s.
constexpr std::int64_t kResetWaitMs = 30000;

bool LadderAllowed(const SourceConfig& config) {
  return config.watchdog_ms > 0 && !config.sn.empty() && config.playback_from_file.empty();
}

std::string DescribeFailure(const std::exception_ptr& failure) {
  std::ostringstream text;
  WriteFailure(text, failure);
  return text.str();
}

// SourceStats::handlerCalls counts each call twice: as it begins and as it
// ends.
std::uint64_t CallsBegun(std::uint64_t calls) {
  return (calls + 1) / 2;
}

const char* const kRecordingTag = lines::kRecordingTag.data();

std::string Megabytes(std::uint64_t bytes) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << static_cast<double>(bytes) / (1024.0 * 1024.0)
       << " MB";
  return text.str();
}

std::uint64_t FileBytes(const std::string& path) {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(std::filesystem::u8path(path), error);
  return error ? 0 : bytes;
}

std::string Seconds(std::int64_t ms) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << static_cast<double>(ms) / 1000.0 << " s";
  return text.str();
}

}  // namespace

SupervisedRun::SupervisedRun(SourceLifecycle& lifecycle, RunControl& run)
    : lifecycle_(lifecycle),
      run_(run),
      watchdogMs_(lifecycle.config_.watchdog_ms),
      policy_(std::max<std::int64_t>(watchdogMs_, 1)),
      health_(lifecycle.name_, lifecycle.stats_, lifecycle.config_.stats_s,
              [clock = lifecycle.clock_] { return clock->NowMs(); }),
      notifications_(std::make_shared<NotificationLog>(
          lifecycle.name_, [clock = lifecycle.clock_] { return clock->NowMs(); })),
      temperatureWatch_(lifecycle.name_, lifecycle.config_.temp_warn_c),
      ladderOn_(LadderAllowed(lifecycle.config_) && lifecycle.config_.reset_after > 0),
      resetOnStart_(LadderAllowed(lifecycle.config_) && lifecycle.config_.reset_on_start) {
  if (ladderOn_) {
    // "Laser hot" and the like share the category at severity Warning; a
    // reset cures neither.
    notifications_->React([flag = hardwareError_](const Notice& notice) {
      if (notice.category == RS2_NOTIFICATION_CATEGORY_HARDWARE_ERROR &&
          LogSeverity(notice.severity) == orvlog::Severity::Error)
        flag->store(true, std::memory_order_relaxed);
    });
  }
  health_.AddFields([log = notifications_](std::ostream& os) { log->WriteHealthFields(os); });
  // Read as the line is written, on the supervisor's thread, which alone
  // replaces the session.
  health_.AddFields(
      [this](std::ostream& os) { WriteTemperatureFields(os, ReadCameraTemperatures()); });
  const SourceConfig& config = lifecycle.config_;
  if (!config.record_to_file.empty() && config.playback_from_file.empty()) {
    recording_.emplace(config);
    // The library's only word on a write failure; the recorder is kept on
    // its thread at once, before anything could destroy it.
    notifications_->React(
        [hold = recorderHold_, weak = lifecycle.weak_from_this()](const Notice& notice) {
          if (notice.category != RS2_NOTIFICATION_CATEGORY_UNKNOWN_ERROR ||
              !IsRecordingStopped(notice.description) || !hold->KeepHeld()) {
            return;
          }
          if (const std::shared_ptr<SourceLifecycle> source = weak.lock()) {
            {
              const utils::MutexLock guard(source->mutex_);
              source->recorderFailure_ = notice.description;
            }
            source->changed_.notify_all();
          }
        });
  }
}

SupervisedRun::~SupervisedRun() = default;

template <class Message>
void SupervisedRun::Say(Lock& lock, orvlog::Severity severity, const char* tag,
                        const Message& message) {
  lock.Unlocked([&] { LogSafely(severity, lifecycle_.name_, tag, message); });
}

void SupervisedRun::Supervise() noexcept {
  NameCurrentThread("rs-sup:", lifecycle_.name_);
  try {
    Lock lock(lifecycle_.mutex_);
    BuildFirst(lock);
    for (;;) {
      const SourceState state = lifecycle_.state_;
      if (state == SourceState::Streaming)
        Watch(lock);
      else if (state == SourceState::Restarting)
        AwaitTry(lock);
      else
        break;
    }
    DestroySession(lock);
    // Whatever the devices' callback does next reaches nobody.
    std::unique_ptr<DeviceWatch> devices = std::move(devices_);
    lock.Unlocked([&] { devices.reset(); });
    if (run_.first == RunControl::FirstBuild::Pending)
      run_.first = RunControl::FirstBuild::Stopped;
    // A failed first build ends the run without a stop: its thread still
    // has to be joined by whoever comes next.
    if (lifecycle_.run_.get() == &run_)
      lifecycle_.stopped_.push_back(std::move(lifecycle_.run_));
    lifecycle_.state_ = SourceState::Idle;
    lifecycle_.changed_.notify_all();
  } catch (...) {
    // Only a failing mutex lands here; the source is beyond repair, but the
    // host's process goes on.
  }
}

// The first session is built here too, so that Start and a stop from any
// thread meet only in the state. Supervised, a live camera that is not
// listed, or busy in another program, is waited for instead: Start returns
// at once rather than block the host's thread in the library's device wait.
void SupervisedRun::BuildFirst(Lock& lock) {
  // Times of an earlier run bind nothing: the Stop between was the host's.
  lifecycle_.floorColorTime_.reset();
  if (resetOnStart_) {
    // Start returns at once; the reset and the first build run as a restart.
    if (lifecycle_.state_ != SourceState::Starting)
      return;  // stopped meanwhile
    const std::int64_t now = lifecycle_.clock_->NowMs();
    nextTryMs_ = now + policy_.RestartBegan(now);
    resetReason_ = "reset_on_start";
    lifecycle_.state_ = SourceState::Restarting;
    run_.first = RunControl::FirstBuild::Waiting;
    lifecycle_.changed_.notify_all();
    return;
  }
  const bool awaitable = WatchdogOn() && lifecycle_.config_.playback_from_file.empty();
  std::string awaited;
  std::unique_ptr<Session> session;
  try {
    if (awaitable) {
      lock.Unlocked([&] {
        awaited = AbsentCamera();
        if (awaited.empty())
          devices_.reset();  // a streaming source needs no watch
      });
    }
    if (awaited.empty())
      session = BuildRecorded(lock, NewFile::Start, /*spaced=*/true);
  } catch (...) {
    const std::exception_ptr failure = std::current_exception();
    if (!awaitable || ClassifyCameraFailure(failure) != CameraFailure::Busy) {
      run_.failure = failure;
      run_.first = RunControl::FirstBuild::Failed;
      lifecycle_.state_ = SourceState::Stopping;
      return;
    }
    awaited =
        WantedCamera() + ": busy, in use by another program (" + DescribeFailure(failure) + ")";
  }
  if (!session) {
    AwaitCamera(lock, awaited);
    return;
  }
  Adopt(lock, std::move(session));
  if (lifecycle_.state_ == SourceState::Starting) {
    lifecycle_.state_ = SourceState::Streaming;
    run_.first = RunControl::FirstBuild::Streaming;
    lifecycle_.changed_.notify_all();
  }
}

void SupervisedRun::AwaitCamera(Lock& lock, const std::string& why) {
  Say(lock, orvlog::Severity::Warning, "Start", "waiting for " + why);
  if (lifecycle_.state_ != SourceState::Starting)
    return;  // stopped meanwhile
  const std::int64_t now = lifecycle_.clock_->NowMs();
  // A change of devices from here on brings the first try forward.
  nextTryMs_ = now + std::max(policy_.RestartBegan(now), BackoffMs(1));
  lifecycle_.state_ = SourceState::Restarting;
  run_.first = RunControl::FirstBuild::Waiting;
  lifecycle_.changed_.notify_all();
}

std::unique_ptr<Session> SupervisedRun::Build(Lock& lock, const SourceConfig& config, bool spaced) {
  SessionLinks links;
  links.frameArrived = lifecycle_.frameArrived_;
  links.stopRequested = run_.stop;
  links.floorColorTime = lifecycle_.floorColorTime_;
  links.stats = lifecycle_.stats_;
  links.notifications = notifications_;
  links.nowMs = [clock = lifecycle_.clock_] { return clock->NowMs(); };
  const std::uint64_t sequence = ++lifecycle_.sessionSequence_;
  SourceLifecycle& lifecycle = lifecycle_;
  links.readerBegan = [&lifecycle] {
    const utils::MutexLock guard(lifecycle.mutex_);
    lifecycle.readers_.push_back(std::this_thread::get_id());
  };
  links.readerEnded = [&lifecycle, sequence](bool failed, std::int64_t lastColorTime) {
    {
      const utils::MutexLock guard(lifecycle.mutex_);
      auto& readers = lifecycle.readers_;
      readers.erase(std::remove(readers.begin(), readers.end(), std::this_thread::get_id()),
                    readers.end());
      if (lastColorTime != 0) {
        lifecycle.floorColorTime_ =
            std::max(lifecycle.floorColorTime_.value_or(lastColorTime), lastColorTime);
      }
      if (failed && sequence == lifecycle.sessionSequence_)
        lifecycle.readerFailed_ = true;
    }
    lifecycle.changed_.notify_all();
  };
  if (!config.record_to_file.empty())
    links.recorder = recorderHold_;
  lifecycle_.frameArrived_->store(false, std::memory_order_relaxed);
  lifecycle_.readerFailed_ = false;
  lifecycle_.recorderFailure_.reset();
  if (spaced)
    policy_.BuildBegan(lifecycle_.clock_->NowMs());
  std::unique_ptr<Session> session;
  lock.Unlocked([&] {
    // What a failed construction held goes before the next is built.
    recorderHold_->Release();
    session = std::make_unique<Session>(config, run_.handler, lifecycle_.name_, std::move(links));
  });
  return session;
}

// A stop that came during the build finds the session here and tears it
// down; its reader has already been told to deliver nothing.
void SupervisedRun::Adopt(Lock& lock, std::unique_ptr<Session> session) {
  const int fps = session->NegotiatedFps();
  depthFps_ = session->NegotiatedDepthFps();
  session_ = std::move(session);
  lifecycle_.streaming_ = session_.get();
  policy_.SessionStarted(lifecycle_.clock_->NowMs());
  lastHandlerCalls_ = lifecycle_.stats_->handlerCalls.load(std::memory_order_relaxed);
  lastFramesetMs_.reset();
  callBegunSinceLook_ = false;
  lastDepthChanges_ = lifecycle_.stats_->depthChanges.load(std::memory_order_relaxed);
  depthChangedMs_.reset();
  sessionAdoptedMs_ = lifecycle_.clock_->NowMs();
  hardwareError_->store(false, std::memory_order_relaxed);
  nextRecordingLookMs_ = lifecycle_.clock_->NowMs() + RecordingGuard::kLookMs;
  if (run_.stop->load())
    session_->EndDelivery();
  else if (WatchdogOn())
    RaiseWatchdogToRate(lock, fps);
}

// A watchdog shorter than three frame intervals would restart a healthy
// camera between two of its frames, over and over.
void SupervisedRun::RaiseWatchdogToRate(Lock& lock, int fps) {
  const std::int64_t floor = WatchdogFloorMs(fps);
  const std::int64_t effective = std::max<std::int64_t>(watchdogMs_, floor);
  policy_.SetWatchdogMs(effective);
  if (effective == watchdogMs_ || effective == raisedWatchdogMs_)
    return;
  raisedWatchdogMs_ = effective;
  Say(lock, orvlog::Severity::Warning, lines::kWatchdogTag.data(), [&](std::ostream& os) {
    os << "watchdog_ms=" << watchdogMs_ << " raised to " << effective
       << " ms: at least 100 ms and 3 frame intervals at " << fps << " fps";
  });
}

// The library's thread shows that framesets arrive; the reader's handler
// calls show that packets reach the server. The watchdog goes by the second:
// colour lost while depth goes on reaches the module but not the server. A
// call begun since the last look is a delivery; the same call still running
// at a second look is a slow server, which is no silent camera. (A call's end
// alone is no delivery: when exactly it ends does not matter.)
void SupervisedRun::NoteProgress(std::int64_t now) {
  const std::uint64_t calls = lifecycle_.stats_->handlerCalls.load(std::memory_order_relaxed);
  const bool inCall = calls % 2 == 1;
  callBegunSinceLook_ = CallsBegun(calls) != CallsBegun(lastHandlerCalls_);
  if (callBegunSinceLook_ || (inCall && calls == lastHandlerCalls_))
    policy_.PacketsSeen(now);
  lastHandlerCalls_ = calls;
  if (lifecycle_.frameArrived_->exchange(false, std::memory_order_relaxed))
    lastFramesetMs_ = now;
  const std::uint64_t depthChanges =
      lifecycle_.stats_->depthChanges.load(std::memory_order_relaxed);
  if (depthChanges != lastDepthChanges_)
    depthChangedMs_ = now;
  lastDepthChanges_ = depthChanges;
}

// Colour flows when a handler call began since the last look: a server still
// inside one call is slow, and restarting would only wait for it. A session
// that never delivered depth (a recording without it) is never frozen. With
// depth slower than colour a new depth frame comes only every few packets;
// the limit keeps three depth intervals at least.
bool SupervisedRun::DepthFrozen(std::int64_t now) const {
  return callBegunSinceLook_ && depthChangedMs_ && now - *depthChangedMs_ >= DepthFrozenLimitMs();
}

std::int64_t SupervisedRun::DepthFrozenLimitMs() const {
  return std::max(policy_.WatchdogMs(), WatchdogFloorMs(depthFps_));
}

void SupervisedRun::Watch(Lock& lock) {
  const std::int64_t now = lifecycle_.clock_->NowMs();
  if (recording_ && (now >= nextRecordingLookMs_ || lifecycle_.recorderFailure_)) {
    const std::uint64_t sequence = lifecycle_.sessionSequence_;
    LookAtRecording(lock, now);
    if (sequence != lifecycle_.sessionSequence_ || lifecycle_.state_ != SourceState::Streaming)
      return;
  }
  const std::int64_t recordingLook = recording_ ? nextRecordingLookMs_ : kNever;
  if (!WatchdogOn()) {
    Wait(lock, recordingLook);
    return;
  }
  NoteProgress(now);
  if (!policy_.AwaitingFirstPackets())
    failedTries_ = 0;  // the session delivers
  // A hardware error matters only to a camera that has stopped delivering.
  if (hardwareError_->exchange(false, std::memory_order_relaxed) &&
      now - lastFramesetMs_.value_or(sessionAdoptedMs_) >= policy_.WatchdogMs()) {
    resetReason_ = "hardware error notified while no frameset came for " +
                   std::to_string(policy_.WatchdogMs()) + " ms";
    BeginRestart(lock, resetReason_, now);
    return;
  }
  if (lifecycle_.readerFailed_) {
    BeginRestart(lock, "reader ended", now);
  } else if (policy_.Silent(now)) {
    const std::int64_t limit = policy_.SilenceLimitMs();
    std::string reason =
        lastFramesetMs_ && now - *lastFramesetMs_ < limit
            ? "no color packets for " + std::to_string(limit) + " ms while framesets arrive"
            : "no frames for " + std::to_string(limit) + " ms";
    if (policy_.AwaitingFirstPackets()) {
      reason += " since start";
      ++failedTries_;  // a try that brought no frameset
    }
    BeginRestart(lock, reason, now);
  } else if (DepthFrozen(now)) {
    BeginRestart(lock,
                 "depth frozen for " + std::to_string(DepthFrozenLimitMs()) +
                     " ms while color packets are delivered",
                 now);
  } else {
    Wait(lock, std::min(now + policy_.LookIntervalMs(), recordingLook));
  }
}

void SupervisedRun::BeginRestart(Lock& lock, const std::string& reason, std::int64_t now) {
  const std::int64_t delay = policy_.RestartBegan(now);
  lifecycle_.stats_->restarts.fetch_add(1, std::memory_order_relaxed);
  Say(lock, orvlog::Severity::Warning, lines::kWatchdogTag.data(), [&](std::ostream& os) {
    os << reason << lines::kRestartingEnd;
    if (delay > 0)
      os << " in " << delay << " ms";
  });
  DestroySession(lock);
  lifecycle_.readerFailed_ = false;
  // The first try sees the devices as they are now.
  lifecycle_.devicesChanged_ = false;
  if (lifecycle_.state_ != SourceState::Streaming)
    return;  // stopping
  lifecycle_.state_ = SourceState::Restarting;
  nextTryMs_ = now + delay;
}

// Tries when the delay is over, or when the library reports a change of
// devices and the spacing of builds allows one. The change is taken in at
// once (a try as soon as allowed), so that the wait is not woken by it again.
void SupervisedRun::AwaitTry(Lock& lock) {
  const std::int64_t now = lifecycle_.clock_->NowMs();
  if (lifecycle_.devicesChanged_) {
    lifecycle_.devicesChanged_ = false;
    nextTryMs_ = std::min(nextTryMs_, now);
  }
  const std::int64_t due = std::max(nextTryMs_, policy_.EarliestBuildMs());
  if (now < due)
    Wait(lock, due);
  else if (ResetDue(lock, now))
    ResetCamera(lock, now);
  else
    TryRestart(lock);
}

bool SupervisedRun::ResetDue(Lock& lock, std::int64_t now) {
  if (ladderOn_ && resetReason_.empty() &&
      hardwareError_->exchange(false, std::memory_order_relaxed))
    resetReason_ = "hardware error notified while restarting";
  const int after = lifecycle_.config_.reset_after;
  if (ladderOn_ && resetReason_.empty() && failedTries_ >= after) {
    resetReason_ =
        std::to_string(failedTries_) + (failedTries_ == 1 ? " try" : " tries") + " failed in a row";
  }
  if (resetReason_.empty())
    return false;
  const std::int64_t minMs = std::int64_t{lifecycle_.config_.reset_min_s} * 1000;
  if (!lastResetMs_ || now - *lastResetMs_ >= minMs)
    return true;
  if (!resetHeldLogged_) {
    resetHeldLogged_ = true;
    Say(lock, orvlog::Severity::Info, lines::kRecoveryTag.data(), [&](std::ostream& os) {
      os << "no hardware reset (" << resetReason_ << "): the last was "
         << Seconds(now - *lastResetMs_) << " ago, reset_min_s=" << lifecycle_.config_.reset_min_s;
    });
  }
  resetReason_.clear();
  return false;
}

// On the supervisor's thread: Start and Stop meet it only in the state, and a
// stop ends the wait at once.
void SupervisedRun::ResetCamera(Lock& lock, std::int64_t now) {
  lastResetMs_ = now;
  failedTries_ = 0;
  resetHeldLogged_ = false;
  const std::string reason = std::move(resetReason_);
  resetReason_.clear();
  const std::string& serial = lifecycle_.config_.sn;
  Say(lock, orvlog::Severity::Warning, lines::kRecoveryTag.data(), [&](std::ostream& os) {
    os << lines::kHardwareResetBegin << utils::Printable(serial, 40) << ": " << reason;
  });
  bool sent = false;
  std::string failure = "not connected";
  lock.Unlocked([&] {
    try {
      if (Listed())
        sent = devices_->HardwareReset(serial);
    } catch (...) {
      failure = DescribeFailure(std::current_exception());
    }
  });
  if (!sent) {
    Say(lock, orvlog::Severity::Warning, lines::kRecoveryTag.data(),
        [&](std::ostream& os) { os << "hardware reset failed: " << failure; });
    return;
  }
  AwaitReturn(lock, now);
}

// The library reports the camera leaving and coming back; each report wakes
// the wait (devicesChanged_), which then looks at the list itself.
void SupervisedRun::AwaitReturn(Lock& lock, std::int64_t resetMs) {
  const std::int64_t deadline = resetMs + kResetWaitMs;
  bool left = false;
  while (lifecycle_.state_ == SourceState::Restarting) {
    lifecycle_.devicesChanged_ = false;
    bool listed = false;
    lock.Unlocked([&] {
      try {
        listed = Listed();
      } catch (...) {
      }
    });
    const std::int64_t now = lifecycle_.clock_->NowMs();
    left = left || !listed;
    if (listed && left) {
      Say(lock, orvlog::Severity::Info, lines::kRecoveryTag.data(), [&](std::ostream& os) {
        os << "camera back after the hardware reset, " << Seconds(now - resetMs);
      });
      nextTryMs_ = now;
      return;
    }
    if (now >= deadline) {
      Say(lock, orvlog::Severity::Warning, lines::kRecoveryTag.data(), [&](std::ostream& os) {
        os << "camera " << (left ? "not back" : "still listed") << " " << Seconds(kResetWaitMs)
           << " after the hardware reset; tries go on";
      });
      nextTryMs_ = now;
      return;
    }
    Wait(lock, deadline);
  }
}

void SupervisedRun::TryRestart(Lock& lock) {
  const int attempt = policy_.NextTry();
  std::unique_ptr<Session> session;
  std::string failure;
  bool built = false;
  bool unsatisfiable = false;
  try {
    lock.Unlocked([&] { failure = MissingCamera(); });
    if (failure.empty() && lifecycle_.state_ == SourceState::Restarting) {
      built = true;
      session = BuildRecorded(lock, NewFile::Restart, /*spaced=*/true);
    }
  } catch (...) {
    const std::exception_ptr caught = std::current_exception();
    failure = DescribeFailure(caught);
    unsatisfiable = built && ClassifyCameraFailure(caught) == CameraFailure::Unsatisfiable;
  }
  if (session) {
    std::unique_ptr<DeviceWatch> devices = std::move(devices_);
    lock.Unlocked([&] { devices.reset(); });
    const std::int64_t downtime = lifecycle_.clock_->NowMs() - policy_.RestartBeganMs();
    Adopt(lock, std::move(session));
    if (lifecycle_.state_ != SourceState::Restarting)
      return;  // stopping: Supervise tears it down
    lifecycle_.state_ = SourceState::Streaming;
    Say(lock, orvlog::Severity::Info, lines::kRestartTag.data(), [&](std::ostream& os) {
      os << lines::kStreamingAgainBegin << Seconds(downtime) << ", " << attempt
         << (attempt == 1 ? " try" : " tries");
    });
    return;
  }
  if (lifecycle_.state_ != SourceState::Restarting)
    return;
  const std::int64_t now = lifecycle_.clock_->NowMs();
  // A listed camera that does not offer what the address asks is a mistake
  // in the address or the wrong camera: an Error at each try, and tries only
  // as often as for a camera gone for good.
  // Only tries of a listed camera climb the ladder; a missing one starts it again.
  failedTries_ = built ? failedTries_ + 1 : 0;
  const std::int64_t delay = unsatisfiable ? kLongestRestartDelayMs : policy_.TryFailed(now, built);
  nextTryMs_ = now + delay;
  const orvlog::Severity severity =
      unsatisfiable ? orvlog::Severity::Error : orvlog::Severity::Warning;
  Say(lock, severity, lines::kRestartTag.data(), [&](std::ostream& os) {
    os << lines::kTryBegin << attempt << lines::kTryFailed << ": " << failure << "; next try in "
       << delay << " ms";
  });
}

Temperatures SupervisedRun::ReadCameraTemperatures() const {
  if (!session_ || !session_->DepthSensor())
    return {};
  return ReadTemperatures(*session_->DepthSensor());
}

// Unlocked. Empty when the camera is there (or a recording is played), else
// why not: a start now would block inside the library for its whole device
// wait.
std::string SupervisedRun::MissingCamera() {
  const SourceConfig& config = lifecycle_.config_;
  if (!config.playback_from_file.empty() || Listed())
    return {};
  return config.sn.empty() ? "no camera connected" : WantedCamera() + " not connected";
}

std::string SupervisedRun::AbsentCamera() {
  if (Listed())
    return {};
  if (lifecycle_.config_.sn.empty())
    return WantedCamera() + ": none connected";
  std::string why = WantedCamera() + ": not connected (connected: ";
  const std::vector<std::string> serials = devices_->ConnectedSerials();
  for (std::size_t i = 0; i < serials.size(); ++i)
    why += (i == 0 ? "" : ", ") + serials[i];
  return why + (serials.empty() ? "none)" : ")");
}

std::string SupervisedRun::WantedCamera() const {
  const std::string& serial = lifecycle_.config_.sn;
  // The serial comes from the address: no line breaks into the log.
  return serial.empty() ? "any camera" : "camera " + utils::Printable(serial, 40);
}

// Unlocked. The watch is made at the first look and kept until the camera
// streams again: it is what wakes the supervisor when devices change.
bool SupervisedRun::Listed() {
  if (!devices_) {
    SourceLifecycle& lifecycle = lifecycle_;
    devices_ = std::make_unique<DeviceWatch>([&lifecycle] {
      {
        const utils::MutexLock guard(lifecycle.mutex_);
        lifecycle.devicesChanged_ = true;
      }
      lifecycle.changed_.notify_all();
    });
  }
  return devices_->IsConnected(lifecycle_.config_.sn);
}

// A recording never overwrites a file: each session records to a new one
// (the first free name, or the series' next), and no problem of the disk
// keeps the camera from streaming.
std::unique_ptr<Session> SupervisedRun::BuildRecorded(Lock& lock, NewFile why, bool spaced) {
  const SourceConfig& configured = lifecycle_.config_;
  if (!recording_)
    return Build(lock, configured, spaced);
  const std::string& wanted = configured.record_to_file;
  SourceConfig config = configured;
  config.record_to_file.clear();
  const std::int64_t now = lifecycle_.clock_->NowMs();
  // Kept until a session is built: a failed try leaves it for the next.
  const std::string previous = recordingFile_;
  std::optional<std::uint64_t> free;
  std::string file;
  lock.Unlocked([&] {
    free = lifecycle_.freeSpace_(RecordingFolder(wanted));
    if (free && *free >= recording_->MinFreeBytes()) {
      file = configured.Rotates() ? NextFreeSeriesPath(wanted, std::time(nullptr))
                                  : NextFreeRecordPath(wanted);
    }
  });
  if (file.empty()) {
    std::unique_ptr<Session> session = Build(lock, config, spaced);
    recordingFile_.clear();
    recording_->Closed(now);
    if (free) {
      Say(lock, orvlog::Severity::Warning, kRecordingTag, [&](std::ostream& os) {
        os << Megabytes(*free) << " free for " << wanted
           << ", below record_min_free_mb=" << configured.record_min_free_mb
           << ": streaming without recording until there is room";
      });
    } else {
      Say(lock, orvlog::Severity::Error, kRecordingTag, [&](std::ostream& os) {
        os << "cannot record to " << wanted
           << ": its folder does not exist; streaming without recording";
      });
    }
    return session;
  }
  // The line names what is kept: the file the last session wrote, or the
  // configured one that was there before.
  const std::string kept = !previous.empty() ? previous : configured.Rotates() ? "" : wanted;
  if (why != NewFile::Rotation && !kept.empty() && kept != file) {
    Say(lock, orvlog::Severity::Info, why == NewFile::Start ? "Start" : lines::kRestartTag.data(),
        [&](std::ostream& os) { os << "keeping " << kept << ", recording to " << file; });
  }
  config.record_to_file = file;
  TrimSeries(lock, /*newFiles=*/1);
  std::unique_ptr<Session> session;
  try {
    session = Build(lock, config, spaced);
  } catch (...) {
    const std::string failure = DescribeFailure(std::current_exception());
    config.record_to_file.clear();
    session = Build(lock, config, spaced);
    recordingFile_.clear();
    recording_->Closed(now);
    Say(lock, orvlog::Severity::Error, kRecordingTag, [&](std::ostream& os) {
      os << "cannot record to " << file << ": " << failure << "; streaming without recording";
    });
    return session;
  }
  recording_->Opened(now);
  recordingFile_ = file;
  TrimSeries(lock, /*newFiles=*/0);
  return session;
}

// Twice for each new file: before it opens, making room for it, so that the
// folder never holds more than record_keep_files of the series; and once it is
// open, for record_keep_mb, now that the file it closed has its size.
void SupervisedRun::TrimSeries(Lock& lock, std::size_t newFiles) {
  const SourceConfig& config = lifecycle_.config_;
  if (!config.Rotates() || (config.record_keep_mb == 0 && config.record_keep_files == 0))
    return;
  const std::string open = recordingFile_;
  lock.Unlocked([&] {
    const std::uint64_t keepBytes = static_cast<std::uint64_t>(config.record_keep_mb) << 20;
    const auto keepFiles = static_cast<std::size_t>(config.record_keep_files);
    for (const SeriesFile& file :
         OverBudget(ListSeries(config.record_to_file), open, keepBytes, keepFiles, newFiles)) {
      std::error_code error;
      std::filesystem::remove(std::filesystem::u8path(file.path), error);
      LogSafely(error ? orvlog::Severity::Warning : orvlog::Severity::Info, lifecycle_.name_,
                kRecordingTag, [&](std::ostream& os) {
                  os << (error ? "cannot delete " : "deleted ") << file.path << " ("
                     << Megabytes(file.bytes) << "), the oldest of the series, for "
                     << "record_keep_mb=" << config.record_keep_mb
                     << ", record_keep_files=" << config.record_keep_files;
                  if (error)
                    os << ": " << error.message();
                });
    }
  });
}

template <class Call>
bool SupervisedRun::CallRecorder(Lock& lock, const char* what, const Call& call) {
  Session* const session = session_.get();
  std::string failure;
  lock.Unlocked([&] {
    try {
      call(*session);
    } catch (...) {
      failure = DescribeFailure(std::current_exception());
    }
  });
  if (failure.empty())
    return true;
  Say(lock, orvlog::Severity::Warning, kRecordingTag,
      [&](std::ostream& os) { os << what << " failed: " << failure; });
  return false;
}

void SupervisedRun::LookAtRecording(Lock& lock, std::int64_t now) {
  nextRecordingLookMs_ = now + RecordingGuard::kLookMs;
  const SourceConfig& config = lifecycle_.config_;
  if (lifecycle_.recorderFailure_) {
    const std::string failure = *std::exchange(lifecycle_.recorderFailure_, std::nullopt);
    const std::string file = std::exchange(recordingFile_, std::string());
    recording_->Closed(now);
    Say(lock, orvlog::Severity::Error, kRecordingTag, [&](std::ostream& os) {
      os << "writing " << file << " failed: " << failure
         << "; live video goes on; its record device is kept open for the life of the process "
            "(librealsense2 ends the process when it closes one that failed); a new file in "
         << RecordingGuard::kReopenMs / 1000 << " s";
    });
    return;
  }
  const std::string file = recordingFile_;
  std::optional<std::uint64_t> free;
  std::uint64_t bytes = 0;
  lock.Unlocked([&] {
    free = lifecycle_.freeSpace_(RecordingFolder(config.record_to_file));
    if (!file.empty())
      bytes = FileBytes(file);
  });
  if (lifecycle_.state_ != SourceState::Streaming || !session_)
    return;
  switch (recording_->Look(now, free, bytes)) {
    case RecordingGuard::Step::None:
      return;
    case RecordingGuard::Step::Pause:
      if (CallRecorder(lock, "pause", [](Session& session) { session.PauseRecording(); })) {
        recording_->Paused();
        Say(lock, orvlog::Severity::Warning, kRecordingTag, [&](std::ostream& os) {
          os << Megabytes(*free) << " free for " << file
             << ", below record_min_free_mb=" << config.record_min_free_mb
             << ": recording paused, live video goes on";
        });
        return;
      }
      break;  // a recorder that cannot pause is closed
    case RecordingGuard::Step::Resume:
      if (CallRecorder(lock, "resume", [](Session& session) { session.ResumeRecording(); })) {
        recording_->Resumed();
        Say(lock, orvlog::Severity::Info, kRecordingTag, [&](std::ostream& os) {
          os << Megabytes(*free) << " free again: recording to " << file << " resumed";
        });
        return;
      }
      break;
    case RecordingGuard::Step::Rotate:
    case RecordingGuard::Step::Open:
      Rebuild(lock, /*record=*/true, now);
      return;
    case RecordingGuard::Step::Close:
      break;
  }
  // The file is closed while there is still room for its close: a recorder
  // that fails on a full disk would end the process when it is destroyed.
  recordingFile_.clear();
  recording_->Closed(now);
  if (free) {
    Say(lock, orvlog::Severity::Warning, kRecordingTag, [&](std::ostream& os) {
      os << Megabytes(*free) << " free: closing " << file
         << " while there is room; live video goes on without recording";
    });
  } else {
    Say(lock, orvlog::Severity::Error, kRecordingTag, [&](std::ostream& os) {
      os << "the folder of " << file
         << " no longer exists: closing it; live video goes on without recording";
    });
  }
  Rebuild(lock, /*record=*/false, now);
}

// A new file means a new pipeline start: the gap in live video is the
// library's stop and start, with no watchdog line and no backoff.
void SupervisedRun::Rebuild(Lock& lock, bool record, std::int64_t now) {
  DestroySession(lock);
  if (lifecycle_.state_ != SourceState::Streaming)
    return;  // stopping
  std::unique_ptr<Session> session;
  try {
    if (record) {
      session = BuildRecorded(lock, NewFile::Rotation, /*spaced=*/false);
    } else {
      SourceConfig config = lifecycle_.config_;
      config.record_to_file.clear();
      session = Build(lock, config, /*spaced=*/false);
    }
  } catch (...) {
    if (lifecycle_.state_ == SourceState::Streaming) {
      BeginRestart(
          lock,
          "new session for the recording failed: " + DescribeFailure(std::current_exception()),
          now);
    }
    return;
  }
  Adopt(lock, std::move(session));
}

// The teardown runs unlocked: the reader it joins may need the lock to
// report its end.
void SupervisedRun::DestroySession(Lock& lock) {
  std::unique_ptr<Session> ending = std::move(session_);
  lifecycle_.streaming_ = nullptr;
  lock.Unlocked([&] {
    ending.reset();
    recorderHold_->Release();
  });
}

// Wakes early for what the current state acts on: a stop, a dead reader
// while streaming, a change of devices while restarting. The health line,
// when due, is written on the way, unlocked. Unsupervised (watchdog_ms=0),
// only a stop wakes it: a dead reader then stays as it is.
void SupervisedRun::Wait(Lock& lock, std::int64_t deadlineMs) {
  const SourceState state = lifecycle_.state_;
  const auto woken = [&]() REQUIRES(lifecycle_.mutex_) {
    if (lifecycle_.state_ != state)
      return true;
    if (state == SourceState::Streaming && lifecycle_.recorderFailure_)
      return true;
    if (!WatchdogOn())
      return false;
    return state == SourceState::Streaming ? lifecycle_.readerFailed_ : lifecycle_.devicesChanged_;
  };
  for (;;) {
    lock.Unlocked([&] { notifications_->WriteDue(); });
    if (temperatureWatch_.On() && nextTemperatureMs_ <= lifecycle_.clock_->NowMs()) {
      nextTemperatureMs_ = lifecycle_.clock_->NowMs() + kTemperatureLookMs;
      lock.Unlocked([&] { temperatureWatch_.Check(ReadCameraTemperatures()); });
    }
    if (health_.NextDueMs() <= lifecycle_.clock_->NowMs()) {
      lock.Unlocked([&] {
        try {
          health_.ReportIfDue();
        } catch (...) {
          // A line lost; the supervision goes on.
        }
      });
    }
    const std::int64_t until = std::min(
        {deadlineMs, health_.NextDueMs(), temperatureWatch_.On() ? nextTemperatureMs_ : kNever});
    if (lifecycle_.clock_->WaitUntil(lock, lifecycle_.changed_, until, woken) ||
        until == deadlineMs)
      return;
  }
}

}  // namespace vs_realsense2
