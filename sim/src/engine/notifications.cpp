// Notifications of sensors: the callback set on each sensor, and delivery to it.

#include "notifications.hpp"

#include <librealsense2/rs.hpp>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "profile.hpp"
#include "registry.hpp"

namespace rs2sim {
namespace {

// Keyed by the device object, so that a device replaced in the registry starts without
// callbacks, as a camera does after a power cycle.
class CallbackRegistry {
 public:
  void Set(const DevicePtr& device, SensorKind kind, NotificationsCallbackPtr callback) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[{device, kind}].swap(callback);
    // `callback`, now the one replaced, is released once unlocked.
  }
  void Forget(const DevicePtr& device) {
    std::vector<NotificationsCallbackPtr> released;  // released unlocked: release() is theirs
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = entries_.begin(); it != entries_.end();) {
        const std::weak_ptr<const DeviceSpec>& key = it->first.first;
        const bool same = !std::owner_less<>()(key, device) && !std::owner_less<>()(device, key);
        if (same || key.expired()) {
          released.push_back(std::move(it->second));
          it = entries_.erase(it);
        } else {
          ++it;
        }
      }
    }
  }
  NotificationsCallbackPtr Get(const DevicePtr& device, SensorKind kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = entries_.find({device, kind});
    return it == entries_.end() ? nullptr : it->second;
  }

 private:
  struct KeyLess {
    bool operator()(const std::pair<std::weak_ptr<const DeviceSpec>, SensorKind>& a,
                    const std::pair<std::weak_ptr<const DeviceSpec>, SensorKind>& b) const {
      if (std::owner_less<>()(a.first, b.first))
        return true;
      if (std::owner_less<>()(b.first, a.first))
        return false;
      return a.second < b.second;
    }
  };
  mutable std::mutex mutex_;
  std::map<std::pair<std::weak_ptr<const DeviceSpec>, SensorKind>, NotificationsCallbackPtr,
           KeyLess>
      entries_;  // guarded by mutex_
};

CallbackRegistry& TheCallbacks() {
  static CallbackRegistry callbacks;
  return callbacks;
}

SensorKind KindOf(rs2_stream stream) {
  if (stream == RS2_STREAM_COLOR)
    return SensorKind::Color;
  return IsMotionStream(stream) ? SensorKind::Motion : SensorKind::Depth;
}

}  // namespace

NotificationsCallbackPtr AdoptNotificationsCallback(rs2_notifications_callback* callback) {
  return NotificationsCallbackPtr(callback, [](rs2_notifications_callback* c) { c->release(); });
}

void ForgetNotificationsCallbacks(const DevicePtr& device) {
  TheCallbacks().Forget(device);
}

void SetNotificationsCallback(const DevicePtr& device, SensorKind kind,
                              NotificationsCallbackPtr callback) {
  TheCallbacks().Set(device, kind, std::move(callback));
}

bool NotifySensor(const std::string& serial, rs2_stream sensor,
                  const NotificationSpec& notification) {
  NotificationsCallbackPtr callback;
  for (const DevicePtr& device : TheRegistry().devices.Snapshot()) {
    if (device->serial == serial)
      callback = TheCallbacks().Get(device, KindOf(sensor));
  }
  if (!callback)
    return false;
  rs2_notification note{notification};
  if (note.spec.timestamp == 0.0)
    note.spec.timestamp = TheRegistry().DeviceClockMs();
  // The library calls notification callbacks on a thread of its own.
  std::thread([&] {
    try {
      callback->on_notification(&note);
    } catch (...) {
      // The library swallows what a callback throws, too.
    }
  }).join();
  return true;
}

}  // namespace rs2sim
