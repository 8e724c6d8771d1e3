// What the soak and fault suites add to the module suite's fixtures.
#pragma once

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#else
#include <dirent.h>
#endif

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "camera_test.hpp"

namespace vs_realsense2_test {

// Threads of this process now.
inline std::size_t ThreadCount() {
  std::size_t count = 0;
#ifdef _WIN32
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snapshot);
#else
  const std::unique_ptr<DIR, int (*)(DIR*)> tasks(opendir("/proc/self/task"), closedir);
  while (const dirent* entry = tasks ? readdir(tasks.get()) : nullptr)
    count += entry->d_name[0] != '.';
#endif
  return count;
}

// The count to compare against later. Threads that live until the process
// ends are started first: ThreadSanitizer's own, with the process's first new
// thread, and googletest's on Windows, which watches the first thread to keep
// a scoped trace.
inline std::size_t ThreadBaseline() {
  std::thread([] {}).join();
  { SCOPED_TRACE("thread baseline"); }
  return ThreadCount();
}

// A camera fixture that checks no thread, frame, pipeline or callback is left.
class ReliabilityTest : public CameraTest {
 protected:
  explicit ReliabilityTest(orvlog::Severity minimum = orvlog::Severity::Trace)
      : CameraTest(minimum) {}

  void ExpectNothingLeft(const std::string& context) {
    EXPECT_EQ(ThreadCount(), threadsAtStart) << context;
    EXPECT_TRUE(AllCountersZero()) << context;
  }

  const std::size_t threadsAtStart = ThreadBaseline();
};

// Emits small framesets (the module never looks at the pixels) to its camera
// as fast as they are taken, while it lives. A camera whose source is stopped
// simply takes nothing.
class Feeder {
 public:
  explicit Feeder(const ManualCamera& camera) : camera_(camera), thread_([this] { Run(); }) {}
  ~Feeder() {
    stopping_.store(true);
    thread_.join();
  }
  Feeder(const Feeder&) = delete;
  Feeder& operator=(const Feeder&) = delete;

 private:
  void Run() {
    // Distinct milliseconds: the module drops a colour frame that repeats
    // the previous one's time.
    for (double time = 2; !stopping_.load(); ++time) {
      const auto set = Set({ColorFrame(time, kSystemTime, RS2_FORMAT_RGB8, 64, 48),
                            DepthFrame(time, kSystemTime, 64, 48)});
      // Nothing streams: let the threads that will start a source run.
      if (!camera_.Emit(set).delivered)
        std::this_thread::yield();
    }
  }

  const ManualCamera& camera_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace vs_realsense2_test
