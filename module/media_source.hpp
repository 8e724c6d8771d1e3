// One configured RealSense source, as the host holds it.
#pragma once

#include <memory>

#include <utils/noncopyable.hpp>
#include <vid_db/media/source.hpp>

namespace vs_realsense2 {

// Started exactly while it owns a session. The host calls Start, Stop and the
// destructor one at a time, so the source takes no lock.
class MediaSource : public vid_db::media::Source,
                    public vid_db::media::SourceWithCaps,
                    private utils::Noncopyable {
 public:
  // Throws utils::UrlParserError when the settings' address is not a URI.
  explicit MediaSource(const vid_db::media::SourceSettings& settings);
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
  const std::unique_ptr<Impl> impl;
};

}  // namespace vs_realsense2
