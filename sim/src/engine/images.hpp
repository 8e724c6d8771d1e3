// Synthetic images of the virtual cameras: each mode is rendered once, as a short cycle of
// phases, and frames point into these immutable buffers so that streaming costs no rendering.

#ifndef RS2SIM_SRC_ENGINE_IMAGES_HPP
#define RS2SIM_SRC_ENGINE_IMAGES_HPP

#include <rs2sim/control.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

namespace rs2sim {

using Bytes = std::vector<std::uint8_t>;

int BitsPerPixel(rs2_format format);
int DefaultStride(rs2_format format, int width);

struct RenderedMode {
  int stride = 0;
  std::vector<std::shared_ptr<const Bytes>> phases;
};

std::shared_ptr<const RenderedMode> Render(const StreamMode& mode, float depthUnits);

// Shares renderings between devices and runs; entries live as long as the process.
class ImageCache {
 public:
  std::shared_ptr<const RenderedMode> Get(const StreamMode& mode, float depthUnits);

 private:
  using Key = std::tuple<int, int, int, int, float>;
  std::mutex mutex_;
  std::map<Key, std::shared_ptr<const RenderedMode>> entries_;
};

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_IMAGES_HPP
