// The running connection of one started source to a camera or a recording.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <boost/shared_ptr.hpp>
#include <librealsense2/rs.hpp>
#include <utils/noncopyable.hpp>
#include <utils/source_config.hpp>
#include <vid_db/media/source.hpp>
#include <vs_stream/video_params.hpp>

#include "frame_reader.hpp"
#include "source_stats.hpp"

namespace vs_realsense2 {

// Constructing a Session is the whole of starting: when the constructor
// returns, the pipeline streams into the queue and the reader thread
// delivers to the handler. Destroying it stops the pipeline (no callback runs
// after that), then ends the reader thread, and only then lets the handler go,
// so the handler gets no call once the destructor has returned.
//
// Threads: the constructor and destructor run on the host's thread; the
// frame-delivery operations run on the reader thread only. Every field the
// reader uses is set before it starts, and afterwards written only by the
// reader, so they need no lock; the host's thread uses `pipeline` alone.
class Session : private utils::Noncopyable {
 public:
  using HandlerPtr = boost::shared_ptr<vid_db::media::SourceHandler>;

  // Throws what the library, the playback-file probe or thread creation
  // throws, after undoing everything built so far. `stats` (the source's,
  // shared with its other sessions) may be null: nothing is counted then.
  Session(const SourceConfig& config, const HandlerPtr& handler, const std::string& name,
          std::shared_ptr<SourceStats> stats);
  ~Session();

 private:
  // Reader thread.
  void ReadFrames();
  void ProcessVideoFrames(const rs2::frameset& frames);
  bool UpdateVideoParams(const rs2::video_frame& color);
  std::int64_t GetFrameTime(const rs2::frame& frame);
  std::int64_t ConvDevTimeToSys(std::int64_t devTime);
  void MakeSync(std::int64_t devTime);

  // Host thread, destructor only.
  void StopPipeline() noexcept;

  // The order of the fields is the order of construction; member destruction
  // (reverse order) is the second half of the teardown.
  const std::string name;
  vs_stream::VideoRawParams videoParams;  // last announced to the handler
  const HandlerPtr handler;
  const std::shared_ptr<SourceStats> stats;  // counters are atomic; may be null
  const std::shared_ptr<FrameQueue> queue;
  bool domainKnown = false;
  rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_COUNT;  // meaningful only when domainKnown
  std::int64_t syncDevTime = 0;
  std::int64_t lastDevTime = 0;
  std::int64_t syncSysTime = 0;
  const bool playback;
  std::int64_t lastColorTime = 0;
  ReaderThread readerThread;
  rs2::pipeline pipeline;
};

}  // namespace vs_realsense2
