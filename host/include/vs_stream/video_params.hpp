// Stream parameters that a source announces before its packets.
#pragma once

#include <cstdint>

namespace vs_stream {

// Media kinds of the server's stream model.
enum MediaKind : std::uint32_t {
  kMediaKindRawVideo = 32000,
};

// Pixel layouts of raw video packets.
enum PixelFormat : std::uint32_t {
  kPixelFormatNone = 0,
  kPixelFormatBgr24 = 8,   // 3 bytes per pixel: blue, green, red
  kPixelFormatRgb24 = 16,  // 3 bytes per pixel: red, green, blue
};

struct VideoParams {
  virtual ~VideoParams() = default;

  std::uint32_t kind = kMediaKindRawVideo;
  std::uint32_t width = 0;   // pixels
  std::uint32_t height = 0;  // pixels
};

struct VideoRawParams : VideoParams {
  std::uint32_t pixelFormat = kPixelFormatNone;
};

struct AudioParams {
  virtual ~AudioParams() = default;

  std::uint32_t sampleRate = 0;  // Hz
  std::uint32_t channels = 0;
};

}  // namespace vs_stream
