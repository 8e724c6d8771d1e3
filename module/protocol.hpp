// What the host gets from the module's one exported function.
#pragma once

#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <vid_db/protocol.hpp>

#include "export.hpp"

// Hands the host a new protocol object through `protocol`, releasing what it
// held. The first argument is not read. Always returns 0.
extern "C" VSRS_MODULE_EXPORT int run_realsense_protocol_query(
    void* unused, boost::shared_ptr<vid_db::Protocol>& protocol);

namespace vs_realsense2 {

// Serves the "realsense" scheme. Immutable, so the host may use it from
// several threads; it keeps nothing of the sources it creates.
class Protocol : public vid_db::Protocol {
 public:
  Protocol();

  // A new source for settings of type "media" (compared exactly); an empty
  // pointer for any other type. Settings that claim "media" but are no
  // vid_db::media::SourceSettings raise std::bad_cast.
  boost::shared_ptr<vid_db::Service> CreateService(
      const vid_db::ServiceSettings& settings) override;
  std::vector<std::string> GetSchemes() const override;

 private:
  const std::vector<std::string> schemes_;
};

}  // namespace vs_realsense2
