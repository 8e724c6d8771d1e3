#include "notification_log.hpp"

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <utility>

#include <utils/printable.hpp>

#include "logger.hpp"

namespace vs_realsense2 {
namespace {

// Field names of the health line, fixed here rather than taken from the
// library, so that readers of the line do not depend on its version.
constexpr std::array<const char*, 7> kFieldNames = {
    "frames timeout",     "frame corrupted", "hardware error",
    "hardware event",     "unknown error",   "firmware update recommended",
    "pose relocalization"};

// A description is text from the camera: one line, and not a page of it.
constexpr std::size_t kDescriptionLimit = 200;

constexpr std::size_t kKnown = RS2_NOTIFICATION_CATEGORY_COUNT;

// A category the module does not know (a newer library) counts in the last slot.
std::size_t Slot(rs2_notification_category category) {
  const int value = static_cast<int>(category);
  return value >= 0 && static_cast<std::size_t>(value) < kKnown ? static_cast<std::size_t>(value)
                                                                : kKnown;
}

}  // namespace

orvlog::Severity LogSeverity(rs2_log_severity severity) {
  switch (severity) {
    case RS2_LOG_SEVERITY_DEBUG:
    case RS2_LOG_SEVERITY_INFO:
      return orvlog::Severity::Info;
    case RS2_LOG_SEVERITY_ERROR:
    case RS2_LOG_SEVERITY_FATAL:
      return orvlog::Severity::Error;
    default:
      return orvlog::Severity::Warning;
  }
}

NotificationLog::NotificationLog(std::string name, MonotonicMs now)
    : name_(std::move(name)), now_(std::move(now)) {}

std::string NotificationLog::Text(const Notice& notice) {
  std::string text = Slot(notice.category) < kKnown
                         ? rs2_notification_category_to_string(notice.category)
                         : "category " + std::to_string(static_cast<int>(notice.category));
  text += " from " + utils::Printable(notice.sensor, 40) + ": ";
  return text + utils::Printable(notice.description, kDescriptionLimit);
}

std::string NotificationLog::RepeatText(const std::string& text, std::uint64_t times,
                                        std::int64_t ms) {
  std::ostringstream os;
  os << text << " (" << times << " times in " << std::fixed << std::setprecision(1)
     << static_cast<double>(ms) / 1000.0 << " s)";
  return os.str();
}

void NotificationLog::Write(const Line& line) const noexcept {
  LogSafely(line.severity, name_, "Notification", line.text);
}

void NotificationLog::Note(const Notice& notice) noexcept {
  counts_[Slot(notice.category)].fetch_add(1, std::memory_order_relaxed);
  try {
    const std::int64_t now = now_();
    const std::string text = Text(notice);
    std::vector<Line> lines;
    std::vector<std::pair<ReactionId, Reaction>> reactions;
    {
      const utils::MutexLock lock(mutex_);
      const Key key{notice.category, notice.severity, notice.sensor, notice.description};
      const auto [it, first] = repeats_.try_emplace(key);
      Repeats& repeats = it->second;
      if (first) {
        lines.push_back({LogSeverity(notice.severity), text});
        repeats.lastLineMs = now;
      } else if (now - repeats.lastLineMs < kRepeatMs) {
        ++repeats.since;
      } else {
        lines.push_back({LogSeverity(notice.severity),
                         repeats.since == 0
                             ? text
                             : RepeatText(text, repeats.since + 1, now - repeats.lastLineMs)});
        repeats = Repeats{now, 0};
      }
      reactions = reactions_;
    }
    for (const Line& line : lines)
      Write(line);
    for (const auto& entry : reactions) {
      try {
        entry.second(notice);
      } catch (...) {
      }
    }
  } catch (...) {
    // Out of memory: the notification is counted, its line lost.
  }
}

void NotificationLog::WriteDue() noexcept {
  try {
    const std::int64_t now = now_();
    std::vector<Line> lines;
    {
      const utils::MutexLock lock(mutex_);
      for (auto it = repeats_.begin(); it != repeats_.end();) {
        Repeats& repeats = it->second;
        if (now - repeats.lastLineMs < kRepeatMs) {
          ++it;
          continue;
        }
        if (repeats.since == 0) {
          it = repeats_.erase(it);
          continue;
        }
        const auto& [category, severity, sensor, description] = it->first;
        const Notice notice{static_cast<rs2_notification_category>(category),
                            static_cast<rs2_log_severity>(severity), description, sensor};
        lines.push_back({LogSeverity(notice.severity),
                         RepeatText(Text(notice), repeats.since, now - repeats.lastLineMs)});
        repeats = Repeats{now, 0};
        ++it;
      }
    }
    for (const Line& line : lines)
      Write(line);
  } catch (...) {
  }
}

NotificationLog::ReactionId NotificationLog::React(Reaction reaction) {
  const utils::MutexLock lock(mutex_);
  reactions_.emplace_back(++lastReaction_, std::move(reaction));
  return lastReaction_;
}

void NotificationLog::StopReacting(ReactionId id) {
  const utils::MutexLock lock(mutex_);
  reactions_.erase(std::remove_if(reactions_.begin(), reactions_.end(),
                                  [id](const auto& entry) { return entry.first == id; }),
                   reactions_.end());
}

void NotificationLog::WriteHealthFields(std::ostream& os) {
  static_assert(kFieldNames.size() == kKnown, "a field name per category");
  for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
    const std::uint64_t count = counts_[i].load(std::memory_order_relaxed);
    os << "; notified " << kFieldNames[i] << ' ' << count - reported_[i];
    reported_[i] = count;
  }
}

void ListenToSensors(const rs2::device& device, const std::shared_ptr<NotificationLog>& log) {
  for (const rs2::sensor& sensor : device.query_sensors()) {
    std::string name =
        sensor.supports(RS2_CAMERA_INFO_NAME) ? sensor.get_info(RS2_CAMERA_INFO_NAME) : "sensor";
    sensor.set_notifications_callback(
        [log, name = std::move(name)](const rs2::notification& notification) {
          log->Note(Notice{notification.get_category(), notification.get_severity(),
                           notification.get_description(), name});
        });
  }
}

}  // namespace vs_realsense2
