#include "colour_map.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

namespace rs_host {
namespace {

std::uint8_t ToByte(double channel) {
  return static_cast<std::uint8_t>(std::clamp(channel, 0.0, 1.0) * 255.0 + 0.5);
}

std::uint16_t DepthAt(const DepthView& depth, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = depth.data + static_cast<std::size_t>(y) * depth.stride + 2u * x;
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

Rgb Turbo(double t) {
  // Polynomial fit of Turbo (Anton Mikhailov, Google, 2019) by Ruofei Du: within
  // a few levels of 255 of the published table, without carrying the table.
  const double x = std::clamp(t, 0.0, 1.0);
  const double x2 = x * x;
  const double x3 = x2 * x;
  const double x4 = x2 * x2;
  const double x5 = x4 * x;
  const double r = 0.13572138 + 4.61539260 * x - 42.66032258 * x2 + 132.13108234 * x3 -
                   152.94239396 * x4 + 59.28637943 * x5;
  const double g = 0.09140261 + 2.19418839 * x + 4.84296658 * x2 - 14.18503333 * x3 +
                   4.27729857 * x4 + 2.82956604 * x5;
  const double b = 0.10667330 + 12.64194608 * x - 60.58204836 * x2 + 110.36276771 * x3 -
                   89.90310912 * x4 + 27.34824973 * x5;
  return {ToByte(r), ToByte(g), ToByte(b)};
}

Rgb DepthColour(double t) {
  constexpr double kStart = 0.04;
  return Turbo(kStart + (1.0 - kStart) * std::clamp(t, 0.0, 1.0));
}

ColourisedDepth ColouriseDepth(const DepthView& depth) {
  const std::size_t rowBytes = 2u * static_cast<std::size_t>(depth.width);
  if (depth.width == 0 || depth.height == 0) {
    throw std::invalid_argument("depth frame has no pixels");
  }
  if (depth.data == nullptr || depth.stride < rowBytes ||
      depth.size < depth.stride * (depth.height - 1u) + rowBytes) {
    throw std::invalid_argument("depth frame of " + std::to_string(depth.width) + "x" +
                                std::to_string(depth.height) + " with stride " +
                                std::to_string(depth.stride) + " does not fit its " +
                                std::to_string(depth.size) + " bytes");
  }

  ColourisedDepth result;
  std::uint16_t nearest = std::numeric_limits<std::uint16_t>::max();
  std::uint16_t farthest = 0;
  for (std::uint32_t y = 0; y < depth.height; ++y) {
    for (std::uint32_t x = 0; x < depth.width; ++x) {
      const auto d = DepthAt(depth, x, y);
      if (d == 0)
        continue;
      nearest = std::min(nearest, d);
      farthest = std::max(farthest, d);
    }
  }
  if (farthest == 0)
    nearest = 0;  // no valid pixel at all
  result.nearest = nearest;
  result.farthest = farthest;

  // One colour per depth value in range, computed once.
  const double span = farthest > nearest ? static_cast<double>(farthest - nearest) : 1.0;
  std::vector<Rgb> lut(static_cast<std::size_t>(farthest - nearest) + 1u);
  for (std::size_t i = 0; i < lut.size(); ++i)
    lut[i] = DepthColour(static_cast<double>(i) / span);

  result.rgb.resize(static_cast<std::size_t>(depth.width) * depth.height * 3u);
  auto out = result.rgb.begin();
  for (std::uint32_t y = 0; y < depth.height; ++y) {
    for (std::uint32_t x = 0; x < depth.width; ++x) {
      const auto d = DepthAt(depth, x, y);
      const Rgb colour = d == 0 ? Rgb{0, 0, 0} : lut[d - nearest];
      out = std::copy(colour.begin(), colour.end(), out);
    }
  }
  return result;
}

}  // namespace rs_host
