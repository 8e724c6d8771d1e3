#include "images.hpp"

#include <algorithm>
#include <cmath>

namespace rs2sim {
namespace {

constexpr int kPhases = 12;

void PutPixel(Bytes& image, std::size_t offset, std::uint8_t r, std::uint8_t g, std::uint8_t b,
              bool bgr) {
  image[offset] = bgr ? b : r;
  image[offset + 1] = g;
  image[offset + 2] = bgr ? r : b;
}

// Colour bars over a grey ramp, with a white bar sweeping across the picture.
Bytes RenderColor(const StreamMode& mode, int stride, int phase) {
  static const std::uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255},
                                          {0, 255, 0},     {255, 0, 255}, {255, 0, 0},
                                          {0, 0, 255},     {0, 0, 0}};
  const bool bgr = mode.format == RS2_FORMAT_BGR8;
  Bytes image(static_cast<std::size_t>(stride) * mode.height, 0);
  const int barsBottom = mode.height * 2 / 3;
  const int sweepWidth = std::max(1, mode.width / 16);
  const int sweepLeft = phase * (mode.width - sweepWidth) / (kPhases - 1);
  for (int y = 0; y < mode.height; ++y) {
    for (int x = 0; x < mode.width; ++x) {
      const std::size_t offset = static_cast<std::size_t>(y) * stride + x * 3;
      if (x >= sweepLeft && x < sweepLeft + sweepWidth && y >= barsBottom) {
        PutPixel(image, offset, 255, 255, 255, bgr);
      } else if (y < barsBottom) {
        const auto* c = bars[x * 8 / mode.width];
        PutPixel(image, offset, c[0], c[1], c[2], bgr);
      } else {
        const auto grey = static_cast<std::uint8_t>(x * 255 / std::max(1, mode.width - 1));
        PutPixel(image, offset, grey, grey, grey, bgr);
      }
    }
  }
  return image;
}

// A ramp from 0.5 m on the left to 4 m on the right, and a square at 0.8 m moving across.
Bytes RenderDepth(const StreamMode& mode, int stride, int phase, float depthUnits) {
  Bytes image(static_cast<std::size_t>(stride) * mode.height, 0);
  const float units = depthUnits > 0 ? depthUnits : 0.001f;
  const int side = std::max(1, mode.height / 4);
  const int left = phase * std::max(0, mode.width - side) / (kPhases - 1);
  const int top = (mode.height - side) / 2;
  const auto object = static_cast<std::uint16_t>(std::lround(0.8f / units));
  for (int y = 0; y < mode.height; ++y) {
    for (int x = 0; x < mode.width; ++x) {
      const float metres = 0.5f + 3.5f * x / std::max(1, mode.width - 1);
      std::uint16_t value = static_cast<std::uint16_t>(std::min(65535.0f, metres / units));
      if (x >= left && x < left + side && y >= top && y < top + side)
        value = object;
      const std::size_t offset = static_cast<std::size_t>(y) * stride + x * 2;
      image[offset] = static_cast<std::uint8_t>(value & 0xFF);
      image[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
  }
  return image;
}

Bytes RenderGeneric(const StreamMode& mode, int stride, int phase) {
  Bytes image(static_cast<std::size_t>(stride) * std::max(mode.height, 1), 0);
  for (std::size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<std::uint8_t>(i / 7 + phase * 16);
  }
  return image;
}

}  // namespace

int BitsPerPixel(rs2_format format) {
  switch (format) {
    case RS2_FORMAT_Y8:
    case RS2_FORMAT_RAW8:
    case RS2_FORMAT_INVI:
    case RS2_FORMAT_MJPEG:
    case RS2_FORMAT_MOTION_RAW:
    case RS2_FORMAT_GPIO_RAW:
      return 8;
    case RS2_FORMAT_RAW10:
    case RS2_FORMAT_W10:
      return 10;
    case RS2_FORMAT_Z16:
    case RS2_FORMAT_DISPARITY16:
    case RS2_FORMAT_YUYV:
    case RS2_FORMAT_UYVY:
    case RS2_FORMAT_Y16:
    case RS2_FORMAT_RAW16:
    case RS2_FORMAT_Y10BPACK:
    case RS2_FORMAT_Y8I:
    case RS2_FORMAT_INZI:
    case RS2_FORMAT_Z16H:
    case RS2_FORMAT_FG:
      return 16;
    case RS2_FORMAT_RGB8:
    case RS2_FORMAT_BGR8:
    case RS2_FORMAT_Y12I:
      return 24;
    case RS2_FORMAT_RGBA8:
    case RS2_FORMAT_BGRA8:
    case RS2_FORMAT_DISPARITY32:
    case RS2_FORMAT_DISTANCE:
      return 32;
    case RS2_FORMAT_XYZ32F:
    case RS2_FORMAT_MOTION_XYZ32F:
      return 96;
    case RS2_FORMAT_6DOF:
      return 8;
    default:
      return 0;
  }
}

int DefaultStride(rs2_format format, int width) {
  return width * BitsPerPixel(format) / 8;
}

std::shared_ptr<const RenderedMode> Render(const StreamMode& mode, float depthUnits) {
  auto rendered = std::make_shared<RenderedMode>();
  rendered->stride = DefaultStride(mode.format, mode.width);
  for (int phase = 0; phase < kPhases; ++phase) {
    Bytes image;
    if (mode.format == RS2_FORMAT_RGB8 || mode.format == RS2_FORMAT_BGR8) {
      image = RenderColor(mode, rendered->stride, phase);
    } else if (mode.format == RS2_FORMAT_Z16) {
      image = RenderDepth(mode, rendered->stride, phase, depthUnits);
    } else {
      image = RenderGeneric(mode, rendered->stride, phase);
    }
    rendered->phases.push_back(std::make_shared<const Bytes>(std::move(image)));
  }
  return rendered;
}

std::shared_ptr<const RenderedMode> ImageCache::Get(const StreamMode& mode, float depthUnits) {
  const Key key{mode.format, mode.width, mode.height, mode.stream, depthUnits};
  std::lock_guard<std::mutex> lock(mutex_);
  auto& entry = entries_[key];
  if (!entry)
    entry = Render(mode, depthUnits);
  return entry;
}

}  // namespace rs2sim
