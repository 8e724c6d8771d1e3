#include "host_handler.hpp"

#include <chrono>

namespace rs_host {

bool HostHandler::OnStatus(vid_db::media::SourceStatus /*status*/) {
  return true;
}

bool HostHandler::OnParams(const vid_db::media::StreamParams& params) {
  if (!params.rawVideo)
    return true;
  format_ =
      VideoFormat{params.rawVideo->width, params.rawVideo->height, params.rawVideo->pixelFormat};
  statistics_.RecordParams(format_);
  return true;
}

bool HostHandler::OnPacket(const vid_db::media::Packet& packet) {
  PacketObservation observation;
  observation.arrival = std::chrono::steady_clock::now();
  observation.arrivalSystemMs =
      std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  observation.packetTimeMs = packet.time;

  boost::shared_ptr<vid_db::media::DepthFrame> depth;
  const auto found = packet.attachments.find("depth");
  if (found != packet.attachments.end()) {
    depth = boost::dynamic_pointer_cast<vid_db::media::DepthFrame>(found->second);
  }
  if (depth) {
    const auto [width, height] = depth->GetResolution();
    observation.depth = DepthInfo{width, height, depth->GetUnits()};
  }
  if (!statistics_.RecordPacket(observation))
    return true;
  frames_.Keep(ColourImage{packet.dataBuf, format_}, std::move(depth));
  return true;
}

}  // namespace rs_host
