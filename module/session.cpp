#include "session.hpp"

#include <utils/file.hpp>

#include "camera_controls.hpp"
#include "device_sensors.hpp"
#include "failure_text.hpp"
#include "library_context.hpp"
#include "logger.hpp"
#include "stream_report.hpp"

namespace vs_realsense2 {
namespace {

// At most this many framesets wait for the reader; more are dropped, which
// bounds memory and latency when the host is slow.
constexpr std::uint64_t kQueueCapacity = 3;

// The context is only needed to create the pipeline, which keeps what it
// uses of it. The library's version is reported before the context is asked
// for, so that it is in the log when a too old library refuses it.
rs2::pipeline CreatePipeline(const std::string& name) {
  PrintSdkOnce(name);
  return rs2::pipeline(OpenContext());
}

void ConfigurePlayback(rs2::config& config, const std::string& path, const std::string& name) {
  {
    // A missing or unreadable file, a directory, a FIFO, device or socket
    // fails here with a text naming it, before the library is involved (a
    // FIFO would make the library wait for a writer inside Start).
    const utils::File probe(path, utils::File::Read | utils::File::Regular);
  }
  config.enable_device_from_file(path, /*repeat_playback=*/true);
  Log(orvlog::Severity::Info, name, "Session",
      [&](std::ostream& os) { os << "playback from file: " << path; });
}

// The camera and streams of a live source; 0 lets the library choose a size
// or rate.
void RequestStreams(rs2::config& config, const SourceConfig& source) {
  if (!source.sn.empty())
    config.enable_device(source.sn);
  config.enable_stream(RS2_STREAM_DEPTH, -1, source.d_width, source.d_height, RS2_FORMAT_Z16,
                       source.d_fps);
  const rs2_format color = source.c_format == ColorFormat::Bgr8 ? RS2_FORMAT_BGR8 : RS2_FORMAT_RGB8;
  config.enable_stream(RS2_STREAM_COLOR, -1, source.c_width, source.c_height, color, source.c_fps);
}

void ConfigureLive(rs2::config& config, const SourceConfig& source, const std::string& name) {
  RequestStreams(config, source);
  if (!source.record_to_file.empty()) {
    config.enable_record_to_file(source.record_to_file);
    Log(orvlog::Severity::Info, name, "Session",
        [&](std::ostream& os) { os << "recording to file: " << source.record_to_file; });
  }
}

// The controls go to the device the start will open, found by resolving the
// same request without the recording, so that no second recorder is made.
void ApplyLiveControls(rs2::pipeline& pipeline, const SourceConfig& source,
                       const std::string& name) {
  if (!source.HasControls())
    return;
  rs2::config request;
  RequestStreams(request, source);
  ApplyControls(request.resolve(pipeline).get_device(), source, name);
}

std::optional<FrameNumbers> MakeFrameNumbers(const SourceConfig& config,
                                             const std::shared_ptr<SourceStats>& stats) {
  if (config.stats_s <= 0)
    return std::nullopt;
  return std::optional<FrameNumbers>(std::in_place, stats);
}

int DepthFps(const rs2::pipeline_profile& profile) {
  for (const rs2::stream_profile& stream : profile.get_streams()) {
    if (stream.stream_type() == RS2_STREAM_DEPTH)
      return stream.fps();
  }
  return 0;
}

int StreamingFps(const rs2::pipeline_profile& profile) {
  int slowest = 0;
  for (const rs2::stream_profile& stream : profile.get_streams()) {
    if (stream.stream_type() == RS2_STREAM_COLOR)
      return stream.fps();
    if (slowest == 0 || (stream.fps() > 0 && stream.fps() < slowest))
      slowest = stream.fps();
  }
  return slowest;
}

}  // namespace

// A failure anywhere below unwinds in reverse: the locals go first, then the
// pipeline handle (releasing the last handle ends streaming, so no explicit
// stop), then the reader thread is closed and joined by its own destructor.
Session::Session(const SourceConfig& config, const HandlerPtr& handler, const std::string& name,
                 SessionLinks links)
    : name_(name),
      links_(std::move(links)),
      stopRequested_(*links_.stopRequested),
      stats_(*links_.stats),
      handler_(handler),
      queue_(
          std::make_shared<FrameQueue>(kQueueCapacity, /*popEnabled=*/true, /*pushEnabled=*/true)),
      playback_(!config.playback_from_file.empty()),
      // Frame numbers feed the health line's drops and rates and the
      // watchdog's frozen depth; with both off nobody reads them.
      readNumbers_(config.stats_s > 0 || config.watchdog_ms > 0),
      floorColorTime_(links_.floorColorTime),
      frameNumbers_(MakeFrameNumbers(config, links_.stats)),
      depthChain_(config, name_),
      readerThread_(*queue_, [this] { ReadFrames(); }),
      pipeline_(CreatePipeline(name_)) {
  rs2::config pipelineConfig;
  if (playback_) {
    ConfigurePlayback(pipelineConfig, config.playback_from_file, name_);
    if (config.HasControls())
      Log(orvlog::Severity::Info, name_, "CameraControls", "playback: camera controls not applied");
  } else {
    ApplyLiveControls(pipeline_, config, name_);
    ConfigureLive(pipelineConfig, config, name_);
  }
  const rs2::pipeline_profile profile = pipeline_.start(
      pipelineConfig,
      FrameCallback(std::make_shared<const FrameIntake>(FrameIntake{
          name_, queue_, links_.frameArrived, links_.stats, std::make_shared<LostFramesLog>(name_),
          links_.nowMs, frameNumbers_ ? std::make_shared<QueueLosses>() : nullptr})));
  if (!playback_) {
    const rs2::device device = profile.get_device();
    if (!config.record_to_file.empty()) {
      recordDevice_ = device;
      if (links_.recorder)
        links_.recorder->Hold(recordDevice_);
    }
    if (links_.notifications)
      ListenToNotifications(device);
    try {
      depthSensor_ = FindSensor<rs2::depth_sensor>(device);
    } catch (const rs2::error&) {
      // Only the temperatures need it: they read n/a.
    }
  }
  negotiatedFps_ = StreamingFps(profile);
  negotiatedDepthFps_ = DepthFps(profile);
  PrintProfile(profile, name_);
  PrintEmitter(profile, name_);
  PrintDevice(profile, playback_, name_);
}

void Session::PauseRecording() {
  rs2::recorder(recordDevice_).pause();
}

void Session::ResumeRecording() {
  rs2::recorder(recordDevice_).resume();
}

// A camera that cannot report its notifications still streams: a Warning.
void Session::ListenToNotifications(const rs2::device& device) {
  try {
    ListenToSensors(device, links_.notifications);
  } catch (const rs2::error&) {
    const std::exception_ptr failure = std::current_exception();
    Log(orvlog::Severity::Warning, name_, "Notification", [&](std::ostream& os) {
      os << "notifications not available: ";
      WriteFailure(os, failure);
    });
  }
}

void Session::EndDelivery() {
  queue_->Close();
}

// Member destruction then releases the pipeline, closes the queue and joins
// the reader, and only after that releases the queue and the handler.
Session::~Session() {
  StopPipeline();
}

// The teardown must complete whatever the library says: a stop that fails is
// logged in the shape of Start's library errors, and even a failure to log it
// is swallowed rather than escape a destructor.
void Session::StopPipeline() noexcept {
  try {
    try {
      pipeline_.stop();
    } catch (const std::exception&) {
      const std::exception_ptr failure = std::current_exception();
      LogSafely(orvlog::Severity::Error, name_, "~Session",
                [&](std::ostream& os) { WriteFailure(os, failure); });
    }
  } catch (...) {
  }
}

}  // namespace vs_realsense2
