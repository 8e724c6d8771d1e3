// Live-object counters that tests read to prove that nothing leaks.

#ifndef RS2SIM_SRC_ENGINE_COUNTERS_HPP
#define RS2SIM_SRC_ENGINE_COUNTERS_HPP

#include <atomic>

namespace rs2sim {

struct LiveCounters {
  std::atomic<long> framesAlive{0};
  std::atomic<long> framesKept{0};
  std::atomic<long> pipelinesAlive{0};
  std::atomic<long> pipelinesStreaming{0};
  std::atomic<long> callbacksAlive{0};
  std::atomic<long> callbacksRunning{0};
};

// Counts one object for as long as the scope lives.
class CountedScope {
 public:
  explicit CountedScope(std::atomic<long>& counter) : counter_(counter) { ++counter_; }
  ~CountedScope() { --counter_; }
  CountedScope(const CountedScope&) = delete;
  CountedScope& operator=(const CountedScope&) = delete;

 private:
  std::atomic<long>& counter_;
};

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_COUNTERS_HPP
