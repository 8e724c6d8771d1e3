// The simple optics of the virtual cameras: undistorted pinhole streams whose centres differ
// only by a translation, so that tests can compute where a point lands.

#ifndef RS2SIM_SRC_ENGINE_GEOMETRY_HPP
#define RS2SIM_SRC_ENGINE_GEOMETRY_HPP

#include <librealsense2/rs.h>

#include <rs2sim/control.hpp>

namespace rs2sim {

// Colour: fx = fy = 0.75 * width; every other video stream: fx = fy = 0.5 * width (a 90 degree
// horizontal view). Principal point at (width / 2, height / 2); model RS2_DISTORTION_NONE.
rs2_intrinsics IntrinsicsOf(const StreamMode& mode);

// Identity rotation; a point in colour coordinates is the same point in depth (or infrared)
// coordinates plus (0.015, 0, 0) metres.
rs2_extrinsics ExtrinsicsBetween(rs2_stream from, rs2_stream to);

struct Pixel {
  float x;
  float y;
};
struct Point {
  float x;
  float y;
  float z;
};

Point Deproject(const rs2_intrinsics& intrinsics, Pixel pixel, float depth);
Pixel Project(const rs2_intrinsics& intrinsics, Point point);
Point Transform(const rs2_extrinsics& extrinsics, Point point);

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_GEOMETRY_HPP
