// A started-source fixture on an rs2sim camera that delivers only the
// framesets a test emits.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include <boost/make_shared.hpp>
#include <rs2sim/control.hpp>
#include <vs_test_support/recording_handler.hpp>
#include <vs_test_support/sim_camera.hpp>

#include "module_test.hpp"

namespace vs_realsense2_test {

inline std::int64_t WallClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

inline vid_db::media::StartParams StartWith(
    const boost::shared_ptr<vid_db::media::SourceHandler>& handler) {
  vid_db::media::StartParams params;
  params.handler = handler;
  return params;
}

inline bool AllCountersZero(const rs2sim::Counters& c) {
  return c.framesAlive == 0 && c.pipelinesAlive == 0 && c.pipelinesStreaming == 0 &&
         c.callbacksAlive == 0 && c.callbacksRunning == 0;
}

class CameraTest : public ModuleTest {
 protected:
  explicit CameraTest(orvlog::Severity minimum = orvlog::Severity::Trace) : ModuleTest(minimum) {}

  void TearDown() override {
    // A failed expectation must not leave the reader stuck in the handler.
    handler->Unblock();
    if (source)
      source->Stop();
    rs2sim::ClearFaults();
  }

  // Starts `source` on `camera` and forgets the start-up lines.
  void StartCamera(const std::string& extraQuery = "") {
    source = CreateSource(camera.Url(extraQuery), "cam");
    source->Start(StartWith(handler));
    log.Clear();
  }

  const vs_test_support::ManualCamera camera{"manual-1"};
  const boost::shared_ptr<vs_test_support::RecordingHandler> handler =
      boost::make_shared<vs_test_support::RecordingHandler>();
  boost::shared_ptr<vid_db::media::Source> source;
};

}  // namespace vs_realsense2_test
