#include "registry.hpp"

#include <algorithm>
#include <cstdlib>

#include "api.hpp"

namespace rs2sim {
namespace {

int DefaultDeviceCount() {
  const char* text = std::getenv("RS2SIM_DEVICES");
  if (!text || !*text)
    return 1;
  char* end = nullptr;
  const long count = std::strtol(text, &end, 10);
  if (*end != '\0' || count < 0)
    return 1;
  return static_cast<int>(std::min(count, 64L));
}

std::vector<DevicePtr> DefaultDevices() {
  std::vector<DevicePtr> devices;
  const int count = DefaultDeviceCount();
  for (int i = 0; i < count; ++i) {
    devices.push_back(std::make_shared<const DeviceSpec>(DefaultCamera(DefaultSerial(i))));
  }
  return devices;
}

}  // namespace

DeviceRegistry::DeviceRegistry() : devices_(DefaultDevices()) {}

std::vector<DevicePtr> DeviceRegistry::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return devices_;
}

void DeviceRegistry::Add(const DeviceSpec& spec) {
  auto device = std::make_shared<const DeviceSpec>(spec);
  std::lock_guard<std::mutex> lock(mutex_);
  auto same = std::find_if(devices_.begin(), devices_.end(),
                           [&](const DevicePtr& d) { return d->serial == spec.serial; });
  if (same != devices_.end()) {
    *same = device;
  } else {
    devices_.push_back(device);
  }
}

bool DeviceRegistry::Remove(const std::string& serial) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = std::remove_if(devices_.begin(), devices_.end(),
                           [&](const DevicePtr& d) { return d->serial == serial; });
  const bool removed = it != devices_.end();
  devices_.erase(it, devices_.end());
  return removed;
}

void DeviceRegistry::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_.clear();
}

void DeviceRegistry::Reset() {
  auto defaults = DefaultDevices();
  std::lock_guard<std::mutex> lock(mutex_);
  devices_ = std::move(defaults);
}

std::vector<std::string> DeviceRegistry::Serials() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> serials;
  for (const auto& d : devices_)
    serials.push_back(d->serial);
  return serials;
}

bool DeviceRegistry::Claim(const std::string& serial, const std::shared_ptr<Session>& session) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto& holder = claims_[serial];
  if (!holder.expired())
    return false;
  holder = session;
  return true;
}

void DeviceRegistry::Unclaim(const std::string& serial, const Session* session) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = claims_.find(serial);
  if (it == claims_.end())
    return;
  auto holder = it->second.lock();
  if (!holder || holder.get() == session)
    claims_.erase(it);
}

std::shared_ptr<Session> DeviceRegistry::StreamingSession(const std::string& serial) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = claims_.find(serial);
  return it == claims_.end() ? nullptr : it->second.lock();
}

void FaultTable::Arm(const std::string& function, rs2_exception_type type,
                     const std::string& message) {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_[function].push_back(Fault{type, message});
  ++armed_;
}

void FaultTable::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_.clear();
  armed_ = 0;
}

void FaultTable::Check(const char* function) {
  if (armed_.load() == 0)
    return;
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = faults_.find(function);
  if (it == faults_.end() || it->second.empty())
    return;
  const Fault fault = it->second.front();
  it->second.pop_front();
  if (it->second.empty())
    faults_.erase(it);
  --armed_;
  lock.unlock();
  Fail(fault.type, fault.message);
}

double Registry::DeviceClockMs() const {
  const auto elapsed = std::chrono::steady_clock::now() - epoch_;
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

void CheckFault(const char* function) {
  TheRegistry().faults.Check(function);
}

void Report(rs2_error** error, rs2_exception_type type, const std::string& message,
            const char* function, const std::string& args) {
  if (error)
    *error = new rs2_error{message, function, args, type};
}

// Control interface.

DeviceSpec DefaultCamera(const std::string& serial) {
  DeviceSpec spec;
  spec.serial = serial;
  const int rates[] = {30, 15, 6};
  const std::pair<int, int> depthSizes[] = {{848, 480}, {640, 480}, {1280, 720}};
  const std::pair<int, int> colorSizes[] = {{1280, 720}, {640, 480}, {1920, 1080}};
  for (const auto& [w, h] : depthSizes) {
    for (int fps : rates)
      spec.modes.push_back({RS2_STREAM_DEPTH, 0, RS2_FORMAT_Z16, w, h, fps});
  }
  for (rs2_format format : {RS2_FORMAT_RGB8, RS2_FORMAT_BGR8}) {
    for (const auto& [w, h] : colorSizes) {
      for (int fps : rates)
        spec.modes.push_back({RS2_STREAM_COLOR, 0, format, w, h, fps});
    }
  }
  spec.depthOptions = {
      {RS2_OPTION_VISUAL_PRESET, 0, 5, 1, 1},    {RS2_OPTION_LASER_POWER, 0, 360, 30, 150},
      {RS2_OPTION_EXPOSURE, 1, 165000, 1, 8500}, {RS2_OPTION_ENABLE_AUTO_EXPOSURE, 0, 1, 1, 1},
      {RS2_OPTION_GAIN, 16, 248, 1, 16},
  };
  spec.colorOptions = {
      {RS2_OPTION_EXPOSURE, 1, 10000, 1, 156},
      {RS2_OPTION_ENABLE_AUTO_EXPOSURE, 0, 1, 1, 1},
      {RS2_OPTION_GAIN, 0, 128, 1, 64},
  };
  return spec;
}

std::string DefaultSerial(int i) {
  return std::to_string(900000000000LL + i);
}

void AddDevice(const DeviceSpec& spec) {
  TheRegistry().devices.Add(spec);
}
bool RemoveDevice(const std::string& serial) {
  return TheRegistry().devices.Remove(serial);
}
void ClearDevices() {
  TheRegistry().devices.Clear();
}
void ResetDevices() {
  TheRegistry().devices.Reset();
}
std::vector<std::string> DeviceSerials() {
  return TheRegistry().devices.Serials();
}

void FailNext(const std::string& function, rs2_exception_type type, const std::string& message) {
  TheRegistry().faults.Arm(function, type, message);
}

void ClearFaults() {
  TheRegistry().faults.Clear();
}

Counters GetCounters() {
  const LiveCounters& c = TheRegistry().counters;
  return Counters{c.framesAlive.load(),        c.framesKept.load(),     c.pipelinesAlive.load(),
                  c.pipelinesStreaming.load(), c.callbacksAlive.load(), c.callbacksRunning.load()};
}

}  // namespace rs2sim
