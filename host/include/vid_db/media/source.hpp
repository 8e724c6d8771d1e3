// Media sources: configured from settings, started with a handler that
// receives their output, stopped by the server.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <boost/shared_ptr.hpp>

#include "vid_db/media/packet.hpp"
#include "vid_db/protocol.hpp"
#include "vs_stream/video_params.hpp"

namespace vid_db {
namespace media {

class SourceSettings : public ServiceSettings {
 public:
  std::string_view GetType() const override { return "media"; }

  std::string url;   // the source address
  std::string name;  // the source's name, as the server shows it
};

// Parameters announced before the packets they describe; a source fills
// only the members that apply to it.
struct StreamParams {
  std::optional<vs_stream::VideoParams> video;
  std::optional<vs_stream::VideoRawParams> rawVideo;
  std::optional<vs_stream::AudioParams> audio;
};

enum class SourceStatus : std::uint32_t { Connecting, Streaming, Lost };

// Receives a source's output. Calls come from the source's own thread, one at a time.
class SourceHandler {
 public:
  virtual ~SourceHandler() = default;
  virtual bool OnStatus(SourceStatus status) = 0;
  virtual bool OnParams(const StreamParams& params) = 0;
  virtual bool OnPacket(const Packet& packet) = 0;
};

struct StartParams {
  boost::shared_ptr<SourceHandler> handler;
  std::string archiveId;       // where the server stores what the source delivers
  std::int64_t startTime = 0;  // ms since the epoch; 0 for live
};

class Source : public Service {
 public:
  virtual void Start(const StartParams& params) = 0;
  virtual void Stop() = 0;
};

struct SourceCaps {
  std::uint32_t flags = 0;
};

class SourceWithCaps {
 public:
  virtual ~SourceWithCaps() = default;
  virtual SourceCaps GetCaps() const = 0;
};

}  // namespace media
}  // namespace vid_db
