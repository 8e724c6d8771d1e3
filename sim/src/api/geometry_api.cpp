// The C functions of stream geometry: a video stream's intrinsics and the extrinsics between
// two streams.

#include "api/guarded.hpp"
#include "engine/geometry.hpp"
#include "engine/profile.hpp"

using rs2sim::ArgText;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

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
