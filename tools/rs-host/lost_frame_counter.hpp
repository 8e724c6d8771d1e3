// Counts the module's "lost frames" warnings per source through a log sink.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "orvlog/orvlog.hpp"

namespace rs_host {

class LostFrameCounter {
 public:
  static constexpr const char* kChannel = "viroz.realsense";

  // `onLost` receives the source name of every such line; it runs on
  // whichever thread logged the line.
  explicit LostFrameCounter(std::function<void(const std::string& source)> onLost);
  ~LostFrameCounter();
  LostFrameCounter(const LostFrameCounter&) = delete;
  LostFrameCounter& operator=(const LostFrameCounter&) = delete;

  // The source name of a module line "<name> Tag: lost frames", or nothing
  // for any other line.
  static std::optional<std::string> SourceOfLostFrames(const orvlog::LogLine& line);

 private:
  orvlog::SinkId sink_;
};

}  // namespace rs_host
