// Paths as address values.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace vs_test_support {

// `path` percent-encoded but for letters, digits, "-._~" and "/": a Windows
// path has ':' and '\', which no URI holds raw.
inline std::string PercentEncoded(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 || std::string_view("-._~/").find(c) != std::string_view::npos) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0xF];
    }
  }
  return encoded;
}

}  // namespace vs_test_support
