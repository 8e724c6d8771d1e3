// The samples of a long run as a picture: resident memory, threads and open
// descriptors over time, one panel each, the warm-up shaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "samples.hpp"

namespace long_run {

// An 8-bit RGB raster, rows packed.
struct Raster {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  std::uint32_t Pixel(int x, int y) const;  // 0xRRGGBB
};

Raster DrawPlot(const std::vector<Sample>& samples, double warmupSeconds, const std::string& title);

// Throws std::runtime_error when the file cannot be written.
void WritePng(const Raster& raster, const std::string& path);

}  // namespace long_run
