// The frame queue and the base of the processing blocks.

#include "processing.hpp"

#include <librealsense2/hpp/rs_types.hpp>

#include <cstring>
#include <stdexcept>
#include <string>

#include "errors.hpp"

using rs2sim::Fail;

void rs2_frame_queue::Enqueue(rs2_frame* frame) {
  rs2_frame* dropped = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (frames.size() >= capacity) {
      dropped = frames.front();
      frames.pop_front();
    }
    frames.push_back(frame);
  }
  arrived.notify_all();
  if (dropped)
    dropped->Release();
}

rs2_frame* rs2_frame_queue::Take(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex);
  if (!arrived.wait_for(lock, timeout, [&] { return !frames.empty(); }))
    return nullptr;
  rs2_frame* frame = frames.front();
  frames.pop_front();
  return frame;
}

rs2_processing_block::rs2_processing_block(std::vector<rs2sim::OptionSpec> options,
                                           std::map<rs2_option, float> initial)
    : options_(std::move(options)) {
  for (const rs2sim::OptionSpec& spec : options_) {
    const auto given = initial.find(spec.option);
    values_[spec.option] = given == initial.end() ? spec.def : given->second;
  }
}

rs2_processing_block::~rs2_processing_block() {
  if (callback_)
    callback_->release();
}

bool rs2_processing_block::Supports(rs2_option option) const {
  return std::any_of(options_.begin(), options_.end(),
                     [&](const rs2sim::OptionSpec& spec) { return spec.option == option; });
}

// The library's blocks answer an option they lack with its number.
const rs2sim::OptionSpec& rs2_processing_block::Find(rs2_option option) const {
  const auto found =
      std::find_if(options_.begin(), options_.end(),
                   [&](const rs2sim::OptionSpec& spec) { return spec.option == option; });
  if (found == options_.end()) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         "object doesn't support option #" + std::to_string(static_cast<int>(option)));
  }
  return *found;
}

float rs2_processing_block::Get(rs2_option option) const {
  Find(option);
  std::lock_guard<std::mutex> lock(optionsMutex_);
  return values_.at(option);
}

void rs2_processing_block::Set(rs2_option option, float value) const {
  const rs2sim::OptionSpec& spec = Find(option);
  if (!(value >= spec.min && value <= spec.max))
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "out of range value for argument \"value\"");
  std::lock_guard<std::mutex> lock(optionsMutex_);
  values_[option] = value;
}

rs2sim::OptionSpec rs2_processing_block::Range(rs2_option option) const {
  return Find(option);
}

void rs2_processing_block::Start(rs2_frame_callback* onFrame, rs2_frame_queue* toQueue) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (callback_)
    callback_->release();
  callback_ = onFrame;
  queue_ = toQueue;
}

void rs2_processing_block::Process(rs2sim::FrameRef input) {
  std::lock_guard<std::mutex> lock(mutex_);
  rs2sim::FrameRef output = Transform(input);
  if (!output.Get())
    output = std::move(input);
  if (callback_) {
    callback_->on_frame(output.Release());
  } else if (queue_) {
    queue_->Enqueue(output.Release());
  }
}

ProfilePtr rs2_processing_block::ProfileFor(const rs2sim::StreamMode& mode) {
  auto& profile = profiles_[std::make_tuple(mode.index, static_cast<int>(mode.format), mode.width,
                                            mode.height, mode.fps)];
  if (!profile)
    profile = rs2sim::MakeProfile(mode, false);
  return profile;
}

namespace rs2sim {

rs2_frame* NewVideoFrame(const FrameContent& like, ProfilePtr profile, Bytes bytes, int stride) {
  auto storage = std::make_shared<const Bytes>(std::move(bytes));
  FrameContent content;
  content.width = profile->mode.width;
  content.height = profile->mode.height;
  content.profile = std::move(profile);
  content.data = storage->data();
  content.dataSize = static_cast<int>(storage->size());
  content.storage = std::move(storage);
  content.stride = stride;
  content.timestamp = like.timestamp;
  content.domain = like.domain;
  content.depthUnits = like.depthUnits;
  content.number = like.number;
  content.frameCounterMetadata = like.frameCounterMetadata;
  return new rs2_frame(std::move(content), PoolSlot());
}

}  // namespace rs2sim
