#include "vs_test_support/log_capture.hpp"

#include <algorithm>

namespace vs_test_support {

LogCapture::LogCapture(orvlog::Severity minimum)
    : store_(std::make_shared<Store>()),
      sink_(orvlog::AddCallbackSink(minimum, [store = store_](const orvlog::LogLine& line) {
        {
          const std::lock_guard<std::mutex> lock(store->mutex);
          store->lines.push_back(line);
        }
        store->added.notify_all();
      })) {}

LogCapture::~LogCapture() {
  orvlog::RemoveSink(sink_);
}

std::vector<orvlog::LogLine> LogCapture::Lines() const {
  const std::lock_guard<std::mutex> lock(store_->mutex);
  return store_->lines;
}

std::vector<std::string> LogCapture::Messages(const std::string& channel) const {
  std::vector<std::string> messages;
  for (const orvlog::LogLine& line : Lines()) {
    if (line.channel == channel)
      messages.push_back(line.message);
  }
  return messages;
}

std::vector<std::string> LogCapture::Messages(orvlog::Severity severity,
                                              const std::string& channel) const {
  std::vector<std::string> messages;
  for (const orvlog::LogLine& line : Lines()) {
    if (line.channel == channel && line.severity == severity)
      messages.push_back(line.message);
  }
  return messages;
}

std::size_t LogCapture::Store::CountLocked(const std::string& message,
                                           const std::string& channel) const {
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const orvlog::LogLine& line) {
        return line.channel == channel && line.message == message;
      }));
}

std::size_t LogCapture::Count(const std::string& message, const std::string& channel) const {
  const std::lock_guard<std::mutex> lock(store_->mutex);
  return store_->CountLocked(message, channel);
}

bool LogCapture::WaitFor(const std::string& message, std::size_t times,
                         const std::string& channel) const {
  std::unique_lock<std::mutex> lock(store_->mutex);
  return store_->added.wait_for(lock, kWaitLimit,
                                [&] { return store_->CountLocked(message, channel) >= times; });
}

void LogCapture::Clear() {
  const std::lock_guard<std::mutex> lock(store_->mutex);
  store_->lines.clear();
}

}  // namespace vs_test_support
