// A source on an rs2sim camera that delivers only what a test emits, whose
// supervisor runs on a clock that moves only when the test steps it.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
#include "supervisor_clock.hpp"

namespace vs_realsense2_test {

// Thread-safe. Waits end when the clock is stepped past their deadline or
// when the waiter is woken; real time plays no part. Settle tells a test when
// every supervisor has done what the last step asked of it, so that each
// decision is taken at the time the test meant.
class SteppedClock final : public vs_realsense2::SupervisorClock {
 public:
  std::int64_t NowMs() const override {
    const std::lock_guard<std::mutex> lock(mutex_);
    return now_;
  }

  [[nodiscard]] bool WaitUntil(utils::MutexLock& lock, std::condition_variable& cv,
                               std::int64_t deadlineMs,
                               const std::function<bool()>& woken) override {
    lock.Wait(cv, [&] {
      if (woken() || NowMs() >= deadlineMs)
        return true;
      MarkBlocked(true);
      return false;
    });
    MarkBlocked(false);
    return woken();
  }

  // Until `waiters` threads wait on this clock, each having looked at the
  // time since the last step; false after the test's wait limit.
  // Waiting() says how many do, for a failure's message.
  bool Settle(std::size_t waiters = 1) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return settled_.wait_for(lock, vs_test_support::kWaitLimit, [&] {
      return blocked_.size() == waiters &&
             std::all_of(blocked_.begin(), blocked_.end(),
                         [&](const auto& entry) { return entry.second == generation_; });
    });
  }

  std::size_t Waiting() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return blocked_.size();
  }

  void OnStep(std::function<void()> wake) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    wakers_.push_back(std::move(wake));
  }

  // Each waker takes its waiter's lock: a waiter either saw the old time
  // and is waiting, or will see the new one.
  void Step(std::int64_t ms) {
    std::vector<std::function<void()>> wakers;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      now_ += ms;
      ++generation_;
      wakers = wakers_;
    }
    for (const auto& wake : wakers)
      wake();
  }

 private:
  void MarkBlocked(bool blocked) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (blocked)
      blocked_[std::this_thread::get_id()] = generation_;
    else
      blocked_.erase(std::this_thread::get_id());
    settled_.notify_all();
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable settled_;
  std::int64_t now_ = 1'000'000;
  std::uint64_t generation_ = 0;
  std::map<std::thread::id, std::uint64_t> blocked_;  // waiter: generation it last saw
  std::vector<std::function<void()>> wakers_;
};

// Runs `action` on the thread that writes it, for each Info or higher line
// of the module that holds `text`, while it lives: to act at a moment only
// the module's lines mark.
class OnLine {
 public:
  OnLine(std::string text, std::function<void()> action)
      : sink_(orvlog::AddCallbackSink(
            orvlog::Severity::Info,
            [text = std::move(text), action = std::move(action)](const orvlog::LogLine& line) {
              if (line.message.find(text) != std::string::npos)
                action();
            })) {}
  ~OnLine() { orvlog::RemoveSink(sink_); }
  OnLine(const OnLine&) = delete;
  OnLine& operator=(const OnLine&) = delete;

 private:
  const orvlog::SinkId sink_;
};

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
  void StepTimes(int times, std::int64_t ms) {
    for (int i = 0; i < times; ++i)
      Step(ms);
  }

  // Exactly one of source cam's health lines matches `fields` as a whole.
  void ExpectOneHealthLine(const std::string& fields) {
    EXPECT_EQ(log.CountMatching(kInfo, "<cam> Health: " + fields), 1u)
        << ::testing::PrintToString(log.Messages(kInfo));
  }

  vs_test_support::LogCapture log;
  const std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
  const ManualCamera camera{"manual-1"};
  const boost::shared_ptr<RecordingHandler> handler = boost::make_shared<RecordingHandler>();
  boost::shared_ptr<vid_db::media::Source> source;
};

}  // namespace vs_realsense2_test
