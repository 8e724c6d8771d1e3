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
#include <utils/clock.hpp>
#include <utils/noncopyable.hpp>
#include <vid_db/media/source.hpp>
#include <vs_stream/video_params.hpp>

#include "depth_chain.hpp"
#include "frame_numbers.hpp"
#include "frame_reader.hpp"
#include "kept_recorders.hpp"
#include "notification_log.hpp"
#include "source_stats.hpp"

namespace vs_realsense2 {

// What ties a session to the source that supervises it across restarts.
// A default-constructed value ties it to nothing.
struct SessionLinks {
  // Raised by the library's thread for every frameset; the supervisor lowers
  // it when it looks.
  std::shared_ptr<std::atomic<bool>> frameArrived = std::make_shared<std::atomic<bool>>(false);
  // Raised once the source is stopped or released, from any thread: the
  // reader starts no handler call after it sees it.
  std::shared_ptr<const std::atomic<bool>> stopRequested =
      std::make_shared<const std::atomic<bool>>(false);
  // Reader thread, as it begins (before any handler call): the supervisor
  // learns which thread the handler runs on.
  std::function<void()> readerBegan;
  // Reader thread, once, as it ends: whether an exception ended it, and the
  // time of the last packet it delivered (0 for none).
  std::function<void(bool failed, std::int64_t lastColorTime)> readerEnded;
  // The last packet time of the source's previous session: packets at or
  // before it are dropped, so that times never go backwards across a
  // restart, unless they lie more than a second below it (a clock stepped
  // back), which is warned about once and delivered.
  std::optional<std::int64_t> floorColorTime;
  // Holds the session's record device from its start on, so that a write
  // failure reported while it streams can keep it; null: not recording.
  std::shared_ptr<RecorderHold> recorder;
  // The source's counters for its health line and watchdog, shared by its
  // sessions so that counts survive restarts; never null.
  std::shared_ptr<SourceStats> stats = std::make_shared<SourceStats>();
  // Where a live camera's sensors send their notifications; null: nowhere.
  std::shared_ptr<NotificationLog> notifications;
  // Monotonic ms that the "lost frames" lines go by.
  std::function<std::int64_t()> nowMs = utils::NowMs;
};

// Counts one handler call in SourceStats::handlerCalls: once as it begins
// and once as it ends, thrown out of or not.
class HandlerCall : private utils::Noncopyable {
 public:
  explicit HandlerCall(SourceStats& stats) noexcept : calls_(stats.handlerCalls) { Add(calls_, 1); }
  ~HandlerCall() { Add(calls_, 1); }

 private:
  std::atomic<std::uint64_t>& calls_;
};

// Constructing a Session is the whole of starting: when the constructor
// returns, the pipeline streams into the queue and the reader thread
// delivers to the handler. Destroying it stops the pipeline (no callback runs
// after that), then ends the reader thread, and only then lets the handler go,
// so the handler gets no call once the destructor has returned.
//
// Threads: the constructor and destructor run on the host's thread; the
// frame-delivery operations run on the reader thread only. Every field the
// reader uses is set before it starts, and afterwards written only by the
// reader, so they need no lock; the host's thread uses `pipeline_` alone.
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

  // The frame rate the camera or recording was started with: the colour
  // stream's, else the slowest stream's; 0 when unknown.
  [[nodiscard]] int NegotiatedFps() const { return negotiatedFps_; }
  // A live camera's depth sensor; empty for a playback or a camera without
  // one. For reading options from the supervisor's thread.
  [[nodiscard]] const std::optional<rs2::sensor>& DepthSensor() const { return depthSensor_; }
  // The depth stream's rate; 0 when there is none or it is unknown.
  [[nodiscard]] int NegotiatedDepthFps() const { return negotiatedDepthFps_; }

  // Supervisor thread, while recording: the recorder writes nothing until
  // resumed; packets keep flowing. Throw what the library throws.
  void PauseRecording();
  void ResumeRecording();

 private:
  // Constructor.
  void ListenToNotifications(const rs2::device& device);
  // Reader thread.
  void ReadFrames();
  // `arrivalMs`: the system time at which the frameset reached the module.
  // `lostBefore`: the numbers of framesets the queue dropped before this one.
  void ProcessVideoFrames(const rs2::frameset& frames, std::int64_t arrivalMs,
                          const LostNumbers* lostBefore);
  // The frameset after the depth chain; its time goes to the health line.
  rs2::frameset RunDepthChain(const rs2::frameset& received);
  // The numbers of the frameset's colour and depth frames, followed when the
  // health line or the watchdog wants them; empty otherwise.
  FramesetNumbers FollowNumbers(const rs2::frameset& received, const rs2::frame& color,
                                const rs2::frame& depth, const LostNumbers* lostBefore);
  // Once, at the session's first frameset with colour: the colour frame's
  // time domain and frame counter.
  void DescribeFrames(const rs2::frameset& frames);
  // A delivered packet's depth frame: a new one, or the last packet's again.
  void NoteDepth(unsigned long long number);
  [[nodiscard]] bool UpdateVideoParams(const rs2::video_frame& color, rs2_format format);
  [[nodiscard]] std::int64_t GetFrameTime(const rs2::frame& frame, std::int64_t arrivalMs);
  [[nodiscard]] std::int64_t ConvDevTimeToSys(std::int64_t devTime, std::int64_t arrivalMs);
  void MakeSync(std::int64_t devTime, std::int64_t sysTime);

  // Reader thread: whether no further handler call may start.
  [[nodiscard]] bool StopRequested() const {
    return stopRequested_.load(std::memory_order_acquire);
  }

  // Host thread, destructor only.
  void StopPipeline() noexcept;

  // The order of the fields is the order of construction; member destruction
  // (reverse order) is the second half of the teardown.
  const std::string name_;
  const SessionLinks links_;
  // What the reader reads and writes for every frameset, side by side: a
  // frameset's work is small beside the library's decompression, which
  // evicts it in between, so each cache line it spans is a miss per frameset.
  const std::atomic<bool>& stopRequested_;  // links_'s
  SourceStats& stats_;                      // links_'s
  const HandlerPtr handler_;
  const std::shared_ptr<FrameQueue> queue_;
  const bool playback_;
  const bool readNumbers_;  // for the health line or the watchdog
  bool framesDescribed_ = false;
  bool domainKnown_ = false;
  rs2_timestamp_domain domain_ = RS2_TIMESTAMP_DOMAIN_COUNT;  // meaningful only when domainKnown_
  std::int64_t syncDevTime_ = 0;
  std::int64_t lastDevTime_ = 0;
  std::int64_t syncSysTime_ = 0;
  std::int64_t lastColorTime_ = 0;
  std::optional<std::int64_t> floorColorTime_;         // from links_; cleared by a warned step
  std::optional<unsigned long long> lastPacketDepth_;  // the last delivered packet's depth number
  vs_stream::VideoRawParams videoParams_;              // last announced to the handler
  std::optional<FrameNumbers> frameNumbers_;           // for the health line
  DepthChain depthChain_;       // the filters and the alignment, run by the reader; may be empty
  int negotiatedFps_ = 0;       // set by the constructor before it returns
  int negotiatedDepthFps_ = 0;  // likewise
  std::optional<rs2::sensor> depthSensor_;  // likewise
  // The pipeline's record device while recording, set by the constructor;
  // released after the pipeline.
  rs2::device recordDevice_;
  ReaderThread readerThread_;
  rs2::pipeline pipeline_;
};

}  // namespace vs_realsense2
