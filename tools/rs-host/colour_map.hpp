// Turning a depth image into a picture a person can read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rs_host {

using Rgb = std::array<std::uint8_t, 3>;

// The Turbo colour map (dark blue through green and yellow to dark red): even
// in perceived brightness steps, unlike Jet, and readable by most colour-blind
// viewers. `t` is clamped to 0..1.
Rgb Turbo(double t);

// The colour of a depth at `t` (0 nearest, 1 farthest, clamped): Turbo without
// its first few percent, whose muddy dark grey would pass for the black of
// "no depth".
Rgb DepthColour(double t);

struct DepthView {
  const std::uint8_t* data = nullptr;  // 16-bit little-endian depth units
  std::size_t size = 0;                // bytes available at `data`
  std::size_t stride = 0;              // bytes per row
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

struct ColourisedDepth {
  std::vector<std::uint8_t> rgb;  // width * height * 3, rows packed
  std::uint16_t nearest = 0;      // the values that mapped to the two ends
  std::uint16_t farthest = 0;
};

// Maps the nearest valid depth of the frame to DepthColour(0) and the farthest
// to DepthColour(1); 0 (no depth measured) is black. Throws
// std::invalid_argument when the view does not hold the image it describes.
ColourisedDepth ColouriseDepth(const DepthView& depth);

}  // namespace rs_host
