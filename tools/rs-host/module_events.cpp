#include "module_events.hpp"

#include <charconv>
#include <string_view>
#include <system_error>
#include <utility>

#include <module_log_lines.hpp>

namespace rs_host {
namespace {

namespace lines = vs_realsense2::log_lines;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// n of "lost frames: <n> in the last second": plain digits, more than 0, that fit; 1 for
// anything else, so that a line the module may word differently one day neither goes
// uncounted nor adds a number that was never meant.
std::uint64_t SummedLosses(std::string_view text) {
  text.remove_prefix(lines::kLostFramesCountBegin.size());
  if (!EndsWith(text, lines::kLostFramesCountEnd))
    return 1;
  text.remove_suffix(lines::kLostFramesCountEnd.size());
  std::uint64_t count = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, count);
  // No sign, space or fraction gets through from_chars into an unsigned.
  return error == std::errc() && stop == end && count > 0 ? count : 1;
}

struct Event {
  ModuleEvent event;
  std::uint64_t count = 1;
};

std::optional<Event> EventOf(orvlog::Severity severity, const std::string& tag,
                             const std::string& text) {
  using orvlog::Severity;
  if (severity == Severity::Warning) {
    if (text == lines::kLostFrames)
      return Event{ModuleEvent::LostFrames};
    if (StartsWith(text, lines::kLostFramesCountBegin))
      return Event{ModuleEvent::LostFrames, SummedLosses(text)};
    if (tag == lines::kWatchdogTag &&
        (EndsWith(text, lines::kRestartingEnd) ||
         text.find(std::string(lines::kRestartingEnd) + " in ") != std::string::npos))
      return Event{ModuleEvent::RestartBegins};
  }
  // An Error when the camera is listed but lacks what the address asks.
  if ((severity == Severity::Warning || severity == Severity::Error) && tag == lines::kRestartTag &&
      StartsWith(text, lines::kTryBegin) && text.find(lines::kTryFailed) != std::string::npos)
    return Event{ModuleEvent::RestartTryFailed};
  if (severity == Severity::Info && tag == lines::kRestartTag &&
      StartsWith(text, lines::kStreamingAgainBegin))
    return Event{ModuleEvent::StreamingAgain};
  return std::nullopt;
}

}  // namespace

std::optional<SourceEvent> ParseModuleLine(const orvlog::LogLine& line) {
  if (line.channel != lines::kChannel)
    return std::nullopt;
  // "<name> Tag: text"
  const std::string& message = line.message;
  if (message.empty() || message.front() != '<')
    return std::nullopt;
  const auto close = message.find("> ");
  if (close == std::string::npos)
    return std::nullopt;
  const auto colon = message.find(": ", close + 2);
  if (colon == std::string::npos)
    return std::nullopt;
  const auto event = EventOf(line.severity, message.substr(close + 2, colon - close - 2),
                             message.substr(colon + 2));
  if (!event)
    return std::nullopt;
  return SourceEvent{message.substr(1, close - 1), event->event, event->count};
}

ModuleEventSink::ModuleEventSink(std::function<void(const SourceEvent&)> onEvent)
    : sink_(orvlog::AddCallbackSink(orvlog::Severity::Info,
                                    [onEvent = std::move(onEvent)](const orvlog::LogLine& line) {
                                      if (const auto event = ParseModuleLine(line))
                                        onEvent(*event);
                                    })) {}

ModuleEventSink::~ModuleEventSink() {
  orvlog::RemoveSink(sink_);
}

}  // namespace rs_host
