// Frames: reference counted, each single frame holding a slot of its stream's pool until it is
// kept or released, each composite frame holding one reference of each of its parts.

#ifndef RS2SIM_SRC_ENGINE_FRAME_HPP
#define RS2SIM_SRC_ENGINE_FRAME_HPP

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "counters.hpp"
#include "images.hpp"
#include "profile.hpp"

namespace rs2sim {

// Bounds the frames of one stream that consumers hold without having kept them.
class StreamPool {
 public:
  explicit StreamPool(std::size_t limit) : limit_(limit) {}
  bool TryTake();
  void Give() { --used_; }

 private:
  std::atomic<std::size_t> used_{0};
  const std::size_t limit_;
};

class PoolSlot {
 public:
  PoolSlot() = default;
  explicit PoolSlot(std::shared_ptr<StreamPool> pool) : pool_(std::move(pool)) {}
  PoolSlot(PoolSlot&& other) noexcept = default;
  PoolSlot& operator=(PoolSlot&& other) noexcept;
  PoolSlot(const PoolSlot&) = delete;
  PoolSlot& operator=(const PoolSlot&) = delete;
  ~PoolSlot() { Return(); }

  void Return();

 private:
  std::shared_ptr<StreamPool> pool_;
};

struct FrameContent {
  ProfilePtr profile;
  std::shared_ptr<const Bytes> storage;  // owns what `data` points into
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  int dataSize = 0;
  double timestamp = 0.0;
  rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK;
  float depthUnits = 0.001f;
  unsigned long long number = 0;
  bool frameCounterMetadata = true;  // RS2_FRAME_METADATA_FRAME_COUNTER supported (the number)
};

}  // namespace rs2sim

struct rs2_frame {
 public:
  rs2_frame(rs2sim::FrameContent content, rs2sim::PoolSlot slot);
  // Takes over one reference of each part.
  explicit rs2_frame(std::vector<rs2_frame*> parts);
  ~rs2_frame();
  rs2_frame(const rs2_frame&) = delete;
  rs2_frame& operator=(const rs2_frame&) = delete;

  void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release();
  void Keep();

  bool IsComposite() const { return composite_; }
  // For a composite frame, the content of its first part (timestamps and domain).
  const rs2sim::FrameContent& Content() const;
  const std::vector<rs2_frame*>& Parts() const { return parts_; }

 private:
  rs2sim::CountedScope alive_;
  std::atomic<int> refs_{1};
  std::atomic<bool> kept_{false};
  bool composite_;
  rs2sim::FrameContent content_;
  rs2sim::PoolSlot slot_;
  std::vector<rs2_frame*> parts_;
};

namespace rs2sim {

// Owns one reference of a frame.
class FrameRef {
 public:
  FrameRef() = default;
  explicit FrameRef(rs2_frame* frame) : frame_(frame) {}
  FrameRef(FrameRef&& other) noexcept : frame_(other.frame_) { other.frame_ = nullptr; }
  FrameRef& operator=(FrameRef&& other) noexcept;
  FrameRef(const FrameRef&) = delete;
  FrameRef& operator=(const FrameRef&) = delete;
  ~FrameRef() { Reset(); }

  rs2_frame* Get() const { return frame_; }
  rs2_frame* Release() {
    rs2_frame* frame = frame_;
    frame_ = nullptr;
    return frame;
  }
  void Reset();

 private:
  rs2_frame* frame_ = nullptr;
};

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_FRAME_HPP
