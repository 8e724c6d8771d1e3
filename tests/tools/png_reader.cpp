#include "png_reader.hpp"

#include <png.h>

namespace rs_host_test {

DecodedPng DecodePngFile(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  DecodedPng result;
  if (png_image_begin_read_from_file(&image, path.c_str()) != 0) {
    image.format = PNG_FORMAT_RGB;
    result.width = image.width;
    result.height = image.height;
    result.rgb.resize(PNG_IMAGE_SIZE(image));
    result.ok = png_image_finish_read(&image, nullptr, result.rgb.data(), 0, nullptr) != 0;
  }
  result.message = image.message;
  png_image_free(&image);
  return result;
}

}  // namespace rs_host_test
