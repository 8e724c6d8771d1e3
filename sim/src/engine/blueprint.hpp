// What a frame is made of before it becomes an rs2_frame: the form shared by the frame
// sources, the recorder and the playback reader.

#ifndef RS2SIM_SRC_ENGINE_BLUEPRINT_HPP
#define RS2SIM_SRC_ENGINE_BLUEPRINT_HPP

#include <rs2sim/control.hpp>

#include <memory>
#include <vector>

#include "images.hpp"

namespace rs2sim {

struct FrameBlueprint {
  rs2_stream stream = RS2_STREAM_COLOR;
  int index = 0;
  rs2_format format = RS2_FORMAT_RGB8;
  int width = 0;
  int height = 0;
  int stride = 0;
  int dataSize = 0;
  bool nullData = false;
  double timestamp = 0.0;
  rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK;
  float depthUnits = 0.001f;
  std::shared_ptr<const Bytes> storage;  // at least one byte, so that data is never null by chance
  unsigned long long number = 0;         // 0: the stream's next
  unsigned long long skip = 0;
  bool repeatLast = false;

  const std::uint8_t* Data() const { return nullData ? nullptr : storage->data(); }
  std::size_t StoredBytes() const;  // bytes of storage that belong to the frame
};

struct SetBlueprint {
  std::vector<FrameBlueprint> frames;
  bool composite = true;
  // The first set of a playback loop: every stream's numbers start again from 1, as a recording's
  // recorded numbers do.
  bool restartsNumbers = false;
};

FrameBlueprint FromSpec(const FrameSpec& spec);
SetBlueprint FromSpec(const FramesetSpec& spec);

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_BLUEPRINT_HPP
