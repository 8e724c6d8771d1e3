// The module's log lines that tell the host about a source: lost frames,
// restarts, hardware resets and the health line. rs-host counts them per
// source through one log sink.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "orvlog/orvlog.hpp"

namespace rs_host {

// The lines are named in module_log_lines.hpp.
enum class ModuleEvent {
  LostFrames,        // Warning "<name> Tag: lost frames[: <n> in the last second]"
  RestartBegins,     // Warning "<name> Watchdog: ..., restarting"
  RestartTryFailed,  // Warning "<name> Restart: try N failed: ..."
  StreamingAgain,    // Info "<name> Restart: streaming again after ..."
  HardwareReset,     // Warning "<name> Recovery: hardware reset of camera ..."
  Health,            // Info "<name> Health: ..."
};

// What a health line says about the camera, for its interval.
struct HealthFigures {
  std::uint64_t colorDrops = 0;
  std::uint64_t depthDrops = 0;
  std::uint64_t staleDepth = 0;
  std::uint64_t notifications = 0;  // every "notified <category>" field summed
  std::optional<double> asicC;      // empty: n/a, or not in the line
  std::optional<double> projectorC;

  friend bool operator==(const HealthFigures& a, const HealthFigures& b) {
    return a.colorDrops == b.colorDrops && a.depthDrops == b.depthDrops &&
           a.staleDepth == b.staleDepth && a.notifications == b.notifications &&
           a.asicC == b.asicC && a.projectorC == b.projectorC;
  }
};

struct SourceEvent {
  std::string source;
  ModuleEvent event;
  // Frames lost, for LostFrames: 1 for the first loss after a quiet second, n for the line
  // that sums the losses of the second after it. A summed line whose count cannot be read
  // still says that frames were lost, and counts as 1.
  std::uint64_t count = 1;
  HealthFigures health{};  // for Health

  friend bool operator==(const SourceEvent& a, const SourceEvent& b) {
    return a.source == b.source && a.event == b.event && a.count == b.count && a.health == b.health;
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
