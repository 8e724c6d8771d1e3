// The running connection of one started source to a camera or a recording.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <address/source_config.hpp>
#include <boost/shared_ptr.hpp>
#include <librealsense2/rs.hpp>
#include <utils/noncopyable.hpp>
#include <vid_db/media/source.hpp>
#include <vs_stream/video_params.hpp>

#include "frame_reader.hpp"
#include "source_stats.hpp"

namespace vs_realsense2 {

// What ties a session to the source that supervises it across restarts.
// A default-constructed value ties it to nothing.
struct SessionLinks {
  // Raised by the library's thread for every frameset; the supervisor lowers
  // it when it looks.
  std::shared_ptr<std::atomic<bool>> frameArrived = std::make_shared<std::atomic<bool>>(false);
  // Raised when the host stops the source from inside its handler: the
  // reader then makes no further handler call, not even the OnPacket that
  // follows an OnParams in the same frameset.
  std::shared_ptr<std::atomic<bool>> deliveryStopped = std::make_shared<std::atomic<bool>>(false);
  // Reader thread, once, as it ends: whether an exception ended it, and the
  // time of the last packet it delivered (0 for none).
  std::function<void(bool failed, std::int64_t lastColorTime)> readerEnded;
  // Packets at or before this time are dropped, so that the times of one
  // source never go backwards across a restart.
  std::optional<std::int64_t> floorColorTime;
  // Marks the reader threads of the source's sessions (OnReaderThreadOf).
  const void* owner = nullptr;
  // The source's counters for its health line, shared by its sessions so
  // that counts survive restarts; null when the health line is off.
  std::shared_ptr<SourceStats> stats;
};

// True on the reader thread of a session whose links named `owner`: the
// thread on which the host's handler runs.
bool OnReaderThreadOf(const void* owner);

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
  // throws, after undoing everything built so far.
  Session(const SourceConfig& config, const HandlerPtr& handler, const std::string& name,
          SessionLinks links = {});
  ~Session();

  // Any thread: the reader ends after the frameset it is handling, if any.
  // For a stop from inside the handler, where the reader cannot be joined.
  void EndDelivery();

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
  const SessionLinks links;
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
  std::optional<rs2::align> align;  // depth to colour, run by the reader; empty when not asked
  ReaderThread readerThread;
  rs2::pipeline pipeline;
};

}  // namespace vs_realsense2
