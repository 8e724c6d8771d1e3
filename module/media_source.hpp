// One configured RealSense source, as the host holds it.
#pragma once

#include <memory>

#include "free_space.hpp"

#include <utils/noncopyable.hpp>
#include <vid_db/media/source.hpp>

namespace vs_realsense2 {

class SupervisorClock;

// Start, Stop and the destructor are safe from any thread, the handler's
// included, and at the same time as each other (SourceLifecycle).
class MediaSource : public vid_db::media::Source,
                    public vid_db::media::SourceWithCaps,
                    private utils::Noncopyable {
 public:
  // Throws utils::UrlParserError when the settings' address is not a URI.
  explicit MediaSource(const vid_db::media::SourceSettings& settings);
  // As above, with the time the source's supervisor decides by (tests step it).
  MediaSource(const vid_db::media::SourceSettings& settings,
              std::shared_ptr<SupervisorClock> clock);
  // As above, with the free space of the recording's filesystem as the
  // supervisor reads it (tests fake a filling disk).
  MediaSource(const vid_db::media::SourceSettings& settings, std::shared_ptr<SupervisorClock> clock,
              FreeSpaceProbe freeSpace);
  // Stops a running source like Stop, without its log line.
  ~MediaSource() override;

  // Refuses a second start and an empty handler (std::runtime_error); logs a
  // library error and throws it on unchanged; passes anything else on.
  void Start(const vid_db::media::StartParams& params) override;
  // Never throws; when it returns, the handler gets no further call.
  void Stop() override;
  vid_db::media::SourceCaps GetCaps() const override;

 private:
  class Impl;
  const std::unique_ptr<Impl> impl_;
};

}  // namespace vs_realsense2
