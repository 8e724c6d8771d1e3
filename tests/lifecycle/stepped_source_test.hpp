// A source on an rs2sim camera that delivers only what a test emits, whose
// supervisor runs on a clock the test steps.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <boost/make_shared.hpp>
#include <rs2sim/control.hpp>
#include <vs_test_support/log_capture.hpp>
#include <vs_test_support/recording_handler.hpp>
#include <vs_test_support/sim_camera.hpp>

// The module suite's fixtures for its helpers (StartWith, AllCountersZero);
// the sources here are made directly, not through the loaded module.
#include "camera_test.hpp"
#include "media_source.hpp"
#include "stepped_clock.hpp"

namespace vs_realsense2_test {

inline rs2sim::FramesetSpec DepthOnly(double time) {
  rs2sim::FramesetSpec set;
  set.frames = {DepthFrame(time, kSystemTime)};
  return set;
}

class SteppedSourceTest : public ::testing::Test {
 protected:
  explicit SteppedSourceTest(orvlog::Severity minimum = orvlog::Severity::Trace) : log(minimum) {
    rs2sim::SetMissingDeviceWait(std::chrono::milliseconds(50));
  }

  void TearDown() override {
    handler->Unblock();
    if (source)
      source->Stop();
    rs2sim::ClearFaults();
    rs2sim::ReplugDevice(camera.Serial());
    rs2sim::StallDevice(camera.Serial(), false);
  }

  boost::shared_ptr<vid_db::media::Source> CreateSource(const std::string& query,
                                                        const std::string& name = "cam") {
    return CreateSourceAt(camera.Url(query), name);
  }
  boost::shared_ptr<vid_db::media::Source> CreateSourceAt(const std::string& url,
                                                          const std::string& name) {
    vid_db::media::SourceSettings settings;
    settings.url = url;
    settings.name = name;
    return boost::make_shared<vs_realsense2::MediaSource>(settings, clock);
  }

  // Started (on `receiver` if given), its supervisor waiting.
  void StartAt(const std::string& url,
               const boost::shared_ptr<vid_db::media::SourceHandler>& receiver = nullptr) {
    source = CreateSourceAt(url, "cam");
    source->Start(StartWith(receiver ? receiver : handler));
    ASSERT_TRUE(clock->Settle());
  }
  // On the fixture's camera, its first build's lines cleared.
  void StartCamera(const std::string& query,
                   const boost::shared_ptr<vid_db::media::SourceHandler>& receiver = nullptr) {
    StartAt(camera.Url(query), receiver);
    log.Clear();
  }

  // Emits one frameset, waits until the handler has begun `calls` packet
  // calls, and then until the reader is done with that call: a call still
  // running when the clock moves on is a slow server to the watchdog. The
  // same frameset again is dropped as a repeat, with a Trace line the reader
  // writes only after the call before it has returned.
  void Deliver(double time, std::size_t calls) {
    const rs2sim::FramesetSpec frameset = ColorAndDepth(time, kSystemTime);
    ASSERT_TRUE(camera.Emit(frameset).delivered) << time;
    ASSERT_TRUE(handler->WaitForPacketCalls(calls)) << time;
    const std::string repeat = "<cam> ProcessVideoFrames: ignore color frame with time: " +
                               std::to_string(static_cast<std::int64_t>(time));
    const std::size_t repeats = log.Count(orvlog::Severity::Trace, repeat);
    ASSERT_TRUE(camera.Emit(frameset).delivered) << time;
    ASSERT_TRUE(log.WaitFor(orvlog::Severity::Trace, repeat, repeats + 1)) << time;
  }

  // The handler throws on `set`'s packet; the supervisor has seen the reader end.
  void EndReader(const rs2sim::FramesetSpec& set) {
    handler->ThrowOnPacket("host failure");
    ASSERT_TRUE(camera.Emit(set).delivered);
    ASSERT_TRUE(log.WaitFor(kWarning, "<cam> Watchdog: reader ended, restarting in 1000 ms"));
    ASSERT_TRUE(clock->Settle());
  }

  // Moves the supervisor's time on and waits until it has acted on it.
  void Step(std::int64_t ms, std::size_t supervisors = 1) {
    clock->Step(ms);
    ASSERT_TRUE(clock->Settle(supervisors))
        << "after a step of " << ms << " ms, " << clock->Waiting() << " of " << supervisors
        << " supervisors wait";
  }

  vs_test_support::LogCapture log;
  const std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
  const ManualCamera camera{"manual-1"};
  const boost::shared_ptr<RecordingHandler> handler = boost::make_shared<RecordingHandler>();
  boost::shared_ptr<vid_db::media::Source> source;
};

}  // namespace vs_realsense2_test
