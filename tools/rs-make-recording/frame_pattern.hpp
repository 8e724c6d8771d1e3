// The pixels of synthetic recordings, a function of the frame number so that
// a test can compute every byte a packet must carry.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rs_make_recording {

// Byte `offset` of colour frame `frameNumber`, whatever its format.
inline std::uint8_t ColorByte(std::uint64_t frameNumber, std::size_t offset) {
  return static_cast<std::uint8_t>((offset + frameNumber * 7) % 251);
}

// Every depth pixel of frame `frameNumber`, in depth units (1 mm): a flat
// wall 1 m away plus the frame number, so that aligning it moves no value.
inline std::uint16_t DepthValue(std::uint64_t frameNumber) {
  return static_cast<std::uint16_t>(1000 + frameNumber % 1000);
}

inline constexpr float kDepthUnits = 0.001f;

}  // namespace rs_make_recording
