#include "logger.hpp"

namespace vs_realsense2 {

orvlog::Logger& GetLogger() {
  static utils::LogChannel channel("viroz.realsense", false);
  return channel.Get();
}

}  // namespace vs_realsense2
