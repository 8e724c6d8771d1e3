// Address values as text: the two ways one is read as a number, whole (sizes, rates,
// intervals) or decimal (camera controls), and how one is quoted in a warning.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vs_realsense2 {

// How the text of a whole number reads.
enum class WholeShape {
  Whole,         // only the number
  TrailingText,  // a number followed by other text, which is ignored
  NotANumber,
  Negative,
  OutOfRange,  // beyond the 32-bit range
};

struct WholeRead {
  WholeShape shape;
  std::int32_t value;  // the number read; 0 when NotANumber or OutOfRange
};

// Leading white space is skipped, then an optional sign and decimal digits are read; text
// after the digits is TrailingText. A negative number is Negative even with text after it.
[[nodiscard]] WholeRead ReadWhole(std::string_view text);

// The whole text as one finite decimal number, read in the classic locale, or nothing.
[[nodiscard]] std::optional<float> ReadDecimal(std::string_view text);

// `text` in double quotes, made printable and cut to a length that is enough to recognise a
// typing error and short enough for a log line.
[[nodiscard]] std::string Quoted(std::string_view text);

}  // namespace vs_realsense2
