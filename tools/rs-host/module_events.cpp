#include "module_events.hpp"

#include <utility>

namespace rs_host {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::optional<ModuleEvent> EventOf(orvlog::Severity severity, const std::string& tag,
                                   const std::string& text) {
  using orvlog::Severity;
  if (severity == Severity::Warning) {
    if (text == "lost frames")
      return ModuleEvent::LostFrames;
    if (tag == "Watchdog" && EndsWith(text, ", restarting"))
      return ModuleEvent::RestartBegins;
    if (tag == "Restart" && StartsWith(text, "try ") && text.find(" failed") != std::string::npos)
      return ModuleEvent::RestartTryFailed;
  }
  if (severity == Severity::Info && tag == "Restart" && StartsWith(text, "streaming again after "))
    return ModuleEvent::StreamingAgain;
  return std::nullopt;
}

}  // namespace

std::optional<SourceEvent> ParseModuleLine(const orvlog::LogLine& line) {
  if (line.channel != ModuleEventSink::kChannel)
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
  return SourceEvent{message.substr(1, close - 1), *event};
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
