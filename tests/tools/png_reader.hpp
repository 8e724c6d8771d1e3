// Decodes PNG files in the tests, through libpng, independently of the
// program's own writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rs_host_test {

struct DecodedPng {
  bool ok = false;
  std::string message;  // why not, when not ok
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;  // packed rows

  std::vector<std::uint8_t> Pixel(std::uint32_t x, std::uint32_t y) const {
    const auto at = rgb.begin() + 3 * (static_cast<std::ptrdiff_t>(y) * width + x);
    return {at, at + 3};
  }
};

DecodedPng DecodePngFile(const std::string& path);

}  // namespace rs_host_test
