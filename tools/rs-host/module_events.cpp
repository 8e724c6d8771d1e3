#include "module_events.hpp"

#include <algorithm>
#include <charconv>
#include <string>
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
  HealthFigures health{};
};

// Plain digits that fit; nothing otherwise.
std::optional<std::uint64_t> Count(std::string_view text) {
  std::uint64_t count = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, count);
  if (error != std::errc() || stop != end)
    return std::nullopt;
  return count;
}

std::optional<double> Celsius(std::string_view text) {
  if (text.empty() || text == "n/a")
    return std::nullopt;
  try {
    std::size_t used = 0;
    const double value = std::stod(std::string(text), &used);
    return used == text.size() ? std::optional<double>(value) : std::nullopt;
  } catch (...) {
    return std::nullopt;
  }
}

// Fields the host does not know, or cannot read, are passed over: the module
// appends fields over time.
HealthFigures ReadHealth(std::string_view text) {
  HealthFigures figures;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(lines::kFieldSeparator), text.size());
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(std::min(end + lines::kFieldSeparator.size(), text.size()));
    const std::size_t space = field.rfind(' ');
    if (space == std::string_view::npos)
      continue;
    const std::string_view name = field.substr(0, space);
    const std::string_view value = field.substr(space + 1);
    const std::uint64_t count = Count(value).value_or(0);
    if (name == lines::kColorDropsField)
      figures.colorDrops = count;
    else if (name == lines::kDepthDropsField)
      figures.depthDrops = count;
    else if (name == lines::kStaleDepthField)
      figures.staleDepth = count;
    else if (StartsWith(name, lines::kNotifiedFieldBegin))
      figures.notifications += count;
    else if (name == lines::kAsicTemperatureField)
      figures.asicC = Celsius(value);
    else if (name == lines::kProjectorTemperatureField)
      figures.projectorC = Celsius(value);
  }
  return figures;
}

std::optional<Event> EventOf(orvlog::Severity severity, const std::string& tag,
                             const std::string& text) {
  using orvlog::Severity;
  if (severity == Severity::Warning) {
    if (text == lines::kLostFrames)
      return Event{ModuleEvent::LostFrames};
    if (StartsWith(text, lines::kLostFramesCountBegin))
      return Event{ModuleEvent::LostFrames, SummedLosses(text)};
    if (tag == lines::kRecoveryTag && StartsWith(text, lines::kHardwareResetBegin))
      return Event{ModuleEvent::HardwareReset};
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
  if (severity == Severity::Info && tag == lines::kHealthTag)
    return Event{ModuleEvent::Health, 1, ReadHealth(text)};
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
  return SourceEvent{message.substr(1, close - 1), event->event, event->count, event->health};
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
