// What the soak and fault suites add to the module suite's fixtures: a
// handler that notices calls after Stop, a thread that keeps frames flowing,
// and the process figures (threads, heap) that show what a run left behind.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <rs2sim/control.hpp>
#include <vid_db/media/source.hpp>
#include <vs_test_support/sim_camera.hpp>

namespace vs_reliability {

// Threads of this process now.
std::size_t ThreadCount();
// The count to compare against later: ThreadSanitizer starts a thread of its
// own with the process's first new thread, so one is made and joined first.
std::size_t ThreadBaseline();

// Bytes the allocator has handed out and not got back. Plain builds only:
// under a sanitizer or valgrind the replacement allocator answers a constant
// and their own leak checks take over.
std::size_t HeapInUse();

// CI runs the short versions; the environment variable asks for more (or,
// under valgrind, fewer).
int ScaledCount(const char* variable, int ciDefault);

// A small colour and depth frameset; the module never looks at the pixels, so
// soaking with them exercises the same path at a fraction of the cost.
rs2sim::FramesetSpec SmallFrameset(std::int64_t timeMs);

// Counts what a source delivers and every call that arrives after Close,
// which the test calls once Stop has returned.
class GuardedHandler : public vid_db::media::SourceHandler {
 public:
  bool OnStatus(vid_db::media::SourceStatus status) override;
  bool OnParams(const vid_db::media::StreamParams& params) override;
  bool OnPacket(const vid_db::media::Packet& packet) override;

  void Close();
  std::size_t LateCalls() const;
  std::size_t Packets() const;
  // True once `count` packets arrived; false after the suites' guard time.
  bool WaitForPackets(std::size_t count) const;

 private:
  void Note();

  mutable std::mutex mutex_;
  mutable std::condition_variable arrived_;
  bool closed_ = false;
  std::size_t lateCalls_ = 0;
  std::size_t packets_ = 0;
};

// Emits small framesets to its cameras in turn, as fast as they are taken,
// from construction to destruction. Emitting to a camera whose source is
// stopped simply delivers nothing.
class Feeder {
 public:
  explicit Feeder(std::vector<const vs_test_support::ManualCamera*> cameras);
  ~Feeder();
  Feeder(const Feeder&) = delete;
  Feeder& operator=(const Feeder&) = delete;

  std::int64_t Delivered() const { return delivered_.load(); }

 private:
  const std::vector<const vs_test_support::ManualCamera*> cameras_;
  std::atomic<bool> stopping_{false};
  std::atomic<std::int64_t> delivered_{0};
  std::thread thread_;
};

}  // namespace vs_reliability
