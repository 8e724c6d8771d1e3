// Sensor notifications: the callback a program set on each sensor of a device, and delivery of
// the notifications that tests ask for.

#ifndef RS2SIM_SRC_ENGINE_NOTIFICATIONS_HPP
#define RS2SIM_SRC_ENGINE_NOTIFICATIONS_HPP

#include <librealsense2/rs.h>

#include <memory>
#include <string>

#include "options.hpp"

// A notification as the C API hands it to a callback.
struct rs2_notification {
  rs2sim::NotificationSpec spec;
};

namespace rs2sim {

// The library owns a notifications callback once it is handed over; release() gives it back.
using NotificationsCallbackPtr = std::shared_ptr<rs2_notifications_callback>;
NotificationsCallbackPtr AdoptNotificationsCallback(rs2_notifications_callback* callback);

// Replaces the callback of one sensor of `device`; every handle of that sensor shares it, as the
// library's sensor objects do. A call in flight finishes with the callback it began with.
void SetNotificationsCallback(const DevicePtr& device, SensorKind kind,
                              NotificationsCallbackPtr callback);

// Releases the callbacks of every sensor of `device`.
void ForgetNotificationsCallbacks(const DevicePtr& device);

// The same for the sensor behind a C API handle (device_api.cpp, where the handle is complete).
void SetSensorNotificationsCallback(const rs2_sensor* sensor, NotificationsCallbackPtr callback);

// Delivers `notification` to the callback of the sensor of device `serial` that carries `sensor`,
// on a thread of its own, and returns once the callback has returned; false when that device is
// not connected or that sensor has no callback. A timestamp of 0 becomes the device clock.
bool NotifySensor(const std::string& serial, rs2_stream sensor,
                  const NotificationSpec& notification);

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_NOTIFICATIONS_HPP
