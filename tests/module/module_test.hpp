// The module as a host sees it: loaded with dlopen, reached only through its
// exported function and the host interfaces.
#pragma once

#include <string>

#include <gtest/gtest.h>
#include <boost/pointer_cast.hpp>
#include <boost/shared_ptr.hpp>
#include <vid_db/media/source.hpp>
#include <vs_test_support/log_capture.hpp>
#include <vs_test_support/module_loader.hpp>

namespace vs_realsense2_test {

inline vid_db::media::SourceSettings MakeSettings(const std::string& url, const std::string& name) {
  vid_db::media::SourceSettings settings;
  settings.url = url;
  settings.name = name;
  return settings;
}

// Members are released in reverse order: whatever the module made goes
// before the module itself is unloaded.
class ModuleTest : public ::testing::Test {
 protected:
  // The capture's minimum matters: the module skips work for lines no sink
  // takes.
  explicit ModuleTest(orvlog::Severity minimum = orvlog::Severity::Trace) : log(minimum) {}

  boost::shared_ptr<vid_db::media::Source> CreateSource(const std::string& url,
                                                        const std::string& name = "cam") {
    return boost::dynamic_pointer_cast<vid_db::media::Source>(
        protocol->CreateService(MakeSettings(url, name)));
  }

  const vs_test_support::LoadedModule module;
  vs_test_support::LogCapture log;
  boost::shared_ptr<vid_db::Protocol> protocol = module.NewProtocol();
};

}  // namespace vs_realsense2_test
