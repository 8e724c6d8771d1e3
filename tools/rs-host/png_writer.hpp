// PNG encoding of 8-bit RGB and BGR images (libpng on Linux, stb's writer
// on Windows: png_encoder.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rs_host {

class PngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class PixelOrder { Rgb, Bgr };

struct ImageView {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;    // bytes available at `data`
  std::size_t stride = 0;  // bytes per row; 0: rows packed
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  PixelOrder order = PixelOrder::Rgb;
};

// The PNG file's bytes (always stored as RGB). Throws PngError.
std::vector<std::uint8_t> EncodePng(const ImageView& image);

// Writes the bytes to `path`, replacing the file. Throws FileError.
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace rs_host
