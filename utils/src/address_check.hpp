// Warnings about what a source address asks that is not honoured as written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "utils/query_params.hpp"

namespace vs_realsense2 {

// A number key and what its value falls back to when it cannot be used.
struct NumberKey {
  const char* key;
  std::int32_t fallback;
  const char* fallbackMeaning;  // "any", "the default"
};

// The size and rate keys (0 lets the library choose) and the interval keys
// (their defaults).
const std::vector<NumberKey>& NumberKeys();

// One text per finding, in this order: the scheme when it is not
// "realsense", then per pair of the query in address order an unknown key
// (once per key), a key given more than once, a number value that is
// malformed, negative, out of range or followed by other text. Reading the
// address is not changed by any of this.
std::vector<std::string> CheckAddress(const std::string& scheme, const utils::QueryParams& params);

}  // namespace vs_realsense2
