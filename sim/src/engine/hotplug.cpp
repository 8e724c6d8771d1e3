// Devices-changed callbacks: the hub that calls each context's callback on a thread of its own.

#include "hotplug.hpp"

#include <librealsense2/hpp/rs_types.hpp>

#include <pthread.h>

#include <utility>

#include "registry.hpp"

namespace rs2sim {

ChangeListener::ChangeListener(rs2_devices_changed_callback* callback) : callback_(callback) {
  if (callback_)
    ++TheRegistry().counters.callbacksAlive;
}

ChangeListener::~ChangeListener() {
  if (callback_) {
    // Counted out first: whoever sees the release done sees the count down too.
    --TheRegistry().counters.callbacksAlive;
    callback_->release();
  }
}

void ChangeListener::Notify(const DeviceChange& change) {
  CountedScope running(TheRegistry().counters.callbacksRunning);
  auto removed = std::make_unique<rs2_device_list>(rs2_device_list{change.removed});
  auto added = std::make_unique<rs2_device_list>(rs2_device_list{change.added});
  try {
    callback_->on_devices_changed(removed.release(), added.release());
  } catch (...) {
    // Like the library, an exception of the application's callback ends there.
  }
}

DevicesChangedHub::~DevicesChangedHub() {
  std::thread last;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    last = std::move(thread_);
  }
  wake_.notify_all();
  if (last.joinable())
    last.join();
  // Released outside the lock and before the members go: a callback may own a context, whose
  // deletion comes back here.
  std::map<const rs2_context*, std::shared_ptr<ChangeListener>> left;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    left.swap(listeners_);
  }
}

void DevicesChangedHub::Set(const rs2_context* context, std::shared_ptr<ChangeListener> listener) {
  std::shared_ptr<ChangeListener> replaced;  // released outside the lock
  std::thread ended;                         // a thread that ended on its own, joined here
  {
    std::lock_guard<std::mutex> lock(mutex_);
    replaced = std::exchange(listeners_[context], std::move(listener));
    if (!running_) {
      ended = std::move(thread_);
      running_ = true;
      const int generation = ++generation_;
      // Run() starts by taking the lock, so it sees threadId_ set.
      thread_ = std::thread([this, generation] { Run(generation); });
      threadId_ = thread_.get_id();
    }
  }
  if (ended.joinable())
    ended.join();
}

void DevicesChangedHub::Forget(const rs2_context* context) {
  std::shared_ptr<ChangeListener> forgotten;  // released after the lock, on this thread
  std::thread retired;                        // the thread, once no callback is left
  {
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = listeners_.find(context);
    if (it == listeners_.end())
      return;
    forgotten = std::move(it->second);
    listeners_.erase(it);
    if (std::this_thread::get_id() == threadId_)
      return;  // from inside a callback: that call cannot be waited for
    idle_.wait(lock, [&] { return calling_ != context; });
    if (listeners_.empty() && thread_.joinable()) {
      // The thread lives only while a callback is set, so that it is not left behind (it may
      // have ended on its own already, when the call waited for was its last).
      changes_.clear();
      running_ = false;
      ++generation_;
      retired = std::move(thread_);
      threadId_ = std::thread::id();
    }
  }
  wake_.notify_all();
  if (retired.joinable())
    retired.join();
}

void DevicesChangedHub::Post(DeviceChange change) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (listeners_.empty())
      return;
    changes_.push_back(std::move(change));
  }
  wake_.notify_all();
}

void DevicesChangedHub::Run(int generation) {
  pthread_setname_np(pthread_self(), "rs2sim-hotplug");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] {
      return ending_ || generation != generation_ || listeners_.empty() || !changes_.empty();
    });
    if (ending_ || generation != generation_)
      return;
    if (listeners_.empty()) {
      // The last context went from inside its own callback; the next Set() joins this thread.
      changes_.clear();
      running_ = false;
      return;
    }
    const DeviceChange change = std::move(changes_.front());
    changes_.pop_front();
    std::vector<const rs2_context*> contexts;
    for (const auto& entry : listeners_)
      contexts.push_back(entry.first);
    for (const rs2_context* context : contexts) {
      auto it = listeners_.find(context);
      if (it == listeners_.end())
        continue;  // deleted by an earlier callback
      auto listener = it->second;
      calling_ = context;
      lock.unlock();
      listener->Notify(change);
      // Dropped before the call counts as over, so that Forget() releases the callback itself.
      listener.reset();
      lock.lock();
      calling_ = nullptr;
      idle_.notify_all();
    }
  }
}

}  // namespace rs2sim
