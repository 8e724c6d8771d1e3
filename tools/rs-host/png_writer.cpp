#include "png_writer.hpp"

#include "output_file.hpp"
#include "png_encoder.hpp"

namespace rs_host {

std::vector<std::uint8_t> EncodePng(const ImageView& image) {
  const std::size_t rowBytes = 3u * static_cast<std::size_t>(image.width);
  const std::size_t stride = image.stride == 0 ? rowBytes : image.stride;
  if (image.width == 0 || image.height == 0)
    throw PngError("image has no pixels");
  if (image.data == nullptr || stride < rowBytes ||
      image.size < stride * (image.height - 1u) + rowBytes) {
    throw PngError("image of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                   " does not fit its " + std::to_string(image.size) + " bytes");
  }

  return EncodeCheckedPng(image, stride);
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  OutputFile file(path);
  file.Write(bytes.data(), bytes.size());
  file.Close();
}

}  // namespace rs_host
