#include <utility>

#include "png_encoder.hpp"

// The writer's implementation lives in this one translation unit; it needs
// no other part of stb.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace rs_host {
namespace {

void Append(void* context, void* data, int size) {
  auto& bytes = *static_cast<std::vector<std::uint8_t>*>(context);
  const auto* const begin = static_cast<const std::uint8_t*>(data);
  bytes.insert(bytes.end(), begin, begin + size);
}

}  // namespace

std::vector<std::uint8_t> EncodeCheckedPng(const ImageView& image, std::size_t stride) {
  const auto width = static_cast<int>(image.width);
  const auto height = static_cast<int>(image.height);
  const std::uint8_t* rows = image.data;
  // stb writes RGB only: a BGR image is turned around row by row first (a
  // snapshot, not the frame path).
  std::vector<std::uint8_t> rgb;
  if (image.order == PixelOrder::Bgr) {
    rgb.resize(3u * image.width * image.height);
    for (std::uint32_t y = 0; y < image.height; ++y) {
      const std::uint8_t* in = image.data + y * stride;
      std::uint8_t* out = rgb.data() + 3u * image.width * y;
      for (std::uint32_t x = 0; x < image.width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    }
    rows = rgb.data();
    stride = 3u * image.width;
  }
  std::vector<std::uint8_t> bytes;
  if (stbi_write_png_to_func(&Append, &bytes, width, height, 3, rows, static_cast<int>(stride)) ==
      0)
    throw PngError("PNG encoding failed");
  return bytes;
}

}  // namespace rs_host
