// Stop and release from inside the handler, from the server, and both at
// once: during Start, during a restart's build and while streaming. Nothing
// is freed twice, no handler call follows a stop, and Start works after.
#include <mutex>
#include <string>
#include <thread>

#include <vs_test_support/acting_handler.hpp>

#include "stepped_source_test.hpp"

namespace vs_realsense2_test {
namespace {

using vs_test_support::ActingHandler;
using vs_test_support::Latch;

// A session being built writes its device line on the supervisor's thread
// after its pipeline started, before the build is over; one build a case.
const std::string kDuringBuild = "PrintDevice: ";

using StopAnywhereTest = SteppedSourceTest;

// The first frameset reaches the handler before Start returns, and the
// handler stops the source there. A Start there after the stop could only wait
// for a teardown that waits for the handler: it is refused.
TEST_F(StopAnywhereTest, StopInsideTheHandlerDuringStartWinsAndAStartThereIsRefused) {
  Latch stopped;
  std::string callsAtRelease;
  std::string refusal;
  auto acting = boost::make_shared<ActingHandler>(
      'P',
      [&] {
        source->Stop();
        try {
          source->Start(StartWith(handler));
        } catch (const std::runtime_error& e) {
          refusal = e.what();
        }
        stopped.Raise();
      },
      [&](const std::string& calls) { callsAtRelease = calls; });
  source = CreateSourceAt(camera.Url("watchdog_ms=100"), "cam");
  {
    const OnLine duringStart(kDuringBuild, [&] {
      ASSERT_TRUE(camera.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
      ASSERT_TRUE(stopped.Wait());
    });
    EXPECT_NO_THROW(source->Start(StartWith(acting)));
  }
  EXPECT_EQ(rs2sim::GetCounters().pipelinesStreaming, 0);
  EXPECT_FALSE(camera.Emit(ColorAndDepth(1001, kSystemTime)).delivered);
  acting.reset();
  EXPECT_EQ(callsAtRelease, "AP");
  EXPECT_EQ(refusal, "still stopping: ");
  // Stopped for good, the source starts again on the fixture's handler.
  source->Start(StartWith(handler));
  ASSERT_TRUE(clock->Settle());
  Deliver(2000, 1);
  EXPECT_EQ(handler->Calls(), "AP");
}

// The handler stops (or releases) the source while a restart builds its new
// session: the new session delivers nothing after the call that stopped it.
class StopDuringRebuildTest : public StopAnywhereTest,
                              public ::testing::WithParamInterface<bool> {};

TEST_P(StopDuringRebuildTest, NoCallFollowsTheOneThatStopped) {
  const bool release = GetParam();
  Latch acted;
  Latch released;
  std::string callsAtRelease;
  boost::shared_ptr<vid_db::media::Source> held =
      CreateSourceAt(camera.Url("watchdog_ms=100"), "cam");
  auto acting = boost::make_shared<ActingHandler>(
      'P',
      [&] {
        if (release)
          held.reset();
        else
          held->Stop();
        acted.Raise();
      },
      [&](const std::string& calls) {
        callsAtRelease = calls;
        released.Raise();
      });
  acting->ThrowOnPacket("host failure");  // the first session's reader ends
  held->Start(StartWith(acting));
  ASSERT_TRUE(clock->Settle());
  ASSERT_TRUE(camera.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
  ASSERT_TRUE(log.WaitFor(kWarning, "<cam> Watchdog: reader ended, restarting in 1000 ms"));
  ASSERT_TRUE(clock->Settle());
  {
    const OnLine duringRestart(kDuringBuild, [&] {
      ASSERT_TRUE(camera.Emit(ColorAndDepth(2000, kSystemTime)).delivered);
      ASSERT_TRUE(acted.Wait());
      for (int t = 1; t <= 3; ++t)
        camera.Emit(ColorAndDepth(2000 + t, kSystemTime));
    });
    clock->Step(1000);
    ASSERT_TRUE(acted.Wait());
    if (!release)
      held->Stop();  // a host thread joins what the handler's Stop left
    acting.reset();
    ASSERT_TRUE(released.Wait());
  }
  EXPECT_EQ(callsAtRelease, "APAP");
  EXPECT_TRUE(AllCountersZero());
  EXPECT_EQ(log.Count(kInfo, "<cam> Restart: streaming again after 1.0 s, 1 try"), 0u);
}

INSTANTIATE_TEST_SUITE_P(StopAndRelease, StopDuringRebuildTest, ::testing::Values(false, true));

// The server's Stop from its own thread while the handler calls Stop: both
// return, the server's once everything is joined, and the source starts
// again. Repeated, so that the two meet at different points.
TEST_F(StopAnywhereTest, HandlerAndServerStoppingAtOnceBothReturnAndTheSourceStartsAgain) {
  source = CreateSourceAt(camera.Url("watchdog_ms=100"), "cam");
  for (int round = 0; round < 20; ++round) {
    Latch inHandler;
    std::string callsAtRelease;
    auto acting = boost::make_shared<ActingHandler>(
        'P',
        [&] {
          inHandler.Raise();
          source->Stop();
        },
        [&](const std::string& calls) { callsAtRelease = calls; });
    source->Start(StartWith(acting));
    std::thread server([&] {
      ASSERT_TRUE(inHandler.Wait());
      source->Stop();
    });
    ASSERT_TRUE(camera.Emit(ColorAndDepth(1000 + round, kSystemTime)).delivered);
    server.join();
    // The server's Stop has returned: nothing streams, nothing is called.
    EXPECT_EQ(rs2sim::GetCounters().pipelinesStreaming, 0) << round;
    EXPECT_FALSE(camera.Emit(ColorAndDepth(1500 + round, kSystemTime)).delivered) << round;
    source->Stop();  // joins whatever the handler's Stop left
    acting.reset();
    EXPECT_EQ(callsAtRelease, "AP") << round;
  }
  EXPECT_TRUE(AllCountersZero());
}

// A server whose log sink and handler share a lock: the handler holds it and
// stops the source while the supervisor writes a line into that sink.
TEST_F(StopAnywhereTest, StopInsideTheHandlerWhileTheSupervisorLogsIntoTheServersLockedSink) {
  std::mutex serverLock;
  Latch holding;
  Latch sinkEntered;
  Latch stopped;
  const OnLine sink("Health: ", [&] {
    sinkEntered.Raise();
    const std::lock_guard<std::mutex> lock(serverLock);
  });
  auto acting = boost::make_shared<ActingHandler>(
      'P',
      [&] {
        const std::lock_guard<std::mutex> lock(serverLock);
        holding.Raise();
        ASSERT_TRUE(sinkEntered.Wait());
        source->Stop();
        stopped.Raise();
      },
      [](const std::string&) {});
  StartCamera("watchdog_ms=100&stats_s=1", acting);
  ASSERT_TRUE(camera.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
  ASSERT_TRUE(holding.Wait());
  clock->Step(1000);  // the health line is due
  EXPECT_TRUE(stopped.Wait());
  source->Stop();
  EXPECT_EQ(acting->Calls(), "AP");
  EXPECT_EQ(log.CountMatching(kInfo, "<cam> Health: packets 1 in 1.0 s .*"), 1u);
}

}  // namespace
}  // namespace vs_realsense2_test
