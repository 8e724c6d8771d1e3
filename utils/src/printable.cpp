#include "utils/printable.hpp"

namespace utils {

std::string Printable(std::string_view text, std::size_t limit) {
  const bool cut = text.size() > limit;
  std::string result(text.substr(0, limit));
  for (char& c : result) {
    const auto byte = static_cast<unsigned char>(c);
    // Bytes from 0x80 up are left alone: they belong to UTF-8 sequences.
    if (byte < 0x20 || byte == 0x7f)
      c = '?';
  }
  if (cut)
    result += "...";
  return result;
}

}  // namespace utils
