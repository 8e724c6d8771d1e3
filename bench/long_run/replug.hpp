// Unplugging one simulated camera and plugging it back, on a timer: what a
// loose USB cable does to a source that runs for days.
#pragma once

#include <chrono>
#include <string>

namespace long_run {

// True when rs2sim in this build can unplug and replug a device.
bool ReplugAvailable();

// Takes the device with `serial` out of rs2sim's registry (its frames stop)
// and returns it after `absence`, every `period`. Run() is called by the
// sampling loop often; it does whatever is due and never sleeps.
class ReplugCycle {
 public:
  // The first unplug comes one period after `start`.
  ReplugCycle(std::string serial, std::chrono::steady_clock::time_point start,
              std::chrono::steady_clock::duration period,
              std::chrono::steady_clock::duration absence);
  ~ReplugCycle();  // a camera still out is plugged back
  ReplugCycle(const ReplugCycle&) = delete;
  ReplugCycle& operator=(const ReplugCycle&) = delete;

  void Run(std::chrono::steady_clock::time_point now);
  int Unplugs() const { return unplugs_; }
  bool Out() const { return out_; }  // the camera is unplugged now

 private:
  const std::string serial_;
  const std::chrono::steady_clock::duration period_;
  const std::chrono::steady_clock::duration absence_;
  std::chrono::steady_clock::time_point nextUnplug_;
  std::chrono::steady_clock::time_point replugAt_;
  bool out_ = false;
  int unplugs_ = 0;
};

}  // namespace long_run
