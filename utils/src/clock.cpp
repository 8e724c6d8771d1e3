#include "utils/clock.hpp"

#include "utils/code_placement.hpp"

#ifdef _WIN32
#include <sys/timeb.h>
#include "windows_headers.hpp"
#else
#include <time.h>
#endif

namespace utils {

#ifdef _WIN32

VSRS_HOT std::int64_t NowMs() {
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  if (!QueryPerformanceCounter(&counter) || !QueryPerformanceFrequency(&frequency) ||
      frequency.QuadPart == 0) {
    return CurrentTimeMs();
  }
  // Split into whole seconds and the remainder so that counter * 1000 cannot
  // overflow on machines with a high counter frequency.
  const std::int64_t ticks = counter.QuadPart;
  const std::int64_t perSecond = frequency.QuadPart;
  return (ticks / perSecond) * 1000 + ((ticks % perSecond) * 1000) / perSecond;
}

std::int64_t CurrentTimeMs() {
  __timeb64 now{};
  _ftime64_s(&now);
  return static_cast<std::int64_t>(now.time) * 1000 + now.millitm;
}

#else

VSRS_HOT std::int64_t NowMs() {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0)
    return CurrentTimeMs();
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::int64_t CurrentTimeMs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

#endif

}  // namespace utils
