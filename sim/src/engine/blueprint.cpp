#include "blueprint.hpp"

#include <algorithm>
#include <utility>

namespace rs2sim {

std::size_t FrameBlueprint::StoredBytes() const {
  if (nullData || !storage)
    return 0;
  return std::min(storage->size(), static_cast<std::size_t>(std::max(dataSize, 0)));
}

FrameBlueprint FromSpec(const FrameSpec& spec) {
  FrameBlueprint frame;
  frame.stream = spec.stream;
  frame.index = spec.index;
  frame.format = spec.format;
  frame.width = spec.width;
  frame.height = spec.height;
  frame.stride = spec.stride == -1 ? DefaultStride(spec.format, spec.width) : spec.stride;
  frame.dataSize = spec.dataSize == -1 ? frame.stride * spec.height : spec.dataSize;
  frame.nullData = spec.nullData;
  frame.timestamp = spec.timestamp;
  frame.domain = spec.domain;
  frame.depthUnits = spec.depthUnits;
  frame.number = spec.number;
  frame.skip = spec.skip;
  frame.repeatLast = spec.repeatLast;
  const auto bytes = static_cast<std::size_t>(std::max(frame.dataSize, 1));
  if (spec.bytes.empty()) {
    frame.storage = std::make_shared<const Bytes>(bytes, spec.fill);
  } else {
    Bytes data(spec.bytes);
    data.resize(bytes, spec.fill);
    frame.storage = std::make_shared<const Bytes>(std::move(data));
  }
  return frame;
}

SetBlueprint FromSpec(const FramesetSpec& spec) {
  SetBlueprint set;
  set.composite = spec.composite;
  for (const auto& frame : spec.frames)
    set.frames.push_back(FromSpec(frame));
  if (!set.composite && set.frames.size() > 1)
    set.frames.resize(1);
  return set;
}

}  // namespace rs2sim
