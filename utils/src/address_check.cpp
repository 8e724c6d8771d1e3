#include "address_check.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <set>
#include <sstream>
#include <string_view>

#include "utils/printable.hpp"

namespace vs_realsense2 {
namespace {

// Every key a source reads, the camera controls' included.
constexpr std::string_view kKnownKeys[] = {"sn",
                                           "c_width",
                                           "c_height",
                                           "c_fps",
                                           "d_width",
                                           "d_height",
                                           "d_fps",
                                           "record_to_file",
                                           "playback_from_file",
                                           "align",
                                           "c_format",
                                           "json",
                                           "preset",
                                           "emitter",
                                           "laser_power",
                                           "depth_exposure",
                                           "exposure",
                                           "auto_exposure",
                                           "gain",
                                           "watchdog_ms",
                                           "stats_s"};

// Values are quoted in warnings at most this long: enough to recognise a
// typing error, short enough for a log line.
constexpr std::size_t kQuoteLimit = 40;

bool IsKnown(std::string_view key) {
  return std::find(std::begin(kKnownKeys), std::end(kKnownKeys), key) != std::end(kKnownKeys);
}

std::string Quoted(std::string_view text) {
  return '"' + utils::Printable(text, kQuoteLimit) + '"';
}

enum class NumberShape { Whole, Trailing, Malformed, Negative, OutOfRange };

struct NumberRead {
  NumberShape shape;
  std::int64_t value;
};

// Classifies `text` the way the address reader's stream extraction of an int
// reads it: leading white space skipped, an optional sign, decimal digits;
// text after the digits is ignored.
NumberRead ReadNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::string_view(" \t\n\v\f\r").find(text[i]) != std::string_view::npos)
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    negative = text[i++] == '-';
  const std::size_t digits = i;
  // Saturates far above the int range so that no digit string overflows.
  constexpr std::int64_t kCeiling = std::int64_t{1} << 40;
  std::int64_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = std::min(kCeiling, value * 10 + (text[i] - '0'));
    ++i;
  }
  if (i == digits)
    return {NumberShape::Malformed, 0};
  if (negative)
    value = -value;
  if (value > std::numeric_limits<std::int32_t>::max() ||
      value < std::numeric_limits<std::int32_t>::min())
    return {NumberShape::OutOfRange, value};
  if (value < 0)
    return {NumberShape::Negative, value};
  return {i == text.size() ? NumberShape::Whole : NumberShape::Trailing, value};
}

void CheckNumber(const NumberKey& number, const std::string& text,
                 std::vector<std::string>& warnings) {
  const NumberRead read = ReadNumber(text);
  if (read.shape == NumberShape::Whole)
    return;
  std::ostringstream warning;
  warning << number.key << ' ' << Quoted(text);
  switch (read.shape) {
    case NumberShape::Trailing:
      warning << " has text after the number; " << read.value << " is used";
      warnings.push_back(warning.str());
      return;
    case NumberShape::Malformed:
      warning << " is not a number";
      break;
    case NumberShape::Negative:
      warning << " is negative";
      break;
    case NumberShape::OutOfRange:
      warning << " is out of range";
      break;
    case NumberShape::Whole:
      return;
  }
  warning << "; " << number.fallback << " (" << number.fallbackMeaning << ") is used";
  warnings.push_back(warning.str());
}

std::string UnknownKey(std::string_view key) {
  std::string warning = "unknown key " + Quoted(key) + " ignored; keys are case-sensitive";
  const std::string lower = utils::LowerCase(key);
  if (lower != key && IsKnown(lower))
    warning += " (\"" + lower + "\" is known)";
  return warning;
}

}  // namespace

const std::vector<NumberKey>& NumberKeys() {
  static const std::vector<NumberKey> keys = {{"c_width", 0, "any"},
                                              {"c_height", 0, "any"},
                                              {"c_fps", 0, "any"},
                                              {"d_width", 0, "any"},
                                              {"d_height", 0, "any"},
                                              {"d_fps", 0, "any"},
                                              {"watchdog_ms", 2000, "the default"},
                                              {"stats_s", 60, "the default"}};
  return keys;
}

std::vector<std::string> CheckAddress(const std::string& scheme, const utils::QueryParams& params) {
  std::vector<std::string> warnings;
  if (scheme.empty()) {
    warnings.push_back("the address has no scheme; \"realsense\" is assumed");
  } else if (scheme != "realsense") {
    warnings.push_back("scheme " + Quoted(scheme) +
                       " is not \"realsense\"; the address is read "
                       "as a realsense address");
  }
  std::set<std::string> seen;
  std::set<std::string> repeated;
  for (const auto& param : params) {
    // Named references rather than a structured binding, which lambdas below
    // capture (C++17 does not allow capturing a binding).
    const std::string& key = param.first;
    const std::string& value = param.second;
    const bool first = seen.insert(key).second;
    if (!IsKnown(key)) {
      if (first)
        warnings.push_back(UnknownKey(key));
      continue;
    }
    if (!first) {
      if (repeated.insert(key).second)
        warnings.push_back("key " + Quoted(key) + " given more than once; its first value is used");
      continue;
    }
    const auto number = std::find_if(NumberKeys().begin(), NumberKeys().end(),
                                     [&](const NumberKey& n) { return key == n.key; });
    if (number != NumberKeys().end())
      CheckNumber(*number, value, warnings);
  }
  return warnings;
}

}  // namespace vs_realsense2
