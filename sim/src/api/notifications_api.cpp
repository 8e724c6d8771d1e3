// The notification functions of the C API: a sensor's notifications callback and what a
// notification carries.

#include <librealsense2/rs.hpp>

#include "api/guarded.hpp"
#include "engine/notifications.hpp"

using rs2sim::ArgText;
using rs2sim::Guarded;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

extern "C" {

void rs2_set_notifications_callback_cpp(const rs2_sensor* sensor,
                                        rs2_notifications_callback* callback, rs2_error** error) {
  // Owned from here on, even when the call fails.
  rs2sim::NotificationsCallbackPtr owned =
      callback ? rs2sim::AdoptNotificationsCallback(callback) : nullptr;
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("sensor", sensor).Add("callback", callback); },
      [&] {
        NotNull(sensor, "sensor");
        NotNull(callback, "callback");
        rs2sim::SetSensorNotificationsCallback(sensor, std::move(owned));
      });
}

const char* rs2_get_notification_description(rs2_notification* notification, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("notification", notification); },
      static_cast<const char*>(nullptr),
      [&] { return NotNull(notification, "notification")->spec.description.c_str(); });
}

rs2_time_t rs2_get_notification_timestamp(rs2_notification* notification, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("notification", notification); }, 0.0,
      [&] { return NotNull(notification, "notification")->spec.timestamp; });
}

rs2_log_severity rs2_get_notification_severity(rs2_notification* notification, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("notification", notification); },
      RS2_LOG_SEVERITY_NONE, [&] { return NotNull(notification, "notification")->spec.severity; });
}

rs2_notification_category rs2_get_notification_category(rs2_notification* notification,
                                                        rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("notification", notification); },
      RS2_NOTIFICATION_CATEGORY_UNKNOWN_ERROR,
      [&] { return NotNull(notification, "notification")->spec.category; });
}

const char* rs2_get_notification_serialized_data(rs2_notification* notification,
                                                 rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("notification", notification); },
      static_cast<const char*>(nullptr),
      [&] { return NotNull(notification, "notification")->spec.serializedData.c_str(); });
}

}  // extern "C"
