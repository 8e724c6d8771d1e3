// Millisecond clocks.
#pragma once

#include <cstdint>

namespace utils {

// Monotonic milliseconds from an unspecified origin, for measuring waits.
// Falls back to the wall clock when no monotonic clock can be read.
std::int64_t NowMs();

// Wall-clock milliseconds since 1970-01-01 00:00 UTC.
std::int64_t CurrentTimeMs();

}  // namespace utils
