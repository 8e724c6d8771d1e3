#include "logger.hpp"

#include <module_log_lines.hpp>

namespace vs_realsense2 {

orvlog::Logger& GetLogger() {
  static utils::LogChannel channel(log_lines::kChannel, /*flag=*/false);
  return channel.Get();
}

}  // namespace vs_realsense2
