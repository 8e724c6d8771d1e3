// The receiver that rs-host hands to each source: counts what arrives and
// keeps the newest frames.
#pragma once

#include <cstdint>

#include "last_frames.hpp"
#include "source_statistics.hpp"
#include "vid_db/media/source.hpp"

namespace rs_host {

class HostHandler : public vid_db::media::SourceHandler {
 public:
  explicit HostHandler(std::uint64_t packetLimit) : statistics_(packetLimit) {}

  bool OnStatus(vid_db::media::SourceStatus status) override;
  bool OnParams(const vid_db::media::StreamParams& params) override;
  bool OnPacket(const vid_db::media::Packet& packet) override;

  SourceStatistics& Statistics() { return statistics_; }
  const SourceStatistics& Statistics() const { return statistics_; }
  LastFrames& Frames() { return frames_; }

 private:
  SourceStatistics statistics_;
  LastFrames frames_;
  // Touched only on the source's thread, which makes every handler call.
  VideoFormat format_;
};

}  // namespace rs_host
