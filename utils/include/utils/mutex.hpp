// A mutex whose locking clang's thread-safety analysis checks: members
// marked GUARDED_BY(mutex_) can be touched only while it is held, functions
// marked REQUIRES(mutex_) only be called so. std::mutex carries no such
// marks. Other compilers read the marks as nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#if defined(__clang__)
#define VSRS_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VSRS_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) VSRS_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY VSRS_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) VSRS_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) VSRS_THREAD_ANNOTATION(pt_guarded_by(x))
#define REQUIRES(...) VSRS_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) VSRS_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) VSRS_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) VSRS_THREAD_ANNOTATION(release_capability(__VA_ARGS__))

namespace utils {

class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock() ACQUIRE() { mutex_.lock(); }
  void Unlock() RELEASE() { mutex_.unlock(); }

 private:
  friend class MutexLock;
  std::mutex mutex_;
};

// Holds a Mutex for its scope; Unlock and Lock let a stretch in between run
// without it (a call out to the host or the library), and Wait waits on a
// condition variable as std::condition_variable::wait does. A function that
// is handed the lock runs such a stretch with Unlocked: the analysis cannot
// follow a lock passed by reference, but it can check the stretch.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : lock_(mutex.mutex_) {}
  ~MutexLock() RELEASE() = default;
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  void Unlock() RELEASE() { lock_.unlock(); }
  void Lock() ACQUIRE() { lock_.lock(); }

  // The analysis cannot see into `done`: a predicate that reads guarded
  // members says so with REQUIRES on a named function or reads them here.
  template <class Predicate>
  void Wait(std::condition_variable& changed, Predicate done) {
    changed.wait(lock_, std::move(done));
  }
  // Runs `stretch` without the mutex and takes it again before it returns,
  // also when `stretch` throws. The analysis checks `stretch` (a lambda) as a
  // function of its own that holds nothing, so a guarded member it touches
  // is a finding.
  template <class Stretch>
  void Unlocked(const Stretch& stretch) {
    lock_.unlock();
    try {
      stretch();
    } catch (...) {
      lock_.lock();
      throw;
    }
    lock_.lock();
  }
  template <class Rep, class Period>
  std::cv_status WaitFor(std::condition_variable& changed,
                         std::chrono::duration<Rep, Period> wait) {
    return changed.wait_for(lock_, wait);
  }

 private:
  std::unique_lock<std::mutex> lock_;
};

}  // namespace utils
