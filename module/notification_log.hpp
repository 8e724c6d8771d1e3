// The camera's own notifications (frames timeout, hardware error...) as log
// lines, counted per category, with a hook for code that must act on one.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <librealsense2/rs.hpp>
#include <orvlog/orvlog.hpp>
#include <utils/mutex.hpp>

#include "health_report.hpp"

namespace vs_realsense2 {

// One notification as a sensor raised it.
struct Notice {
  rs2_notification_category category = RS2_NOTIFICATION_CATEGORY_COUNT;
  rs2_log_severity severity = RS2_LOG_SEVERITY_COUNT;
  std::string description;  // as the library gives it: any bytes, any length
  std::string sensor;       // the sensor's name ("Stereo Module")
};

// The library's severity in the log: debug and info are Info, warn is
// Warning, error and fatal are Error; a value the module does not know is a
// Warning, so that nothing new is hidden.
[[nodiscard]] orvlog::Severity LogSeverity(rs2_log_severity severity);

// Writes each notification as "<name> Notification: <Category> from
// <sensor>: <description>" at its mapped severity, the description made fit
// for one line. The same notification (category, severity, sensor and
// description) within a minute of its last line is only counted; the next
// line about it, written by its next arrival after the minute or by
// WriteDue, ends in " (<n> times in <s> s)": the arrivals since its last
// line and the time since. Counts every notification per category for the
// health line, and runs the reactions on every one, repeated or not.
//
// Thread-safe: each sensor's notifications come on a library thread of its
// own, the health line and WriteDue on the supervisor's. Its lock is held
// only for the bookkeeping, never while writing or reacting. Times are
// monotonic ms from `now`, so that tests step them.
class NotificationLog {
 public:
  static constexpr std::int64_t kRepeatMs = 60000;
  // Runs on the library's notification thread, after the line; must not
  // block for long (the library holds that sensor's next notification).
  using Reaction = std::function<void(const Notice&)>;

  NotificationLog(std::string name, MonotonicMs now);

  // Any thread. Never throws: a line that fails is lost, a reaction that
  // throws loses only its own work.
  void Note(const Notice& notice) noexcept EXCLUDES(mutex_);
  // Writes the counts of notifications repeated within their minute once the
  // minute is over, and forgets notifications quiet for that long.
  void WriteDue() noexcept EXCLUDES(mutex_);
  // Adds a reaction to every notification from now on, until StopReacting
  // with the id returned (a session that reacts for its own lifetime).
  using ReactionId = std::uint64_t;
  ReactionId React(Reaction reaction) EXCLUDES(mutex_);
  // On return no call of that reaction begins; one in progress on a library
  // thread may still finish.
  void StopReacting(ReactionId id) EXCLUDES(mutex_);
  // Appends to the health line, for each category in the library's order,
  // "; notified <category> <count>" with the count since the previous call
  // (the first: since construction). Supervisor thread only.
  void WriteHealthFields(std::ostream& os);

 private:
  static constexpr std::size_t kSlots =
      std::size_t{RS2_NOTIFICATION_CATEGORY_COUNT} + 1;  // last: unknown
  using Key = std::tuple<int, int, std::string, std::string>;
  struct Repeats {
    std::int64_t lastLineMs = 0;
    std::uint64_t since = 0;  // arrivals since the last line, not written
  };
  struct Line {
    orvlog::Severity severity;
    std::string text;
  };

  static std::string Text(const Notice& notice);
  static std::string RepeatText(const std::string& text, std::uint64_t times, std::int64_t ms);
  void Write(const Line& line) const noexcept EXCLUDES(mutex_);

  const std::string name_;
  const MonotonicMs now_;
  std::array<std::atomic<std::uint64_t>, kSlots> counts_{};
  std::array<std::uint64_t, kSlots> reported_{};  // supervisor thread only
  utils::Mutex mutex_;
  std::map<Key, Repeats> repeats_ GUARDED_BY(mutex_);
  std::vector<std::pair<ReactionId, Reaction>> reactions_ GUARDED_BY(mutex_);
  ReactionId lastReaction_ GUARDED_BY(mutex_) = 0;
};

// Sends the notifications of every sensor of `device` to `log` for as long
// as the library keeps the device (a pipeline: until it is released). Throws
// rs2::error.
void ListenToSensors(const rs2::device& device, const std::shared_ptr<NotificationLog>& log);

}  // namespace vs_realsense2
