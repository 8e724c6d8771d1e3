// Decodes PNG files in the tests, through libpng, independently of the
// program's own writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rs_host_test {

struct DecodedPng {
  bool ok = false;
  std::string message;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;  // packed rows

  const std::uint8_t* Pixel(std::uint32_t x, std::uint32_t y) const {
    return rgb.data() + 3u * (static_cast<std::size_t>(y) * width + x);
  }
};

DecodedPng DecodePngFile(const std::string& path);
DecodedPng DecodePngBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace rs_host_test
