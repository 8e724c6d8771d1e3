#include "png_reader.hpp"

#include <cstring>

#include <png.h>

namespace rs_host_test {
namespace {

class Image {
 public:
  Image() {
    std::memset(&image_, 0, sizeof image_);
    image_.version = PNG_IMAGE_VERSION;
  }
  ~Image() { png_image_free(&image_); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  png_image& Get() { return image_; }

 private:
  png_image image_;
};

DecodedPng Finish(Image& image, bool begun) {
  DecodedPng result;
  if (!begun) {
    result.message = image.Get().message;
    return result;
  }
  image.Get().format = PNG_FORMAT_RGB;
  result.width = image.Get().width;
  result.height = image.Get().height;
  result.rgb.resize(PNG_IMAGE_SIZE(image.Get()));
  if (png_image_finish_read(&image.Get(), nullptr, result.rgb.data(), 0, nullptr) == 0) {
    result.message = image.Get().message;
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace

DecodedPng DecodePngFile(const std::string& path) {
  Image image;
  return Finish(image, png_image_begin_read_from_file(&image.Get(), path.c_str()) != 0);
}

DecodedPng DecodePngBytes(const std::vector<std::uint8_t>& bytes) {
  Image image;
  return Finish(image,
                png_image_begin_read_from_memory(&image.Get(), bytes.data(), bytes.size()) != 0);
}

}  // namespace rs_host_test
