#include "media_source.hpp"

#include <memory>
#include <string>

#include <address/source_config.hpp>

#include "camera_controls.hpp"
#include "logger.hpp"
#include "source_lifecycle.hpp"

namespace vs_realsense2 {

// The host's face of a source; its lifecycle does the work, and outlives it
// while a supervisor thread still tears down (a source released inside its
// own handler).
class MediaSource::Impl {
 public:
  Impl(const vid_db::media::SourceSettings& settings, std::shared_ptr<SupervisorClock> clock,
       FreeSpaceProbe freeSpace)
      : name_(settings.name), config_(ReadSourceConfig(settings.url, LibraryPresetNames())) {
    for (const std::string& warning : config_.addressWarnings)
      Log(orvlog::Severity::Warning, name_, "MediaSource", warning);
    lifecycle_ = SourceLifecycle::Create(name_, config_, std::move(clock), std::move(freeSpace));
  }
  ~Impl() { lifecycle_->Release(); }

  void Start(const vid_db::media::StartParams& params) { lifecycle_->Start(params.handler); }
  void Stop() { lifecycle_->Stop(); }

 private:
  const std::string name_;
  const SourceConfig config_;
  std::shared_ptr<SourceLifecycle> lifecycle_;
};

MediaSource::MediaSource(const vid_db::media::SourceSettings& settings)
    : MediaSource(settings, std::make_shared<SteadySupervisorClock>()) {}

MediaSource::MediaSource(const vid_db::media::SourceSettings& settings,
                         std::shared_ptr<SupervisorClock> clock)
    : MediaSource(settings, std::move(clock), FolderFreeBytes) {}

MediaSource::MediaSource(const vid_db::media::SourceSettings& settings,
                         std::shared_ptr<SupervisorClock> clock, FreeSpaceProbe freeSpace)
    : impl_(std::make_unique<Impl>(settings, std::move(clock), std::move(freeSpace))) {}

MediaSource::~MediaSource() = default;

void MediaSource::Start(const vid_db::media::StartParams& params) {
  impl_->Start(params);
}

void MediaSource::Stop() {
  impl_->Stop();
}

vid_db::media::SourceCaps MediaSource::GetCaps() const {
  return vid_db::media::SourceCaps{1};
}

}  // namespace vs_realsense2
