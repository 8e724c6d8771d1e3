// Devices-changed notification: each context may hold one callback, which rs2sim calls on a
// thread of its own with the devices that left and the devices that arrived, in the order the
// registry changed. A context's deletion waits for a call of its callback that is in flight, so
// that no call follows the deletion. The thread runs only while some callback is set.

#ifndef RS2SIM_SRC_ENGINE_HOTPLUG_HPP
#define RS2SIM_SRC_ENGINE_HOTPLUG_HPP

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <rs2sim/control.hpp>

struct rs2_context;
struct rs2_devices_changed_callback;

namespace rs2sim {

using DevicePtr = std::shared_ptr<const DeviceSpec>;

struct DeviceChange {
  std::vector<DevicePtr> removed;
  std::vector<DevicePtr> added;
};

// Owns an application's devices-changed callback and hands it back with release().
class ChangeListener {
 public:
  explicit ChangeListener(rs2_devices_changed_callback* callback);
  ~ChangeListener();
  ChangeListener(const ChangeListener&) = delete;
  ChangeListener& operator=(const ChangeListener&) = delete;
  // The callback owns the two lists it is given; an exception of it ends here.
  void Notify(const DeviceChange& change);

 private:
  rs2_devices_changed_callback* callback_;
};

class DevicesChangedHub {
 public:
  DevicesChangedHub() = default;
  ~DevicesChangedHub();  // asks the thread to end, then joins it
  DevicesChangedHub(const DevicesChangedHub&) = delete;
  DevicesChangedHub& operator=(const DevicesChangedHub&) = delete;

  // Replaces the context's callback; one that is being called is released after its call.
  void Set(const rs2_context* context, std::shared_ptr<ChangeListener> listener);
  // On return the context's callback is released and will not be called again, unless the
  // caller is that callback itself: then it is released once the call returns.
  void Forget(const rs2_context* context);
  // Queues a change for the callbacks set at the time; without any it is dropped.
  void Post(DeviceChange change);

 private:
  void Run(int generation);  // the notification thread; ends when its generation is over

  std::mutex mutex_;
  std::condition_variable wake_;  // a change is queued, or the hub ends
  std::condition_variable idle_;  // a call has returned
  std::map<const rs2_context*, std::shared_ptr<ChangeListener>> listeners_;  // guarded by mutex_
  std::deque<DeviceChange> changes_;                                         // guarded by mutex_
  const rs2_context* calling_ = nullptr;  // guarded by mutex_: whose callback runs now
  bool ending_ = false;                   // guarded by mutex_
  bool running_ = false;                  // guarded by mutex_: thread_ serves the callbacks
  int generation_ = 0;                    // guarded by mutex_: of the thread that should run
  std::thread::id threadId_;              // guarded by mutex_
  std::thread thread_;                    // guarded by mutex_; joined by whoever retires it
};

}  // namespace rs2sim

// A list of devices as the C API hands it out; also what a devices-changed callback receives.
struct rs2_device_list {
  std::vector<rs2sim::DevicePtr> devices;
};

#endif  // RS2SIM_SRC_ENGINE_HOTPLUG_HPP
