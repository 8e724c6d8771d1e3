#include "utils/log.hpp"

namespace utils {

orvlog::Logger& GetUtilsLogger() {
  static LogChannel channel("utils", true);
  return channel.Get();
}

}  // namespace utils
