#include "media_frames.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>

#include <boost/make_shared.hpp>
#include <utils/code_placement.hpp>

namespace vs_realsense2 {
namespace {

// The library reports counts as signed ints; a negative one must not turn
// into a huge unsigned size that a host would trust.
std::uint32_t ClampCount(int count) {
  return static_cast<std::uint32_t>(std::max(count, 0));
}

const std::uint8_t* FrameData(const rs2::frame& frame) {
  return static_cast<const std::uint8_t*>(frame.get_data());
}

std::uint64_t FrameSize(const rs2::frame& frame) {
  return ClampCount(frame.get_data_size());
}

// A colour frame as the payload of a packet.
class Frame : public vid_db::media::PackBuf {
 public:
  explicit Frame(rs2::frame&& frame) : frame_(std::move(frame)) { frame_.keep(); }

  const std::uint8_t* GetData() const override { return FrameData(frame_); }
  std::uint64_t GetSize() const override { return FrameSize(frame_); }

 private:
  rs2::frame frame_;
};

// A depth frame as the "depth" attachment of a packet.
class DepthFrame : public vid_db::media::DepthFrame {
 public:
  explicit DepthFrame(rs2::depth_frame&& frame) : frame_(std::move(frame)) { frame_.keep(); }

  const std::uint8_t* GetData() const override { return FrameData(frame_); }
  std::uint64_t GetSize() const override { return FrameSize(frame_); }
  std::uint64_t GetStride() const override { return ClampCount(frame_.get_stride_in_bytes()); }

  // Through the C call: not every supported library version has the wrapper.
  float GetUnits() const override {
    rs2_error* e = nullptr;
    const float units = rs2_depth_frame_get_units(frame_.get(), &e);
    rs2::error::handle(e);
    return units;
  }

  std::pair<std::uint32_t, std::uint32_t> GetResolution() const override {
    const int height = frame_.get_height();
    const int width = frame_.get_width();
    return {ClampCount(width), ClampCount(height)};
  }

 private:
  rs2::depth_frame frame_;
};

}  // namespace

VSRS_HOT boost::shared_ptr<vid_db::media::PackBuf> MakeColorBuffer(rs2::frame&& color) {
  return boost::make_shared<Frame>(std::move(color));
}

VSRS_HOT boost::shared_ptr<vid_db::media::DepthFrame> MakeDepthBuffer(rs2::depth_frame&& depth) {
  return boost::make_shared<DepthFrame>(std::move(depth));
}

}  // namespace vs_realsense2
