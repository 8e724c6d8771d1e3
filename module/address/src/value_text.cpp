#include "value_text.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

#include "utils/printable.hpp"

namespace vs_realsense2 {

WholeRead ReadWhole(std::string_view text) {
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
    return {WholeShape::NotANumber, 0};
  if (negative)
    value = -value;
  if (value > std::numeric_limits<std::int32_t>::max() ||
      value < std::numeric_limits<std::int32_t>::min())
    return {WholeShape::OutOfRange, 0};
  const auto read = static_cast<std::int32_t>(value);
  if (read < 0)
    return {WholeShape::Negative, read};
  return {i == text.size() ? WholeShape::Whole : WholeShape::TrailingText, read};
}

// The classic locale keeps a host's digit grouping or decimal comma from changing what an
// address means.
std::optional<float> ReadDecimal(std::string_view text) {
  std::istringstream stream{std::string(text)};
  stream.imbue(std::locale::classic());
  float value = 0.0f;
  stream >> value;
  if (stream.fail() || !stream.eof() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string Quoted(std::string_view text) {
  return '"' + utils::Printable(text, /*limit=*/40) + '"';
}

}  // namespace vs_realsense2
