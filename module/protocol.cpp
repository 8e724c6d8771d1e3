#include "protocol.hpp"

#include <string_view>

#include "media_source.hpp"

int run_realsense_protocol_query(void* /*unused*/, boost::shared_ptr<vid_db::Protocol>& protocol) {
  protocol = boost::shared_ptr<vs_realsense2::Protocol>(new vs_realsense2::Protocol());
  return 0;
}

namespace vs_realsense2 {

Protocol::Protocol() : schemes_{"realsense"} {}

boost::shared_ptr<vid_db::Service> Protocol::CreateService(
    const vid_db::ServiceSettings& settings) {
  if (settings.GetType() != std::string_view("media"))
    return {};
  const auto& sourceSettings = dynamic_cast<const vid_db::media::SourceSettings&>(settings);
  const boost::shared_ptr<MediaSource> source(new MediaSource(sourceSettings));
  // Same count, pointing at the Service part; the last release still destroys
  // the whole source through its virtual destructor.
  return boost::shared_ptr<vid_db::Service>(source,
                                            static_cast<vid_db::media::Source*>(source.get()));
}

std::vector<std::string> Protocol::GetSchemes() const {
  return schemes_;
}

}  // namespace vs_realsense2
