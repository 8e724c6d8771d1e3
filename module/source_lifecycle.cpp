#include "source_lifecycle.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "failure_text.hpp"
#include "logger.hpp"
#include "supervised_run.hpp"
#include "thread_reaper.hpp"

namespace vs_realsense2 {
namespace {

bool Started(SourceState state) {
  return state == SourceState::Starting || state == SourceState::Streaming ||
         state == SourceState::Restarting;
}

// The supervisor thread of each run holds the lifecycle: a source released
// inside its own handler is torn down by that thread, after its owner has
// gone.
std::thread StartSupervisor(std::shared_ptr<SourceLifecycle> lifecycle,
                            std::shared_ptr<RunControl> run, SourceLifecycle& self) {
  return std::thread([lifecycle = std::move(lifecycle), run = std::move(run), &self]() mutable {
    {
      SupervisedRun supervised(self, *run);
      supervised.Supervise();
    }
    const std::shared_ptr<std::atomic<bool>> done = run->done;
    run.reset();
    lifecycle.reset();
    done->store(true, std::memory_order_release);
  });
}

void JoinAll(std::vector<std::shared_ptr<RunControl>>& runs) {
  for (const auto& run : runs) {
    if (run->supervisor.joinable())
      run->supervisor.join();
  }
}

}  // namespace

std::shared_ptr<SourceLifecycle> SourceLifecycle::Create(std::string name, SourceConfig config,
                                                         std::shared_ptr<SupervisorClock> clock,
                                                         FreeSpaceProbe freeSpace) {
  auto lifecycle = std::make_shared<SourceLifecycle>(Key(), std::move(name), std::move(config),
                                                     std::move(clock), std::move(freeSpace));
  lifecycle->clock_->OnStep([weak = std::weak_ptr<SourceLifecycle>(lifecycle)] {
    if (const std::shared_ptr<SourceLifecycle> self = weak.lock())
      self->Wake();
  });
  return lifecycle;
}

SourceLifecycle::SourceLifecycle(Key /*key*/, std::string name, SourceConfig config,
                                 std::shared_ptr<SupervisorClock> clock, FreeSpaceProbe freeSpace)
    : name_(std::move(name)),
      config_(std::move(config)),
      clock_(std::move(clock)),
      freeSpace_(std::move(freeSpace)),
      stats_(std::make_shared<SourceStats>(config_.stats_s > 0 && config_.HasDepthFilters())) {}

// Release has handed every supervisor to a joiner; what is left ran to its
// end.
SourceLifecycle::~SourceLifecycle() = default;

SourceState SourceLifecycle::State() const {
  const utils::MutexLock lock(mutex_);
  return state_;
}

void SourceLifecycle::Wake() {
  { const utils::MutexLock lock(mutex_); }
  changed_.notify_all();
}

bool SourceLifecycle::OnReaderThread() const {
  return std::find(readers_.begin(), readers_.end(), std::this_thread::get_id()) != readers_.end();
}

void SourceLifecycle::RequestStop() {
  if (!run_)
    return;
  run_->stop->store(true);
  if (Started(state_))
    state_ = SourceState::Stopping;
  if (streaming_ != nullptr)
    streaming_->EndDelivery();
  stopped_.push_back(std::move(run_));
  changed_.notify_all();
}

void SourceLifecycle::JoinStopped() {
  utils::MutexLock lock(mutex_);
  std::vector<std::shared_ptr<RunControl>> runs = std::move(stopped_);
  stopped_.clear();
  joining_ += static_cast<int>(runs.size());
  lock.Unlock();
  JoinAll(runs);
  lock.Lock();
  joining_ -= static_cast<int>(runs.size());
  changed_.notify_all();
  // Another host thread may be joining a run stopped before this call.
  lock.Wait(changed_, [this]() REQUIRES(mutex_) { return joining_ == 0; });
}

void SourceLifecycle::Start(const Session::HandlerPtr& handler) {
  utils::MutexLock lock(mutex_);
  if (Started(state_))
    throw std::runtime_error("already started: ");
  if (!handler)
    throw std::runtime_error("handler is null");
  if (state_ == SourceState::Stopping && OnReaderThread())
    throw std::runtime_error("still stopping: ");
  lock.Unlock();
  JoinStopped();
  LogSafely(orvlog::Severity::Debug, name_, "Start", "");
  lock.Lock();
  // A stop from inside the handler ends with Idle; another Start may have
  // come first.
  lock.Wait(changed_, [this]() REQUIRES(mutex_) { return state_ != SourceState::Stopping; });
  if (Started(state_))
    throw std::runtime_error("already started: ");
  auto run = std::make_shared<RunControl>(handler);
  state_ = SourceState::Starting;
  run_ = run;
  try {
    run->supervisor = StartSupervisor(shared_from_this(), run, *this);
  } catch (...) {
    run_.reset();
    state_ = SourceState::Idle;
    throw;
  }
  lock.Wait(changed_, [&] { return run->first != RunControl::FirstBuild::Pending; });
  if (run->first == RunControl::FirstBuild::Streaming ||
      run->first == RunControl::FirstBuild::Waiting)
    return;
  // Failed, or stopped meanwhile: whoever took the run out joins it.
  if (run_ == run) {
    run_.reset();
    stopped_.push_back(run);
  }
  lock.Unlock();
  JoinStopped();
  if (run->first == RunControl::FirstBuild::Stopped)
    return;
  try {
    std::rethrow_exception(run->failure);
  } catch (const rs2::error& e) {
    // Other failures (the playback probe, thread creation, memory) carry
    // their own text and reach the host unlogged.
    LogSafely(orvlog::Severity::Error, name_, "Start",
              [&](std::ostream& os) { WriteRsError(os, e); });
    throw;
  }
}

void SourceLifecycle::Stop() noexcept {
  try {
    utils::MutexLock lock(mutex_);
    RequestStop();
    const bool insideHandler = OnReaderThread();
    lock.Unlock();
    if (!insideHandler)
      JoinStopped();
  } catch (...) {
    // Only a failing mutex lands here.
  }
  LogSafely(orvlog::Severity::Debug, name_, "Stop", "");
}

void SourceLifecycle::Release() noexcept {
  try {
    utils::MutexLock lock(mutex_);
    RequestStop();
    if (!OnReaderThread()) {
      lock.Unlock();
      JoinStopped();
      return;
    }
    std::vector<std::shared_ptr<RunControl>> runs = std::move(stopped_);
    stopped_.clear();
    lock.Unlock();
    for (const auto& run : runs) {
      if (run->supervisor.joinable())
        ThreadReaper::Instance().Adopt(std::move(run->supervisor), run->done);
    }
  } catch (...) {
    // Out of memory for a reaper entry: that thread goes its own way.
  }
}

}  // namespace vs_realsense2
