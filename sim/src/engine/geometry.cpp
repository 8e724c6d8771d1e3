#include "geometry.hpp"

#include "api/guarded.hpp"
#include "profile.hpp"

using rs2sim::ArgText;
using rs2sim::Fail;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

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

extern "C" {

void rs2_get_video_stream_intrinsics(const rs2_stream_profile* mode, rs2_intrinsics* intrinsics,
                                     rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("mode", mode).Add("intrinsics", intrinsics); },
      [&] {
        const auto& m = rs2sim::VideoModeOf(mode);
        *NotNull(intrinsics, "intrinsics") = rs2sim::IntrinsicsOf(m);
      });
}

void rs2_get_extrinsics(const rs2_stream_profile* from, const rs2_stream_profile* to,
                        rs2_extrinsics* extrin, rs2_error** error) {
  GuardedVoid(
      __func__, error,
      [&] { return ArgText().Add("from", from).Add("to", to).Add("extrin", extrin); },
      [&] {
        const rs2_stream a = NotNull(from, "from")->mode.stream;
        const rs2_stream b = NotNull(to, "to")->mode.stream;
        *NotNull(extrin, "extrin") = rs2sim::ExtrinsicsBetween(a, b);
      });
}

}  // extern "C"
