#include "thread_name.hpp"

#if defined(__linux__)
#include <pthread.h>
#endif

namespace vs_realsense2 {

void NameCurrentThread(const char* prefix, const std::string& name) noexcept {
#if defined(__linux__)
  try {
    constexpr std::size_t kMaxLength = 15;  // the kernel's limit, without the terminator
    const std::string full = (std::string(prefix) + name).substr(0, kMaxLength);
    pthread_setname_np(pthread_self(), full.c_str());
  } catch (...) {
  }
#else
  static_cast<void>(prefix);
  static_cast<void>(name);
#endif
}

}  // namespace vs_realsense2
