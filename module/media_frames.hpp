// Library frames as the host's buffer types, without copying a pixel.
#pragma once

#include <boost/shared_ptr.hpp>
#include <librealsense2/rs.hpp>
#include <vid_db/media/packet.hpp>

namespace vs_realsense2 {

// Both take the reference over and mark the frame kept, so that the host may
// hold the buffer as long as it likes without starving the library's pool.
boost::shared_ptr<vid_db::media::PackBuf> MakeColorBuffer(rs2::frame&& color);
boost::shared_ptr<vid_db::media::DepthFrame> MakeDepthBuffer(rs2::depth_frame&& depth);

}  // namespace vs_realsense2
