#include "media_source.hpp"

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include <utils/source_config.hpp>

#include "health_report.hpp"
#include "logger.hpp"
#include "session.hpp"

namespace vs_realsense2 {

class MediaSource::Impl {
 public:
  explicit Impl(const vid_db::media::SourceSettings& settings)
      : name(settings.name),
        config(ReadSourceConfig(settings.url)),
        stats(config.stats_s > 0 ? std::make_shared<SourceStats>() : nullptr) {
    for (const std::string& warning : config.addressWarnings)
      Log(orvlog::Severity::Warning, name, "MediaSource", warning);
  }

  void Start(const vid_db::media::StartParams& params) {
    if (session)
      throw std::runtime_error("already started: ");
    if (!params.handler)
      throw std::runtime_error("handler is null");
    Log(orvlog::Severity::Debug, name, "Start", "");
    // Built first so that nothing can fail once the session streams.
    auto ticker = std::make_unique<HealthTicker>(HealthReport(name, stats, config.stats_s));
    try {
      session.reset(new Session(config, params.handler, name, stats));
    } catch (const rs2::error& e) {
      // Other failures (the playback probe, thread creation, memory) carry
      // their own text and reach the host unlogged.
      Log(orvlog::Severity::Error, name, "Start", [&](std::ostream& os) {
        os << "rs error calling " << e.get_failed_function() << "(" << e.get_failed_args()
           << "):" << e.what();
      });
      throw;
    }
    health = std::move(ticker);
  }

  void Stop() {
    health.reset();
    session.reset();
    Log(orvlog::Severity::Debug, name, "Stop", "");
  }

 private:
  const std::string name;
  const SourceConfig config;
  const std::shared_ptr<SourceStats> stats;  // null when the health line is off
  std::unique_ptr<Session> session;
  // Until a supervisor owns the source's periodic work: the health line while started.
  std::unique_ptr<HealthTicker> health;
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
