#include "video_params.hpp"

#include <algorithm>

#include <vid_db/media/source.hpp>

#include "logger.hpp"
#include "session.hpp"

namespace vs_realsense2 {
namespace {

std::uint32_t ToPixelFormat(rs2_format format) {
  switch (format) {
    case RS2_FORMAT_RGB8:
      return vs_stream::kPixelFormatRgb24;
    case RS2_FORMAT_BGR8:
      return vs_stream::kPixelFormatBgr24;
    default:
      return vs_stream::kPixelFormatNone;
  }
}

bool SameGeometryAndFormat(const vs_stream::VideoRawParams& a, const vs_stream::VideoRawParams& b) {
  return a.pixelFormat == b.pixelFormat && a.width == b.width && a.height == b.height;
}

}  // namespace

vs_stream::VideoRawParams MakeVideoRawParams(const rs2::video_frame& color) {
  const int height = color.get_height();
  const int width = color.get_width();
  vs_stream::VideoRawParams params;
  params.width = static_cast<std::uint32_t>(std::max(width, 0));
  params.height = static_cast<std::uint32_t>(std::max(height, 0));
  params.pixelFormat = ToPixelFormat(color.get_profile().format());
  return params;
}

// Announces only changes. The new values are remembered only once OnParams
// has returned: a handler that throws has not taken them, so the next frame
// announces them again.
bool Session::UpdateVideoParams(const rs2::video_frame& color) {
  const vs_stream::VideoRawParams params = MakeVideoRawParams(color);
  if (params.pixelFormat == vs_stream::kPixelFormatNone || params.width == 0 ||
      params.height == 0) {
    Count(stats.get(), &SourceStats::invalidColorFrames);
    LogSafely(orvlog::Severity::Error, name, "UpdateVideoParams", [&](std::ostream& os) {
      os << "invalid color frame with fmt: " << rs2_format_to_string(color.get_profile().format());
    });
    return false;
  }
  if (SameGeometryAndFormat(params, videoParams))
    return true;
  if (StopRequested())
    return false;
  vid_db::media::StreamParams announcement;
  announcement.rawVideo = params;
  {
    const HandlerCall call(*links.handlerCalls);
    handler->OnParams(announcement);
  }
  videoParams = params;
  return true;
}

}  // namespace vs_realsense2
