// The align processing block: depth aligned to the geometry of another stream.

#include <librealsense2/hpp/rs_types.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks.hpp"
#include "frame.hpp"
#include "geometry.hpp"
#include "processing.hpp"

namespace rs2sim {
namespace {

bool IsZ16Depth(const FrameContent& content) {
  return content.profile && content.profile->mode.stream == RS2_STREAM_DEPTH &&
         content.profile->mode.format == RS2_FORMAT_Z16;
}

unsigned DepthAt(const FrameContent& depth, int x, int y) {
  const long offset = static_cast<long>(y) * depth.stride + x * 2L;
  if (!depth.data || offset < 0 || offset + 2 > depth.dataSize)
    return 0;
  return depth.data[offset] | (depth.data[offset + 1] << 8);
}

// Each depth pixel is spread over the target pixels its footprint covers at its depth (the
// projections of its top-left and bottom-right corners, rounded); where footprints overlap
// the nearer depth wins, and target pixels no footprint reaches stay 0.
Bytes AlignDepth(const FrameContent& depth, const rs2_intrinsics& from, const rs2_intrinsics& to,
                 const rs2_extrinsics& extrinsics) {
  std::vector<std::uint16_t> target(static_cast<std::size_t>(to.width) * to.height, 0);
  for (int y = 0; y < depth.height; ++y) {
    for (int x = 0; x < depth.width; ++x) {
      const unsigned raw = DepthAt(depth, x, y);
      if (raw == 0)
        continue;
      const float z = raw * depth.depthUnits;
      const Pixel a = Project(to, Transform(extrinsics, Deproject(from, {x - 0.5f, y - 0.5f}, z)));
      const Pixel b = Project(to, Transform(extrinsics, Deproject(from, {x + 0.5f, y + 0.5f}, z)));
      const int x0 = std::max(static_cast<int>(std::floor(a.x + 0.5f)), 0);
      const int y0 = std::max(static_cast<int>(std::floor(a.y + 0.5f)), 0);
      const int x1 = std::min(static_cast<int>(std::floor(b.x + 0.5f)), to.width - 1);
      const int y1 = std::min(static_cast<int>(std::floor(b.y + 0.5f)), to.height - 1);
      for (int ty = y0; ty <= y1; ++ty) {
        for (int tx = x0; tx <= x1; ++tx) {
          std::uint16_t& pixel = target[static_cast<std::size_t>(ty) * to.width + tx];
          if (pixel == 0 || raw < pixel)
            pixel = static_cast<std::uint16_t>(raw);
        }
      }
    }
  }
  // Z16 is little-endian, as the machines rs2sim runs on.
  Bytes out(target.size() * 2);
  std::memcpy(out.data(), target.data(), out.size());
  return out;
}

}  // namespace
}  // namespace rs2sim

namespace rs2sim {
namespace {

// Depth aligned to the first frame of `alignTo` in each frameset. Framesets without both pass
// through unchanged, and so does everything when aligning to depth.
class AlignBlock : public rs2_processing_block {
 public:
  explicit AlignBlock(rs2_stream to) : alignTo_(to) {}

 protected:
  FrameRef Transform(const FrameRef& input) override {
    if (alignTo_ == RS2_STREAM_DEPTH || !input.Get()->IsComposite())
      return {};
    const auto& parts = input.Get()->Parts();
    auto depth = std::find_if(parts.begin(), parts.end(),
                              [](rs2_frame* part) { return IsZ16Depth(part->Content()); });
    auto other = std::find_if(parts.begin(), parts.end(), [&](rs2_frame* part) {
      const auto& profile = part->Content().profile;
      return profile && profile->mode.stream == alignTo_;
    });
    if (depth == parts.end() || other == parts.end())
      return {};
    std::vector<rs2_frame*> result;
    for (rs2_frame* part : parts) {
      if (part == *depth) {
        result.push_back(Aligned((*depth)->Content(), (*other)->Content()));
      } else {
        part->AddRef();
        result.push_back(part);
      }
    }
    return FrameRef(new rs2_frame(std::move(result)));
  }

 private:
  rs2_frame* Aligned(const FrameContent& depth, const FrameContent& other) {
    const StreamMode& from = depth.profile->mode;
    const StreamMode& to = other.profile->mode;
    const rs2_intrinsics toIntrinsics = IntrinsicsOf(to);
    return NewVideoFrame(depth,
                         ProfileFor(StreamMode{from.stream, from.index, from.format,
                                               toIntrinsics.width, toIntrinsics.height, from.fps}),
                         AlignDepth(depth, IntrinsicsOf(from), toIntrinsics,
                                    ExtrinsicsBetween(from.stream, to.stream)),
                         toIntrinsics.width * 2);
  }

  const rs2_stream alignTo_;
};

}  // namespace

std::unique_ptr<rs2_processing_block> MakeAlign(rs2_stream alignTo) {
  return std::make_unique<AlignBlock>(alignTo);
}

}  // namespace rs2sim
