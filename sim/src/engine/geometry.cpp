#include "geometry.hpp"

namespace rs2sim {
namespace {

constexpr float kColorOffsetX = 0.015f;  // metres

float OffsetX(rs2_stream stream) {
  return stream == RS2_STREAM_COLOR ? kColorOffsetX : 0.0f;
}

}  // namespace

rs2_intrinsics IntrinsicsOf(const StreamMode& mode) {
  const float focal = (mode.stream == RS2_STREAM_COLOR ? 0.75f : 0.5f) * mode.width;
  rs2_intrinsics intrinsics{};
  intrinsics.width = mode.width;
  intrinsics.height = mode.height;
  intrinsics.ppx = mode.width / 2.0f;
  intrinsics.ppy = mode.height / 2.0f;
  intrinsics.fx = focal;
  intrinsics.fy = focal;
  intrinsics.model = RS2_DISTORTION_NONE;
  return intrinsics;
}

rs2_extrinsics ExtrinsicsBetween(rs2_stream from, rs2_stream to) {
  rs2_extrinsics extrinsics{{1, 0, 0, 0, 1, 0, 0, 0, 1}, {OffsetX(to) - OffsetX(from), 0, 0}};
  return extrinsics;
}

Point Deproject(const rs2_intrinsics& intrinsics, Pixel pixel, float depth) {
  return {(pixel.x - intrinsics.ppx) / intrinsics.fx * depth,
          (pixel.y - intrinsics.ppy) / intrinsics.fy * depth, depth};
}

Pixel Project(const rs2_intrinsics& intrinsics, Point point) {
  return {point.x / point.z * intrinsics.fx + intrinsics.ppx,
          point.y / point.z * intrinsics.fy + intrinsics.ppy};
}

// The rotation is column-major, as in the library.
Point Transform(const rs2_extrinsics& e, Point p) {
  const float* r = e.rotation;
  return {r[0] * p.x + r[3] * p.y + r[6] * p.z + e.translation[0],
          r[1] * p.x + r[4] * p.y + r[7] * p.z + e.translation[1],
          r[2] * p.x + r[5] * p.y + r[8] * p.z + e.translation[2]};
}

}  // namespace rs2sim
