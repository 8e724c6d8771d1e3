#include "frame.hpp"

#include "registry.hpp"

namespace rs2sim {

bool StreamPool::TryTake() {
  std::size_t used = used_.load();
  do {
    if (used >= limit_)
      return false;
  } while (!used_.compare_exchange_weak(used, used + 1));
  return true;
}

PoolSlot& PoolSlot::operator=(PoolSlot&& other) noexcept {
  if (this != &other) {
    Return();
    pool_ = std::move(other.pool_);
  }
  return *this;
}

void PoolSlot::Return() {
  if (pool_) {
    pool_->Give();
    pool_.reset();
  }
}

FrameRef& FrameRef::operator=(FrameRef&& other) noexcept {
  if (this != &other) {
    Reset();
    frame_ = other.Release();
  }
  return *this;
}

void FrameRef::Reset() {
  if (frame_)
    frame_->Release();
  frame_ = nullptr;
}

}  // namespace rs2sim

rs2_frame::rs2_frame(rs2sim::FrameContent content, rs2sim::PoolSlot slot)
    : alive_(rs2sim::TheRegistry().counters.framesAlive),
      composite_(false),
      content_(std::move(content)),
      slot_(std::move(slot)) {}

rs2_frame::rs2_frame(std::vector<rs2_frame*> parts)
    : alive_(rs2sim::TheRegistry().counters.framesAlive),
      composite_(true),
      parts_(std::move(parts)) {}

rs2_frame::~rs2_frame() {
  if (kept_.load())
    --rs2sim::TheRegistry().counters.framesKept;
  for (rs2_frame* part : parts_)
    part->Release();
}

void rs2_frame::Release() {
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
    delete this;
}

void rs2_frame::Keep() {
  if (!kept_.exchange(true)) {
    ++rs2sim::TheRegistry().counters.framesKept;
    slot_.Return();
  }
  for (rs2_frame* part : parts_)
    part->Keep();
}

const rs2sim::FrameContent& rs2_frame::Content() const {
  if (composite_ && !parts_.empty())
    return parts_.front()->Content();
  return content_;
}
