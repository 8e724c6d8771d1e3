#include "lost_frame_counter.hpp"

#include <utility>

namespace rs_host {

LostFrameCounter::LostFrameCounter(std::function<void(const std::string& source)> onLost)
    : sink_(orvlog::AddCallbackSink(orvlog::Severity::Warning,
                                    [onLost = std::move(onLost)](const orvlog::LogLine& line) {
                                      if (const auto source = SourceOfLostFrames(line))
                                        onLost(*source);
                                    })) {}

LostFrameCounter::~LostFrameCounter() {
  orvlog::RemoveSink(sink_);
}

std::optional<std::string> LostFrameCounter::SourceOfLostFrames(const orvlog::LogLine& line) {
  if (line.channel != kChannel || line.severity != orvlog::Severity::Warning)
    return std::nullopt;
  const std::string& text = line.message;
  if (text.empty() || text.front() != '<')
    return std::nullopt;
  const auto close = text.find("> ");
  if (close == std::string::npos)
    return std::nullopt;
  const auto colon = text.find(": ", close + 2);
  if (colon == std::string::npos ||
      text.compare(colon + 2, std::string::npos, "lost frames") != 0) {
    return std::nullopt;
  }
  return text.substr(1, close - 1);
}

}  // namespace rs_host
