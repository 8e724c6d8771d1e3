#include "source_supervisor.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <mutex>
#include <optional>
#include <sstream>
#include <utility>

#include <utils/clock.hpp>

#include "device_watch.hpp"
#include "health_report.hpp"
#include "logger.hpp"
#include "record_path.hpp"
#include "restart_policy.hpp"
#include "thread_name.hpp"
#include "thread_reaper.hpp"

namespace vs_realsense2 {
namespace {

enum class SupervisorState { Streaming, Restarting, Stopping };

std::string DescribeFailure(const std::exception_ptr& failure) {
  std::ostringstream text;
  try {
    std::rethrow_exception(failure);
  } catch (const rs2::error& e) {
    // The shape Start uses for library errors.
    text << "rs error calling " << e.get_failed_function() << "(" << e.get_failed_args()
         << "):" << e.what();
  } catch (const std::exception& e) {
    text << "exception: " << e.what();
  } catch (...) {
    text << "exception: unknown";
  }
  return text.str();
}

std::string Seconds(std::int64_t ms) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << static_cast<double>(ms) / 1000.0 << " s";
  return text.str();
}

}  // namespace

// The state the supervisor's thread shares with the host's threads and the
// reader. Held by shared pointer, so that a source released inside its own
// handler can leave the teardown to the supervisor's thread.
class SupervisorCore : private utils::Noncopyable {
 public:
  SupervisorCore(const SourceConfig& config, const Session::HandlerPtr& handler,
                 const std::string& name, const void* owner, std::shared_ptr<SourceStats> stats)
      : name_(name),
        config_(config),
        handler_(handler),
        owner_(owner),
        watchdogMs_(config.watchdog_ms),
        stats_(std::move(stats)),
        policy_(std::max<std::int64_t>(config.watchdog_ms, 1)),
        health_(name, stats_, config.stats_s) {}

  // Host thread, before the supervisor's thread exists.
  void StartFirst() {
    std::unique_lock<std::mutex> lock(mutex_);
    SessionLinks links = NextLinks();
    lock.unlock();
    auto session = std::make_unique<Session>(config_, handler_, name_, std::move(links));
    lock.lock();
    Adopt(std::move(session));
  }

  // Supervisor thread.
  void Run() {
    NameCurrentThread("rs-sup:", name_);
    std::unique_lock<std::mutex> lock(mutex_);
    while (state_ != SupervisorState::Stopping) {
      if (state_ == SupervisorState::Streaming) {
        Watch(lock);
      } else {
        AwaitTry(lock);
      }
    }
    DestroySession(lock);
  }

  // Any thread but the supervisor's.
  void RequestStop() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      state_ = SupervisorState::Stopping;
    }
    wake_.notify_all();
  }

  // The reader thread, inside the handler.
  void StopDelivery() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      state_ = SupervisorState::Stopping;
      deliveryStopped_->store(true);
      if (current_ != nullptr)
        current_->EndDelivery();
    }
    wake_.notify_all();
  }

 private:
  // Guarded by mutex_: builds the links of the next session.
  SessionLinks NextLinks() {
    SessionLinks links;
    links.frameArrived = frameArrived_;
    links.deliveryStopped = deliveryStopped_;
    links.floorColorTime = floorColorTime_;
    links.owner = owner_;
    links.stats = stats_;
    const std::uint64_t sequence = ++sessionSequence_;
    links.readerEnded = [this, sequence](bool failed, std::int64_t lastColorTime) {
      ReaderEnded(sequence, failed, lastColorTime);
    };
    frameArrived_->store(false, std::memory_order_relaxed);
    return links;
  }

  // Reader thread, as it ends.
  void ReaderEnded(std::uint64_t sequence, bool failed, std::int64_t lastColorTime) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (lastColorTime != 0)
        floorColorTime_ = std::max(floorColorTime_.value_or(lastColorTime), lastColorTime);
      if (failed && sequence == sessionSequence_)
        readerFailed_ = true;
    }
    wake_.notify_all();
  }

  // A library thread.
  void DevicesChanged() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      devicesChanged_ = true;
    }
    wake_.notify_all();
  }

  // Guarded by mutex_.
  void Adopt(std::unique_ptr<Session> session) {
    session_ = std::move(session);
    current_ = session_.get();
    policy_.SessionStarted(utils::NowMs());
  }

  // Supervisor thread, streaming: looks for frames, restarts on silence or a
  // dead reader, otherwise sleeps until the next look.
  void Watch(std::unique_lock<std::mutex>& lock) {
    if (watchdogMs_ <= 0) {
      WaitUntil(lock, std::numeric_limits<std::int64_t>::max());
      return;
    }
    const std::int64_t now = utils::NowMs();
    if (frameArrived_->exchange(false, std::memory_order_relaxed))
      policy_.FramesSeen(now);
    if (readerFailed_) {
      BeginRestart(lock, "reader ended", now);
    } else if (policy_.Silent(now)) {
      std::string reason = "no frames for " + std::to_string(policy_.SilenceLimitMs()) + " ms";
      if (policy_.AwaitingFirstFrames())
        reason += " since start";
      BeginRestart(lock, reason, now);
    } else {
      WaitUntil(lock, now + policy_.LookIntervalMs());
    }
  }

  void BeginRestart(std::unique_lock<std::mutex>& lock, const std::string& reason,
                    std::int64_t now) {
    const std::int64_t delay = policy_.RestartBegan(now, readerFailed_);
    LogSafely(orvlog::Severity::Warning, name_, "Watchdog", [&](std::ostream& os) {
      os << reason << ", restarting";
      if (delay > 0)
        os << " in " << delay << " ms";
    });
    if (stats_)
      stats_->restarts.fetch_add(1, std::memory_order_relaxed);
    DestroySession(lock);
    readerFailed_ = false;
    // The first try sees the devices as they are now.
    devicesChanged_ = false;
    if (state_ == SupervisorState::Stopping)
      return;
    state_ = SupervisorState::Restarting;
    nextTryMs_ = now + delay;
  }

  // Supervisor thread, restarting: tries when the delay is over or the
  // library reports a change of devices, whichever comes first.
  void AwaitTry(std::unique_lock<std::mutex>& lock) {
    if (devicesChanged_ || utils::NowMs() >= nextTryMs_) {
      devicesChanged_ = false;
      TryRestart(lock);
    } else {
      WaitUntil(lock, nextTryMs_);
    }
  }

  void TryRestart(std::unique_lock<std::mutex>& lock) {
    const int attempt = policy_.NextTry();
    SessionLinks links = NextLinks();
    lock.unlock();
    std::unique_ptr<Session> session;
    std::string failure;
    try {
      failure = MissingCamera();
      if (failure.empty())
        session = std::make_unique<Session>(RestartConfig(), handler_, name_, std::move(links));
    } catch (...) {
      failure = DescribeFailure(std::current_exception());
    }
    // The device watch (a library context and, in librealsense2, its device
    // watcher thread) is needed only while the camera is missing. Released
    // unlocked: its callback takes the lock, and its release waits for it.
    if (session)
      devices_.reset();
    lock.lock();
    if (session) {
      const std::int64_t downtime = utils::NowMs() - policy_.RestartBeganMs();
      Adopt(std::move(session));
      if (state_ == SupervisorState::Stopping)
        return;  // Run tears it down
      state_ = SupervisorState::Streaming;
      LogSafely(orvlog::Severity::Info, name_, "Restart", [&](std::ostream& os) {
        os << "streaming again after " << Seconds(downtime) << ", " << attempt
           << (attempt == 1 ? " try" : " tries");
      });
      return;
    }
    const std::int64_t delay = policy_.TryFailed();
    nextTryMs_ = utils::NowMs() + delay;
    LogSafely(orvlog::Severity::Warning, name_, "Restart", [&](std::ostream& os) {
      os << "try " << attempt << " failed: " << failure << "; next try in " << delay << " ms";
    });
  }

  // Supervisor thread, unlocked. Empty when the camera is there (or a
  // recording is played), else why not: a start now would block inside the
  // library for its whole device wait.
  std::string MissingCamera() {
    if (!config_.playback_from_file.empty())
      return {};
    if (!devices_)
      devices_ = std::make_unique<DeviceWatch>([this] { DevicesChanged(); });
    if (devices_->IsConnected(config_.sn))
      return {};
    return config_.sn.empty() ? "no camera connected" : "camera " + config_.sn + " not connected";
  }

  // Supervisor thread, unlocked: a recording goes on in a new file.
  SourceConfig RestartConfig() const {
    SourceConfig config = config_;
    if (!config.record_to_file.empty()) {
      config.record_to_file = NextFreeRecordPath(config_.record_to_file);
      if (config.record_to_file != config_.record_to_file) {
        LogSafely(orvlog::Severity::Info, name_, "Restart", [&](std::ostream& os) {
          os << "keeping " << config_.record_to_file << ", recording to " << config.record_to_file;
        });
      }
    }
    return config;
  }

  // Supervisor thread: the teardown runs unlocked, since the reader it joins
  // may need the lock to report its end.
  void DestroySession(std::unique_lock<std::mutex>& lock) {
    std::unique_ptr<Session> ending = std::move(session_);
    current_ = nullptr;
    lock.unlock();
    ending.reset();
    lock.lock();
  }

  // Wakes early for what the current state acts on: a dead reader while
  // streaming, a change of devices while restarting.
  // The health line, when due, is written on the way.
  // Unsupervised (watchdog_ms=0), only a change of state (a stop) wakes it:
  // a dead reader then stays as it is.
  void WaitUntil(std::unique_lock<std::mutex>& lock, std::int64_t deadlineMs) {
    const SupervisorState state = state_;
    const auto woken = [&] {
      if (state_ != state)
        return true;
      if (watchdogMs_ <= 0)
        return false;
      return state == SupervisorState::Streaming ? readerFailed_ : devicesChanged_;
    };
    for (;;) {
      ReportHealth();
      const std::int64_t now = utils::NowMs();
      const std::int64_t until = std::min(deadlineMs, health_.NextDueMs());
      if (until <= now || woken())
        return;
      if (until == std::numeric_limits<std::int64_t>::max()) {
        wake_.wait(lock, woken);
        return;
      }
      if (wake_.wait_for(lock, std::chrono::milliseconds(until - now), woken) ||
          until == deadlineMs)
        return;
    }
  }

  // Supervisor thread.
  void ReportHealth() noexcept {
    try {
      health_.ReportIfDue();
    } catch (...) {
      // A line lost; the supervision goes on.
    }
  }

  const std::string name_;
  const SourceConfig config_;
  const Session::HandlerPtr handler_;
  const void* const owner_;
  const std::int64_t watchdogMs_;
  const std::shared_ptr<SourceStats> stats_;  // null: no health line
  const std::shared_ptr<std::atomic<bool>> frameArrived_ =
      std::make_shared<std::atomic<bool>>(false);
  const std::shared_ptr<std::atomic<bool>> deliveryStopped_ =
      std::make_shared<std::atomic<bool>>(false);

  std::mutex mutex_;
  std::condition_variable wake_;
  SupervisorState state_ = SupervisorState::Streaming;  // guarded by mutex_
  bool readerFailed_ = false;                           // guarded by mutex_
  bool devicesChanged_ = false;                         // guarded by mutex_
  std::uint64_t sessionSequence_ = 0;                   // guarded by mutex_
  std::optional<std::int64_t> floorColorTime_;          // guarded by mutex_
  Session* current_ = nullptr;                          // guarded by mutex_
  std::int64_t nextTryMs_ = 0;                          // supervisor thread
  RestartPolicy policy_;                                // supervisor thread
  HealthReport health_;                                 // supervisor thread
  // Built by the host's thread for the first session, then by the
  // supervisor's thread alone.
  std::unique_ptr<Session> session_;
  // Supervisor thread, while restarting. Last: its library callback reaches
  // the fields above, and no callback follows its destruction.
  std::unique_ptr<DeviceWatch> devices_;
};

SourceSupervisor::SourceSupervisor(const SourceConfig& config, const Session::HandlerPtr& handler,
                                   const std::string& name, const void* owner,
                                   std::shared_ptr<SourceStats> stats)
    : core_(std::make_shared<SupervisorCore>(config, handler, name, owner, std::move(stats))) {
  core_->StartFirst();
  thread_ = std::thread([core = core_, done = done_]() mutable {
    core->Run();
    core.reset();
    done->store(true, std::memory_order_release);
  });
}

SourceSupervisor::~SourceSupervisor() {
  if (!thread_.joinable())
    return;
  core_->RequestStop();
  thread_.join();
}

void SourceSupervisor::StopFromHandler() noexcept {
  try {
    core_->StopDelivery();
  } catch (...) {
    // Only a failing mutex could land here; the destructor still stops.
  }
}

void SourceSupervisor::Abandon() noexcept {
  StopFromHandler();
  if (!thread_.joinable())
    return;
  try {
    ThreadReaper::Instance().Adopt(std::move(thread_), done_);
  } catch (...) {
    // Out of memory for one entry: the thread goes its own way.
    if (thread_.joinable())
      thread_.detach();
  }
}

}  // namespace vs_realsense2
