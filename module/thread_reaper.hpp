// Joins the threads that nobody else can: those of a source released inside
// its own handler, whose supervisor cannot be joined on the thread it waits
// for.
#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <utils/mutex.hpp>

#include <utils/noncopyable.hpp>

namespace vs_realsense2 {

// The module's one piece of process-wide state besides its log channel: a
// thread still runs the module's code for a moment after it has let go of
// everything, so it must be joined before the module is unloaded. Each
// adopted thread is joined once it has said it is done (at the next
// adoption) or, at the latest, when the module is unloaded.
class ThreadReaper : private utils::Noncopyable {
 public:
  static ThreadReaper& Instance();
  ~ThreadReaper();

  // Any thread but `thread`'s own. `done` is raised by the thread as the
  // last thing it does.
  void Adopt(std::thread thread, std::shared_ptr<const std::atomic<bool>> done);
  // Any thread but an adopted one: joins every adopted thread, each of which
  // ends by itself. For tests that count threads, and the destructor.
  void JoinAll();

 private:
  ThreadReaper() = default;

  struct Entry {
    std::thread thread;
    std::shared_ptr<const std::atomic<bool>> done;
    // Windows: a reference to the module itself, held until the thread is
    // joined (null elsewhere). A thread cannot end while its module is being
    // unloaded (both need the loader lock), so the unload must never be the
    // one to join it: the module stays loaded until a later call of the
    // host, or the end of the process, has joined every adopted thread.
    std::shared_ptr<void> modulePin;
  };
  utils::Mutex mutex_;
  std::vector<Entry> entries_ GUARDED_BY(mutex_);
};

}  // namespace vs_realsense2
