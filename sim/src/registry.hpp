// The process-wide state of rs2sim: the virtual devices, which of them stream, the fault table,
// the live-object counters and the image cache. One instance per process, shared by every
// context, so that a module loaded with dlopen and its host see the same devices.

#ifndef RS2SIM_SRC_REGISTRY_HPP
#define RS2SIM_SRC_REGISTRY_HPP

#include <rs2sim/control.hpp>

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "counters.hpp"
#include "images.hpp"

namespace rs2sim {

class Session;

using DevicePtr = std::shared_ptr<const DeviceSpec>;

class DeviceRegistry {
 public:
  DeviceRegistry();

  std::vector<DevicePtr> Snapshot() const;
  void Add(const DeviceSpec& spec);
  bool Remove(const std::string& serial);
  void Clear();
  void Reset();
  std::vector<std::string> Serials() const;

  // A device streams to one session at a time; false when another session holds it.
  bool Claim(const std::string& serial, const std::shared_ptr<Session>& session);
  void Unclaim(const std::string& serial, const Session* session);
  std::shared_ptr<Session> StreamingSession(const std::string& serial) const;

 private:
  mutable std::mutex mutex_;
  std::vector<DevicePtr> devices_;
  std::map<std::string, std::weak_ptr<Session>> claims_;
};

class FaultTable {
 public:
  void Arm(const std::string& function, rs2_exception_type type, const std::string& message);
  void Clear();
  // Throws the oldest fault armed for `function` and disarms it.
  void Check(const char* function);

 private:
  struct Fault {
    rs2_exception_type type;
    std::string message;
  };
  std::atomic<int> armed_{0};  // lets unfaulted calls skip the lock
  std::mutex mutex_;
  std::map<std::string, std::deque<Fault>> faults_;
};

class Registry {
 public:
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

}  // namespace rs2sim

#endif  // RS2SIM_SRC_REGISTRY_HPP
