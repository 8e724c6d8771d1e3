// A fixture on an rs2sim camera that delivers only the framesets a test emits.
#pragma once

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>
#include <boost/weak_ptr.hpp>
#include <rs2sim/control.hpp>
#include <vs_test_support/percent_encoding.hpp>
#include <vs_test_support/recording_handler.hpp>
#include <vs_test_support/sim_camera.hpp>

#include "module_test.hpp"

namespace vs_realsense2_test {

using vs_test_support::ColorAndDepth;
using vs_test_support::ColorFrame;
using vs_test_support::DepthFrame;
using vs_test_support::Line;
using vs_test_support::ManualCamera;
using vs_test_support::RecordingHandler;

constexpr auto kSystemTime = RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME;

// A file name in the test folder for this process: test programs run in
// parallel must not share files.
inline std::string ProcessTempPath(const std::string& stem, const std::string& extension) {
#ifdef _WIN32
  const long id = static_cast<long>(_getpid());
#else
  const long id = static_cast<long>(getpid());
#endif
  return ::testing::TempDir() + stem + "-" + std::to_string(id) + extension;
}

using vs_test_support::PercentEncoded;

inline rs2sim::FramesetSpec Set(std::vector<rs2sim::FrameSpec> frames) {
  rs2sim::FramesetSpec set;
  set.frames = std::move(frames);
  return set;
}

// The line the first start after the module is loaded writes, on rs2sim.
inline Line SdkLine(const std::string& name) {
  const std::string version = std::to_string(RS2_API_MAJOR_VERSION) + "." +
                              std::to_string(RS2_API_MINOR_VERSION) + "." +
                              std::to_string(RS2_API_PATCH_VERSION);
  return {orvlog::Severity::Info, "<" + name + "> PrintSdk: librealsense2 " + version +
                                      ", built against " + version +
                                      "; rs2sim, the simulated librealsense2: no real camera can "
                                      "be used"};
}

// rs2sim's default device, as the start report describes it.
inline Line DeviceLine(const std::string& name, const std::string& serial) {
  return {orvlog::Severity::Info, "<" + name +
                                      "> PrintDevice: device: Intel RealSense D435 (rs2sim), "
                                      "serial number " +
                                      serial + ", firmware 5.15.1.0, USB 3.2"};
}

// No frame, pipeline or callback of rs2sim left.
inline bool AllCountersZero() {
  const rs2sim::Counters c = rs2sim::GetCounters();
  return c.framesAlive == 0 && c.pipelinesAlive == 0 && c.pipelinesStreaming == 0 &&
         c.callbacksAlive == 0 && c.callbacksRunning == 0;
}

// The queue holds three framesets: a test emits at most three, then waits.
class CameraTest : public ModuleTest {
 protected:
  // A start without its camera fails after rs2sim's wait for it, as the
  // real library's does: 15 s unless shortened. Tests that need the real
  // length set it themselves.
  explicit CameraTest(orvlog::Severity minimum = orvlog::Severity::Trace) : ModuleTest(minimum) {
    rs2sim::SetMissingDeviceWait(std::chrono::milliseconds(50));
  }

  void TearDown() override {
    // A failed expectation must not leave the reader stuck in the handler.
    handler->Unblock();
    if (source)
      source->Stop();
    source.reset();  // no file of the library left open
    std::remove(recording.c_str());
    rs2sim::ClearFaults();
    rs2sim::ReplugDevice(camera.Serial());  // a failed check must not leave it unplugged
  }

  // Starts `source` on `url` with `handler`; the start's lines stay in the log.
  void Open(const std::string& url, const std::string& name = "cam") {
    source = CreateSource(url, name);
    source->Start(StartWith(handler));
  }
  // `query` is added to the camera's address ("watchdog_ms=0": unsupervised).
  void StartCamera(const std::string& query = "") {
    Open(camera.Url(query));
    log.Clear();
  }
  // Plays `recording` back; `query` adds keys to the address.
  void PlayBack(const std::string& query = "", const std::string& name = "cam") {
    const std::string address = "realsense://?playback_from_file=" + PercentEncoded(recording);
    Open(query.empty() ? address : address + "&" + query, name);
  }

  // How often the start reported `stream`, as in "Depth as Z16 at 30 Hz; resolution: 848x480".
  std::size_t Reported(const std::string& stream, const std::string& name = "cam") const {
    return log.Count(kDebug, "<" + name + "> PrintProfile: stream: " + stream);
  }

  // The packet that `set` becomes.
  vid_db::media::Packet Deliver(const rs2sim::FramesetSpec& set) {
    const std::size_t count = handler->PacketCount() + 1;
    camera.Emit(set);
    EXPECT_TRUE(handler->WaitForPackets(count));
    return handler->Packets().at(count - 1);
  }

  const ManualCamera camera{"manual-1"};
  const boost::shared_ptr<RecordingHandler> handler = boost::make_shared<RecordingHandler>();
  boost::shared_ptr<vid_db::media::Source> source;
  // One file per process: parallel cases must not read each other's.
  const std::string recording = ProcessTempPath("vsrs", ".bag");
};

}  // namespace vs_realsense2_test
