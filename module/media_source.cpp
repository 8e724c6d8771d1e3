#include "media_source.hpp"

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <address/source_config.hpp>

#include "camera_controls.hpp"
#include "logger.hpp"
#include "source_supervisor.hpp"

namespace vs_realsense2 {

// Started exactly while it owns a supervisor. A stop from inside the
// handler cannot join the threads it runs on, so the supervisor goes to
// `retired` and the next call on a host thread joins it.
class MediaSource::Impl {
 public:
  explicit Impl(const vid_db::media::SourceSettings& settings)
      : name(settings.name),
        config(ReadSourceConfig(settings.url, LibraryPresetNames())),
        stats(config.stats_s > 0 ? std::make_shared<SourceStats>() : nullptr) {
    for (const std::string& warning : config.addressWarnings)
      Log(orvlog::Severity::Warning, name, "MediaSource", warning);
  }

  // Released inside the handler, the source leaves the teardown to the
  // supervisors' own threads; elsewhere the members join them.
  ~Impl() {
    if (!OnHandlerThread())
      return;
    if (supervisor)
      supervisor->Abandon();
    for (const auto& stopped : retired)
      stopped->Abandon();
  }

  void Start(const vid_db::media::StartParams& params) {
    if (supervisor)
      throw std::runtime_error("already started: ");
    if (!params.handler)
      throw std::runtime_error("handler is null");
    JoinRetired();
    Log(orvlog::Severity::Debug, name, "Start", "");
    try {
      supervisor = std::make_unique<SourceSupervisor>(config, params.handler, name, this, stats);
    } catch (const rs2::error& e) {
      // Other failures (the playback probe, thread creation, memory) carry
      // their own text and reach the host unlogged.
      LogSafely(orvlog::Severity::Error, name, "Start", [&](std::ostream& os) {
        os << "rs error calling " << e.get_failed_function() << "(" << e.get_failed_args()
           << "):" << e.what();
      });
      throw;
    }
  }

  void Stop() {
    std::unique_ptr<SourceSupervisor> stopping = std::move(supervisor);
    if (stopping && OnHandlerThread()) {
      stopping->StopFromHandler();
      retired.push_back(std::move(stopping));
    } else {
      stopping.reset();
      JoinRetired();
    }
    LogSafely(orvlog::Severity::Debug, name, "Stop", "");
  }

 private:
  // Inside the host's handler, called by one of this source's readers.
  bool OnHandlerThread() const { return OnReaderThreadOf(this); }

  void JoinRetired() {
    if (!OnHandlerThread())
      retired.clear();
  }

  const std::string name;
  const SourceConfig config;
  std::unique_ptr<SourceSupervisor> supervisor;
  std::vector<std::unique_ptr<SourceSupervisor>> retired;
  const std::shared_ptr<SourceStats> stats;  // null when the health line is off
};

MediaSource::MediaSource(const vid_db::media::SourceSettings& settings)
    : impl(std::make_unique<Impl>(settings)) {}

MediaSource::~MediaSource() = default;

void MediaSource::Start(const vid_db::media::StartParams& params) {
  impl->Start(params);
}

void MediaSource::Stop() {
  impl->Stop();
}

vid_db::media::SourceCaps MediaSource::GetCaps() const {
  return vid_db::media::SourceCaps{1};
}

}  // namespace vs_realsense2
