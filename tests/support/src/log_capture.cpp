#include "vs_test_support/log_capture.hpp"

#include <algorithm>
#include <regex>

#include <module_log_lines.hpp>

namespace vs_test_support {
namespace {

constexpr const char* kModuleChannel = vs_realsense2::log_lines::kChannel;

Lines ModuleLines(const std::vector<orvlog::LogLine>& raw) {
  Lines lines;
  for (const orvlog::LogLine& line : raw) {
    if (line.channel == kModuleChannel)
      lines.push_back({line.severity, line.message});
  }
  return lines;
}

std::size_t CountIn(const std::vector<orvlog::LogLine>& lines, orvlog::Severity severity,
                    const std::string& message) {
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
    return line.channel == kModuleChannel && line.severity == severity && line.message == message;
  }));
}

std::size_t CountMatchingIn(const std::vector<orvlog::LogLine>& lines, orvlog::Severity severity,
                            const std::regex& pattern) {
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
    return line.channel == kModuleChannel && line.severity == severity &&
           std::regex_match(line.message, pattern);
  }));
}

}  // namespace

std::uint64_t LostFramesLogged(const std::vector<std::string>& warnings, const std::string& name) {
  const std::string single = "<" + name + "> ProcessFrame: lost frames";
  const std::regex summed("<" + name + R"(> ProcessFrame: lost frames: (\d+) in the last second)");
  std::uint64_t lost = 0;
  for (const std::string& warning : warnings) {
    std::smatch match;
    if (warning == single)
      ++lost;
    else if (std::regex_match(warning, match, summed))
      lost += std::stoull(match[1]);
  }
  return lost;
}

void PrintTo(const Line& line, std::ostream* os) {
  *os << orvlog::SeverityName(line.severity) << " " << line.message;
}

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

std::vector<orvlog::LogLine> LogCapture::Raw() const {
  const std::lock_guard<std::mutex> lock(store_->mutex);
  return store_->lines;
}

Lines LogCapture::All() const {
  return ModuleLines(Raw());
}

std::vector<std::string> LogCapture::Messages(orvlog::Severity severity) const {
  std::vector<std::string> messages;
  for (const Line& line : All()) {
    if (line.severity == severity)
      messages.push_back(line.message);
  }
  return messages;
}

std::size_t LogCapture::Count(orvlog::Severity severity, const std::string& message) const {
  return CountIn(Raw(), severity, message);
}

bool LogCapture::WaitFor(orvlog::Severity severity, const std::string& message,
                         std::size_t times) const {
  std::unique_lock<std::mutex> lock(store_->mutex);
  return store_->added.wait_for(lock, kWaitLimit,
                                [&] { return CountIn(store_->lines, severity, message) >= times; });
}

std::size_t LogCapture::CountMatching(orvlog::Severity severity, const std::string& pattern) const {
  return CountMatchingIn(Raw(), severity, std::regex(pattern));
}

bool LogCapture::WaitForMatching(orvlog::Severity severity, const std::string& pattern,
                                 std::size_t times) const {
  const std::regex compiled(pattern);
  std::unique_lock<std::mutex> lock(store_->mutex);
  return store_->added.wait_for(lock, kWaitLimit, [&] {
    return CountMatchingIn(store_->lines, severity, compiled) >= times;
  });
}

bool LogCapture::WaitUntil(const std::function<bool(const Lines&)>& done) const {
  std::unique_lock<std::mutex> lock(store_->mutex);
  return store_->added.wait_for(lock, kWaitLimit, [&] { return done(ModuleLines(store_->lines)); });
}

// Releases the storage too: soak tests that clear every cycle measure the
// heap, and a vector keeps its largest capacity.
void LogCapture::Clear() {
  std::vector<orvlog::LogLine> released;
  const std::lock_guard<std::mutex> lock(store_->mutex);
  released.swap(store_->lines);
}

}  // namespace vs_test_support
