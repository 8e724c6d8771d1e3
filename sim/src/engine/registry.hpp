// The process-wide state of rs2sim: the virtual devices, which of them stream, the fault table,
// the live-object counters and the image cache. One instance per process, shared by every
// context, so that a module loaded with dlopen and its host see the same devices.

#ifndef RS2SIM_SRC_ENGINE_REGISTRY_HPP
#define RS2SIM_SRC_ENGINE_REGISTRY_HPP

#include <rs2sim/control.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "counters.hpp"
#include "hotplug.hpp"
#include "images.hpp"

namespace rs2sim {

class PipelineRun;

// What the runs streaming one plugging-in of a device watch. A replug makes a new link, so a
// pipeline started before the device was pulled stays cut off.
struct DeviceLink {
  std::atomic<bool> unplugged{false};
  std::atomic<bool> stalled{false};
  bool Delivers() const { return !unplugged.load() && !stalled.load(); }
};
using LinkPtr = std::shared_ptr<DeviceLink>;

// The devices, plugged in or pulled out, and which run streams each. Every change of the
// plugged-in set is reported to the hub, in order.
class DeviceRegistry {
 public:
  explicit DeviceRegistry(DevicesChangedHub& hub);
  ~DeviceRegistry();  // joins the timed returns from resets
  DeviceRegistry(const DeviceRegistry&) = delete;
  DeviceRegistry& operator=(const DeviceRegistry&) = delete;

  std::vector<DevicePtr> Snapshot() const;  // the plugged-in devices
  void Add(const DeviceSpec& spec);
  bool Remove(const std::string& serial);
  void Clear();
  void Reset();
  std::vector<std::string> Serials() const;

  bool Unplug(const std::string& serial);
  bool Replug(const std::string& serial);
  void Stall(const std::string& serial, bool stalled);
  // Unplugs the device, clears its stall and brings it back after its hardwareResetMs (-1: at
  // ReturnFromReset). False when it is not plugged in.
  bool HardwareReset(const std::string& serial);
  bool ReturnFromReset(const std::string& serial);
  int HardwareResets(const std::string& serial);
  void SetMissingDeviceWait(std::chrono::milliseconds wait);
  // Returns once a device with that serial (any device, without one) is plugged in, or once the
  // missing-device wait has passed.
  void WaitForDevice(const std::optional<std::string>& serial);
  bool AwaitWaitingStarts(int count, std::chrono::milliseconds timeout);

  // A device streams to one run at a time; null when another run holds it.
  LinkPtr Claim(const std::string& serial, const std::shared_ptr<PipelineRun>& run);
  void Unclaim(const std::string& serial, const PipelineRun* run);
  std::shared_ptr<PipelineRun> StreamingRun(const std::string& serial) const;

 private:
  struct Entry {
    DevicePtr spec;
    LinkPtr link;
    bool plugged = true;
    bool stalled = false;
    bool resetting = false;  // away in a hardware reset
    int resets = 0;
  };
  static std::vector<Entry> DefaultEntries();
  Entry* Find(const std::string& serial);
  std::vector<DevicePtr> Plugged() const;
  // Reports the difference between `before` and the plugged-in devices now.
  void ReportChange(const std::vector<DevicePtr>& before);
  // Off the bus and back (an unplug or a reset), reported; the lock is held.
  void Detach(Entry& entry);
  void Attach(Entry& entry);

  DevicesChangedHub& hub_;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;         // a device was plugged in
  std::condition_variable waitingChanged_;  // a start began or ended waiting for a device
  int waiting_ = 0;                         // guarded by mutex_: starts waiting for a device
  std::vector<Entry> devices_;              // guarded by mutex_, in registration order
  std::map<std::string, std::weak_ptr<PipelineRun>> claims_;  // guarded by mutex_
  std::chrono::milliseconds missingWait_;                     // guarded by mutex_
  std::condition_variable ending_;                            // the registry ends
  bool closing_ = false;                                      // guarded by mutex_
  std::vector<std::thread> returns_;                          // guarded by mutex_
};

class FaultTable {
 public:
  void Arm(const std::string& function, rs2_exception_type type, const std::string& message);
  void Clear();
  // Throws the oldest fault armed for `function` and disarms it.
  void Check(const char* function);
  void ArmWriteLimit(std::uint64_t bytes);
  // The write limit armed for the next recorder, disarmed; none when not armed.
  std::optional<std::uint64_t> TakeWriteLimit();

 private:
  struct Fault {
    rs2_exception_type type;
    std::string message;
  };
  std::atomic<int> armed_{0};  // lets unfaulted calls skip the lock
  std::mutex mutex_;
  std::map<std::string, std::deque<Fault>> faults_;
  std::deque<std::uint64_t> writeLimits_;  // guarded by mutex_
};

class Registry {
 public:
  Registry() : devices(hub) {}

  DevicesChangedHub hub;  // first: the devices report to it
  DeviceRegistry devices;
  FaultTable faults;
  LiveCounters counters;
  ImageCache images;

  int NextProfileId() { return ++lastProfileId_; }
  // Device clock of the virtual cameras: milliseconds since the registry came up.
  double DeviceClockMs() const;

 private:
  std::atomic<int> lastProfileId_{0};
  std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();
};

Registry& TheRegistry();

// The default cameras that the registry starts with (see DefaultCamera in control.hpp).
DeviceSpec DefaultCameraSpec(const std::string& serial);
std::string DefaultCameraSerial(int i);

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_REGISTRY_HPP
