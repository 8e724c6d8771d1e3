#include "vs_test_support/log_capture.hpp"

#include <algorithm>

namespace vs_test_support {
namespace {

constexpr const char* kModuleChannel = "viroz.realsense";

std::size_t CountIn(const std::vector<orvlog::LogLine>& lines, const std::string& message) {
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
    return line.channel == kModuleChannel && line.message == message;
  }));
}

}  // namespace

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

std::vector<std::string> LogCapture::Messages(std::optional<orvlog::Severity> severity) const {
  std::vector<std::string> messages;
  for (const orvlog::LogLine& line : Lines()) {
    if (line.channel == kModuleChannel && (!severity || line.severity == *severity))
      messages.push_back(line.message);
  }
  return messages;
}

std::size_t LogCapture::Count(const std::string& message) const {
  return CountIn(Lines(), message);
}

bool LogCapture::WaitFor(const std::string& message, std::size_t times) const {
  std::unique_lock<std::mutex> lock(store_->mutex);
  return store_->added.wait_for(lock, kWaitLimit,
                                [&] { return CountIn(store_->lines, message) >= times; });
}

void LogCapture::Clear() {
  const std::lock_guard<std::mutex> lock(store_->mutex);
  store_->lines.clear();
}

}  // namespace vs_test_support
