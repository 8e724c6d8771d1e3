#include "kept_recorders.hpp"

#include <vector>

namespace vs_realsense2 {
namespace {

struct KeptRecorders {
  utils::Mutex mutex;
  std::vector<rs2::device> devices GUARDED_BY(mutex);
};

// Never destroyed, on purpose: destroying these devices at exit would end
// the process just the same.
KeptRecorders& Kept() {
  static KeptRecorders* const kept = new KeptRecorders;
  return *kept;
}

}  // namespace

std::size_t KeepForProcessLife(const rs2::device& recorder) {
  KeptRecorders& kept = Kept();
  const utils::MutexLock lock(kept.mutex);
  kept.devices.push_back(recorder);
  return kept.devices.size();
}

void RecorderHold::Hold(const rs2::device& device) {
  const utils::MutexLock lock(mutex_);
  device_ = device;
}

void RecorderHold::Release() {
  rs2::device released;  // destroyed after the lock
  const utils::MutexLock lock(mutex_);
  released = device_;
  device_ = rs2::device();
}

bool RecorderHold::KeepHeld() {
  const utils::MutexLock lock(mutex_);
  if (!device_)
    return false;
  KeepForProcessLife(device_);
  return true;
}

bool IsRecordingStopped(const std::string& description) {
  static constexpr char kStopped[] = "Stopping recording for sensor";
  return description.compare(0, sizeof kStopped - 1, kStopped) == 0;
}

}  // namespace vs_realsense2
