#include "registry.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "errors.hpp"

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

// The real library resolves a start up to 3 times, each waiting up to 5 s for the device.
constexpr std::chrono::milliseconds kMissingDeviceWait(15000);

// RS2SIM_MISSING_DEVICE_WAIT_MS shortens the wait for programs that tests run as processes.
std::chrono::milliseconds DefaultMissingDeviceWait() {
  const char* text = std::getenv("RS2SIM_MISSING_DEVICE_WAIT_MS");
  if (!text || !*text)
    return kMissingDeviceWait;
  char* end = nullptr;
  const long long ms = std::strtoll(text, &end, 10);
  if (*end != '\0' || ms < 0)
    return kMissingDeviceWait;
  return std::chrono::milliseconds(
      std::min<std::chrono::milliseconds::rep>(ms, kMissingDeviceWait.count()));
}

bool SameSerial(const DevicePtr& a, const DevicePtr& b) {
  return a->serial == b->serial;
}

// The devices of `from` whose serial `other` lacks.
std::vector<DevicePtr> Missing(const std::vector<DevicePtr>& from,
                               const std::vector<DevicePtr>& other) {
  std::vector<DevicePtr> missing;
  for (const auto& d : from) {
    if (std::none_of(other.begin(), other.end(),
                     [&](const DevicePtr& o) { return SameSerial(d, o); })) {
      missing.push_back(d);
    }
  }
  return missing;
}

}  // namespace

DeviceRegistry::DeviceRegistry(DevicesChangedHub& hub)
    : hub_(hub), devices_(DefaultEntries()), missingWait_(DefaultMissingDeviceWait()) {}

std::vector<DeviceRegistry::Entry> DeviceRegistry::DefaultEntries() {
  std::vector<Entry> entries;
  const int count = DefaultDeviceCount();
  for (int i = 0; i < count; ++i) {
    entries.push_back(
        Entry{std::make_shared<const DeviceSpec>(DefaultCameraSpec(DefaultCameraSerial(i))),
              std::make_shared<DeviceLink>()});
  }
  return entries;
}

DeviceRegistry::Entry* DeviceRegistry::Find(const std::string& serial) {
  auto it = std::find_if(devices_.begin(), devices_.end(),
                         [&](const Entry& e) { return e.spec->serial == serial; });
  return it == devices_.end() ? nullptr : &*it;
}

std::vector<DevicePtr> DeviceRegistry::Plugged() const {
  std::vector<DevicePtr> plugged;
  for (const auto& e : devices_) {
    if (e.plugged)
      plugged.push_back(e.spec);
  }
  return plugged;
}

void DeviceRegistry::ReportChange(const std::vector<DevicePtr>& before) {
  const auto after = Plugged();
  DeviceChange change{Missing(before, after), Missing(after, before)};
  if (!change.added.empty())
    arrived_.notify_all();
  if (!change.removed.empty() || !change.added.empty())
    hub_.Post(std::move(change));
}

std::vector<DevicePtr> DeviceRegistry::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return Plugged();
}

void DeviceRegistry::Add(const DeviceSpec& spec) {
  auto device = std::make_shared<const DeviceSpec>(spec);
  std::lock_guard<std::mutex> lock(mutex_);
  const auto before = Plugged();
  if (Entry* same = Find(spec.serial)) {
    same->spec = device;
    if (!same->plugged) {
      same->plugged = true;
      same->link = std::make_shared<DeviceLink>();
      same->link->stalled = same->stalled;
    }
  } else {
    devices_.push_back(Entry{device, std::make_shared<DeviceLink>()});
  }
  ReportChange(before);
}

bool DeviceRegistry::Remove(const std::string& serial) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto before = Plugged();
  auto it = std::remove_if(devices_.begin(), devices_.end(),
                           [&](const Entry& e) { return e.spec->serial == serial; });
  const bool removed = it != devices_.end();
  devices_.erase(it, devices_.end());
  ReportChange(before);
  return removed;
}

// Pipelines still streaming a device of the old set are not left stalled for ever.
void DeviceRegistry::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto before = Plugged();
  for (auto& e : devices_)
    e.link->stalled = false;
  devices_.clear();
  ReportChange(before);
}

void DeviceRegistry::Reset() {
  auto defaults = DefaultEntries();
  std::lock_guard<std::mutex> lock(mutex_);
  const auto before = Plugged();
  for (auto& e : devices_)
    e.link->stalled = false;
  devices_ = std::move(defaults);
  missingWait_ = DefaultMissingDeviceWait();
  ReportChange(before);
}

std::vector<std::string> DeviceRegistry::Serials() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> serials;
  for (const auto& d : Plugged())
    serials.push_back(d->serial);
  return serials;
}

void DeviceRegistry::Detach(Entry& entry) {
  const auto before = Plugged();
  entry.plugged = false;
  entry.link->unplugged = true;
  // The pipeline keeps its run until it is stopped, but no longer streams the device.
  claims_.erase(entry.spec->serial);
  ReportChange(before);
}

void DeviceRegistry::Attach(Entry& entry) {
  const auto before = Plugged();
  entry.plugged = true;
  entry.resetting = false;
  entry.link = std::make_shared<DeviceLink>();
  entry.link->stalled = entry.stalled;
  ReportChange(before);
}

bool DeviceRegistry::Unplug(const std::string& serial) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry* entry = Find(serial);
  if (!entry || !entry->plugged)
    return false;
  Detach(*entry);
  return true;
}

bool DeviceRegistry::Replug(const std::string& serial) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry* entry = Find(serial);
  if (!entry || entry->plugged)
    return false;
  Attach(*entry);
  return true;
}

DeviceRegistry::~DeviceRegistry() {
  std::vector<std::thread> returns;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
    returns.swap(returns_);
  }
  ending_.notify_all();
  for (std::thread& thread : returns)
    thread.join();
}

bool DeviceRegistry::HardwareReset(const std::string& serial) {
  int backAfterMs = -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* entry = Find(serial);
    if (!entry || !entry->plugged)
      return false;
    entry->stalled = false;
    entry->resetting = true;
    ++entry->resets;
    Detach(*entry);
    backAfterMs = entry->spec->hardwareResetMs;
    if (backAfterMs >= 0) {
      returns_.emplace_back([this, serial, backAfterMs] {
        {
          std::unique_lock<std::mutex> wait(mutex_);
          if (ending_.wait_for(wait, std::chrono::milliseconds(backAfterMs),
                               [this] { return closing_; }))
            return;
        }
        ReturnFromReset(serial);
      });
    }
  }
  return true;
}

bool DeviceRegistry::ReturnFromReset(const std::string& serial) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry* entry = Find(serial);
  if (!entry || !entry->resetting)
    return false;
  Attach(*entry);
  return true;
}

int DeviceRegistry::HardwareResets(const std::string& serial) {
  std::lock_guard<std::mutex> lock(mutex_);
  const Entry* entry = Find(serial);
  return entry ? entry->resets : 0;
}

void DeviceRegistry::Stall(const std::string& serial, bool stalled) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Entry* entry = Find(serial)) {
    entry->stalled = stalled;
    entry->link->stalled = stalled;
  }
}

void DeviceRegistry::SetMissingDeviceWait(std::chrono::milliseconds wait) {
  std::lock_guard<std::mutex> lock(mutex_);
  missingWait_ = wait;
}

void DeviceRegistry::WaitForDevice(const std::optional<std::string>& serial) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto present = [&] {
    return std::any_of(devices_.begin(), devices_.end(), [&](const Entry& e) {
      return e.plugged && (!serial || e.spec->serial == *serial);
    });
  };
  if (present())
    return;
  const auto deadline = std::chrono::steady_clock::now() + missingWait_;
  ++waiting_;
  waitingChanged_.notify_all();
  arrived_.wait_until(lock, deadline, present);
  --waiting_;
  waitingChanged_.notify_all();
}

bool DeviceRegistry::AwaitWaitingStarts(int count, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return waitingChanged_.wait_for(lock, timeout, [&] { return waiting_ == count; });
}

LinkPtr DeviceRegistry::Claim(const std::string& serial, const std::shared_ptr<PipelineRun>& run) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto& holder = claims_[serial];
  if (!holder.expired())
    return nullptr;
  const Entry* entry = Find(serial);
  if (entry && !entry->plugged) {
    // Pulled out between resolving and starting: the pipeline starts and receives nothing.
    auto gone = std::make_shared<DeviceLink>();
    gone->unplugged = true;
    return gone;
  }
  holder = run;
  return entry ? entry->link : std::make_shared<DeviceLink>();
}
void DeviceRegistry::Unclaim(const std::string& serial, const PipelineRun* run) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = claims_.find(serial);
  if (it == claims_.end())
    return;
  auto holder = it->second.lock();
  if (!holder || holder.get() == run)
    claims_.erase(it);
}

std::shared_ptr<PipelineRun> DeviceRegistry::StreamingRun(const std::string& serial) const {
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

void FaultTable::ArmWriteLimit(std::uint64_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeLimits_.push_back(bytes);
}

std::optional<std::uint64_t> FaultTable::TakeWriteLimit() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (writeLimits_.empty())
    return std::nullopt;
  const std::uint64_t bytes = writeLimits_.front();
  writeLimits_.pop_front();
  return bytes;
}

void FaultTable::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_.clear();
  writeLimits_.clear();
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

DeviceSpec DefaultCameraSpec(const std::string& serial) {
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
      {RS2_OPTION_VISUAL_PRESET, 0, 5, 1, 1},
      {RS2_OPTION_LASER_POWER, 0, 360, 30, 150},
      {RS2_OPTION_EXPOSURE, 1, 165000, 1, 8500},
      {RS2_OPTION_ENABLE_AUTO_EXPOSURE, 0, 1, 1, 1},
      {RS2_OPTION_GAIN, 16, 248, 1, 16},
      {RS2_OPTION_ASIC_TEMPERATURE, -40, 125, 0, 38, true},
      {RS2_OPTION_PROJECTOR_TEMPERATURE, -40, 125, 0, 36, true},
  };
  spec.colorOptions = {
      {RS2_OPTION_EXPOSURE, 1, 10000, 1, 156},
      {RS2_OPTION_ENABLE_AUTO_EXPOSURE, 0, 1, 1, 1},
      {RS2_OPTION_GAIN, 0, 128, 1, 64},
  };
  return spec;
}

std::string DefaultCameraSerial(int i) {
  return std::to_string(900000000000LL + i);
}

}  // namespace rs2sim
