// Lookups in the key/value pairs of an address's query.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace utils {

// The query's pairs in the order of the address; duplicate keys are kept.
using QueryParams = std::vector<std::pair<std::string, std::string>>;

// True when a pair with `key` exists; the first such pair gives `value` and
// `index` (either may be null). Neither output is touched when none exists.
// `ignoreCase` compares keys upper-cased in the classic locale.
bool GetParam(const QueryParams& params, const std::string& key, std::string* value,
              bool ignoreCase, std::size_t* index);

// `text` in lower case by the classic locale's rule: keys and values of an
// address are protocol tokens, which a host's global locale must not change.
std::string LowerCase(std::string_view text);

}  // namespace utils
