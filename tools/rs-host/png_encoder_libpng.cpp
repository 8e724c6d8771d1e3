#include <cstring>
#include <string>

#include <png.h>

#include "png_encoder.hpp"

namespace rs_host {
namespace {

// libpng's simplified interface keeps its state behind `image.opaque`; this
// owner frees it on every way out.
class PngImage {
 public:
  PngImage() {
    std::memset(&image_, 0, sizeof image_);
    image_.version = PNG_IMAGE_VERSION;
  }
  ~PngImage() { png_image_free(&image_); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;

  png_image& Get() { return image_; }

 private:
  png_image image_;
};

}  // namespace

std::vector<std::uint8_t> EncodeCheckedPng(const ImageView& image, std::size_t stride) {
  PngImage png;
  png.Get().width = image.width;
  png.Get().height = image.height;
  png.Get().format = image.order == PixelOrder::Bgr ? PNG_FORMAT_BGR : PNG_FORMAT_RGB;
  const auto rowStride = static_cast<png_int_32>(stride);

  // The first call only measures, the second writes.
  png_alloc_size_t size = 0;
  if (png_image_write_to_memory(&png.Get(), nullptr, &size, 0, image.data, rowStride, nullptr) ==
      0) {
    throw PngError(std::string("PNG encoding failed: ") + png.Get().message);
  }
  std::vector<std::uint8_t> bytes(size);
  if (png_image_write_to_memory(&png.Get(), bytes.data(), &size, 0, image.data, rowStride,
                                nullptr) == 0) {
    throw PngError(std::string("PNG encoding failed: ") + png.Get().message);
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace rs_host
