// The one seam between rs-host's PNG files and the library that encodes
// them: libpng where Debian has it (Linux), stb's header-only writer in the
// Windows build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "png_writer.hpp"

namespace rs_host {

// `image` has been checked: pixels, and `stride` bytes a row that fit its
// data. Returns the file's bytes, stored as RGB. Throws PngError.
std::vector<std::uint8_t> EncodeCheckedPng(const ImageView& image, std::size_t stride);

}  // namespace rs_host
