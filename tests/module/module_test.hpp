// The module as a host sees it: dlopen'ed, reached through its one export.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <boost/pointer_cast.hpp>
#include <boost/shared_ptr.hpp>
#include <vid_db/media/source.hpp>
#include <vs_test_support/log_capture.hpp>
#include <vs_test_support/module_loader.hpp>

namespace vs_realsense2_test {

using vs_test_support::Lines;
using Texts = std::vector<std::string>;

inline constexpr orvlog::Severity kDebug = orvlog::Severity::Debug;
inline constexpr orvlog::Severity kInfo = orvlog::Severity::Info;
inline constexpr orvlog::Severity kWarning = orvlog::Severity::Warning;
inline constexpr orvlog::Severity kError = orvlog::Severity::Error;

inline vid_db::media::StartParams StartWith(
    const boost::shared_ptr<vid_db::media::SourceHandler>& handler) {
  vid_db::media::StartParams params;
  params.handler = handler;
  return params;
}

inline std::int64_t WallClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The packet's depth attachment, if it has one, and its value at (x, y).
inline boost::shared_ptr<vid_db::media::DepthFrame> DepthOf(const vid_db::media::Packet& packet) {
  const auto found = packet.attachments.find("depth");
  return found == packet.attachments.end()
             ? nullptr
             : boost::dynamic_pointer_cast<vid_db::media::DepthFrame>(found->second);
}

inline std::uint16_t DepthAt(const vid_db::media::DepthFrame& depth, int x, int y) {
  std::uint16_t value = 0;
  std::memcpy(&value, depth.GetData() + y * depth.GetStride() + x * 2, 2);
  return value;
}

// The text of the `Error` that `call` throws; a failure when it throws none.
template <typename Error, typename Call>
std::string ThrownText(const Call& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.what();
  }
  ADD_FAILURE() << "no exception";
  return "";
}

// Members go in reverse order: what the module made, then the module.
class ModuleTest : public ::testing::Test {
 protected:
  explicit ModuleTest(orvlog::Severity minimum = orvlog::Severity::Trace) : log(minimum) {}

  boost::shared_ptr<vid_db::media::Source> CreateSource(const std::string& url,
                                                        const std::string& name = "cam") {
    vid_db::media::SourceSettings settings;
    settings.url = url;
    settings.name = name;
    return boost::dynamic_pointer_cast<vid_db::media::Source>(protocol->CreateService(settings));
  }

  const vs_test_support::LoadedModule module;
  vs_test_support::LogCapture log;
  boost::shared_ptr<vid_db::Protocol> protocol = module.NewProtocol();
};

}  // namespace vs_realsense2_test
