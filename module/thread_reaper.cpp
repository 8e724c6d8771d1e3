#include "thread_reaper.hpp"

#include <algorithm>
#include <iterator>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vs_realsense2 {
namespace {

std::shared_ptr<void> PinThisModule() {
#ifdef _WIN32
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&PinThisModule), &module))
    return nullptr;
  return std::shared_ptr<void>(module,
                               [](void* pinned) { FreeLibrary(static_cast<HMODULE>(pinned)); });
#else
  // dlclose runs the module's destructors without a lock that a thread's
  // end needs: joining there is safe.
  return nullptr;
#endif
}

}  // namespace

ThreadReaper& ThreadReaper::Instance() {
  // Destroyed when the module is unloaded (or the process ends), which
  // joins what is left.
  static ThreadReaper reaper;
  return reaper;
}

ThreadReaper::~ThreadReaper() {
  JoinAll();
}

void ThreadReaper::JoinAll() {
  std::vector<Entry> entries;  // joined outside the lock
  {
    const utils::MutexLock lock(mutex_);
    entries.swap(entries_);
  }
  for (Entry& entry : entries)
    entry.thread.join();
}

void ThreadReaper::Adopt(std::thread thread, std::shared_ptr<const std::atomic<bool>> done) {
  std::vector<Entry> finished;  // joined outside the lock
  {
    const utils::MutexLock lock(mutex_);
    const auto firstFinished = std::partition(
        entries_.begin(), entries_.end(),
        [](const Entry& entry) { return !entry.done->load(std::memory_order_acquire); });
    std::move(firstFinished, entries_.end(), std::back_inserter(finished));
    entries_.erase(firstFinished, entries_.end());
    entries_.push_back({std::move(thread), std::move(done), PinThisModule()});
  }
  // Each has only its last instructions left to run.
  for (Entry& entry : finished)
    entry.thread.join();
}

}  // namespace vs_realsense2
