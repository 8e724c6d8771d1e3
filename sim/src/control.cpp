// The control interface of include/rs2sim/control.hpp, over the engine: each function reaches the
// registry, a device's settings, a streaming pipeline or the recording writer.

#include <rs2sim/control.hpp>

#include "engine/blueprint.hpp"
#include "engine/notifications.hpp"
#include "engine/options.hpp"
#include "engine/pipeline_run.hpp"
#include "engine/recording.hpp"
#include "engine/registry.hpp"

namespace rs2sim {
namespace {

// Null when no connected device has that serial.
DevicePtr Connected(const std::string& serial) {
  for (const DevicePtr& device : TheRegistry().devices.Snapshot()) {
    if (device->serial == serial)
      return device;
  }
  return nullptr;
}

}  // namespace

DeviceSpec DefaultCamera(const std::string& serial) {
  return DefaultCameraSpec(serial);
}

std::string DefaultSerial(int i) {
  return DefaultCameraSerial(i);
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

bool UnplugDevice(const std::string& serial) {
  return TheRegistry().devices.Unplug(serial);
}

bool ReplugDevice(const std::string& serial) {
  return TheRegistry().devices.Replug(serial);
}

void StallDevice(const std::string& serial, bool stalled) {
  TheRegistry().devices.Stall(serial, stalled);
}

bool ReturnFromReset(const std::string& serial) {
  return TheRegistry().devices.ReturnFromReset(serial);
}

int HardwareResets(const std::string& serial) {
  return TheRegistry().devices.HardwareResets(serial);
}

void SetMissingDeviceWait(std::chrono::milliseconds wait) {
  TheRegistry().devices.SetMissingDeviceWait(wait);
}

bool AwaitWaitingStarts(int count, std::chrono::milliseconds timeout) {
  return TheRegistry().devices.AwaitWaitingStarts(count, timeout);
}

Emitted Emit(const std::string& serial, const FramesetSpec& frames) {
  auto run = TheRegistry().devices.StreamingRun(serial);
  return run ? run->Inject(frames) : Emitted{};
}

bool Notify(const std::string& serial, rs2_stream sensor, const NotificationSpec& notification) {
  return NotifySensor(serial, sensor, notification);
}

bool SetTemperature(const std::string& serial, rs2_option option, float celsius) {
  const DevicePtr device = Connected(serial);
  if (!IsTemperature(option) || !device)
    return false;
  SettingsOf(device)->SetValue(SensorKind::Depth, option, celsius);
  return true;
}

void FailNext(const std::string& function, rs2_exception_type type, const std::string& message) {
  TheRegistry().faults.Arm(function, type, message);
}

void FailRecordingWrites(std::uint64_t afterBytes) {
  TheRegistry().faults.ArmWriteLimit(afterBytes);
}

void ClearFaults() {
  TheRegistry().faults.Clear();
}

std::vector<std::string> DeviceWrites(const std::string& serial) {
  const DevicePtr device = Connected(serial);
  return device ? SettingsOf(device)->Writes() : std::vector<std::string>{};
}

Counters GetCounters() {
  const LiveCounters& c = TheRegistry().counters;
  return Counters{c.framesAlive.load(),        c.framesKept.load(),     c.pipelinesAlive.load(),
                  c.pipelinesStreaming.load(), c.callbacksAlive.load(), c.callbacksRunning.load()};
}

void WriteRecording(const std::string& path, const RecordingSpec& spec) {
  RecordingWriter writer(path, RecordingHeader{spec.device, spec.streams});
  for (const auto& set : spec.framesets)
    writer.Append(FromSpec(set));
}

}  // namespace rs2sim
