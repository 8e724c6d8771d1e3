// The module's log lines that tell the host about a source: lost frames and
// restarts. rs-host counts them per source through one log sink.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "orvlog/orvlog.hpp"

namespace rs_host {

// The lines are named in module_log_lines.hpp.
enum class ModuleEvent {
  LostFrames,        // Warning "<name> Tag: lost frames"
  RestartBegins,     // Warning "<name> Watchdog: ..., restarting"
  RestartTryFailed,  // Warning "<name> Restart: try N failed: ..."
  StreamingAgain,    // Info "<name> Restart: streaming again after ..."
};

struct SourceEvent {
  std::string source;
  ModuleEvent event;

  friend bool operator==(const SourceEvent& a, const SourceEvent& b) {
    return a.source == b.source && a.event == b.event;
  }
};

// The event of one of the module's lines, or nothing for any other line.
std::optional<SourceEvent> ParseModuleLine(const orvlog::LogLine& line);

// While it lives, hands every event of the module's lines to `onEvent`, on
// whichever thread logged the line.
class ModuleEventSink {
 public:
  explicit ModuleEventSink(std::function<void(const SourceEvent&)> onEvent);
  ~ModuleEventSink();
  ModuleEventSink(const ModuleEventSink&) = delete;
  ModuleEventSink& operator=(const ModuleEventSink&) = delete;

 private:
  orvlog::SinkId sink_;
};

}  // namespace rs_host
