// Many starts and stops while frames flow: nothing may reach a handler after
// Stop returns, and nothing (threads, library objects, memory) may pile up.
// VSRS_SOAK_CYCLES sets the single-source cycles (the eight-source cycles are
// a tenth of it); CI runs the defaults.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <boost/make_shared.hpp>
#include <boost/weak_ptr.hpp>

#include "camera_test.hpp"
#include "reliability_support.hpp"

namespace vs_reliability {
namespace {

using vs_realsense2_test::AllCountersZero;
using vs_realsense2_test::StartWith;
using vs_test_support::ManualCamera;

// Warnings and errors only: a soak writes thousands of Debug lines that the
// capture would otherwise keep.
class SoakTest : public vs_realsense2_test::ModuleTest {
 protected:
  SoakTest() : ModuleTest(orvlog::Severity::Warning) {}

  const int cycles = ScaledCount("VSRS_SOAK_CYCLES", 1000);
};

// One cycle: a fresh handler, frames seen, Stop, and the module's copy of the
// handler gone with the session.
// A reader that outlived Stop shows as a late call, as a handler the module
// still holds, or as a thread left at the end.
void Cycle(vid_db::media::Source& source, std::size_t& lateCalls, std::size_t& handlersKept) {
  auto handler = boost::make_shared<GuardedHandler>();
  const boost::weak_ptr<GuardedHandler> watched = handler;
  source.Start(StartWith(handler));
  EXPECT_TRUE(handler->WaitForPackets(1));
  source.Stop();
  handler->Close();
  lateCalls += handler->LateCalls();
  handler.reset();
  if (!watched.expired())
    ++handlersKept;
}

TEST_F(SoakTest, OneSourceStartedAndStoppedWhileFramesFlow) {
  const ManualCamera camera("soak-1");
  const std::size_t threadsBefore = ThreadBaseline();
  std::size_t lateCalls = 0;
  std::size_t handlersKept = 0;
  std::size_t heapAfterWarmUp = 0;
  std::size_t errors = 0;
  {
    const auto source = CreateSource(camera.Url(), "soak");
    const Feeder feeder({&camera});
    const int warmUp = std::max(1, cycles / 10);
    for (int i = 0; i < cycles; ++i) {
      if (i == warmUp)
        heapAfterWarmUp = HeapInUse();
      Cycle(*source, lateCalls, handlersKept);
      // The capture keeps what it takes; a "lost frames" line when the
      // feeder outruns the reader is expected, an error is not.
      errors += log.Messages(orvlog::Severity::Error).size();
      log.Clear();
      if (HasFailure())
        break;
    }
    EXPECT_GT(feeder.Delivered(), 0);
  }
  EXPECT_EQ(lateCalls, 0u);
  EXPECT_EQ(handlersKept, 0u);
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters()));
  // A leaked session, queue or frame wrapper (hundreds of bytes) per cycle
  // exceeds this over the cycles after the warm-up; the slack covers what the
  // allocator keeps per thread and per arena, which moves with the machine's
  // load.
  EXPECT_LE(HeapInUse(), heapAfterWarmUp + 64 * 1024);
  EXPECT_EQ(errors, 0u);
}

TEST_F(SoakTest, EightSourcesCycledFromFourHostThreads) {
  constexpr int kSources = 8;
  constexpr int kThreads = 4;
  const int rounds = std::max(1, cycles / 10);
  std::vector<std::unique_ptr<ManualCamera>> cameras;
  std::vector<const ManualCamera*> fed;
  for (int i = 0; i < kSources; ++i) {
    cameras.push_back(std::make_unique<ManualCamera>("soak-multi-" + std::to_string(i)));
    fed.push_back(cameras.back().get());
  }
  std::vector<boost::shared_ptr<vid_db::media::Source>> sources;
  for (int i = 0; i < kSources; ++i)
    sources.push_back(CreateSource(cameras[static_cast<std::size_t>(i)]->Url(), "multi"));
  const std::size_t threadsBefore = ThreadBaseline();

  std::vector<std::size_t> lateCalls(kThreads, 0);
  std::vector<std::size_t> handlersKept(kThreads, 0);
  {
    const Feeder feeder(fed);
    std::vector<std::thread> hosts;
    for (int t = 0; t < kThreads; ++t) {
      // Each source belongs to one host thread: the host never calls one
      // source from two threads at once.
      hosts.emplace_back([&, t] {
        auto& first = *sources[static_cast<std::size_t>(2 * t)];
        auto& second = *sources[static_cast<std::size_t>(2 * t + 1)];
        const auto index = static_cast<std::size_t>(t);
        for (int round = 0; round < rounds; ++round) {
          // Overlapping lives: the second starts while the first streams.
          auto a = boost::make_shared<GuardedHandler>();
          auto b = boost::make_shared<GuardedHandler>();
          first.Start(StartWith(a));
          second.Start(StartWith(b));
          EXPECT_TRUE(a->WaitForPackets(1));
          EXPECT_TRUE(b->WaitForPackets(1));
          first.Stop();
          a->Close();
          second.Stop();
          b->Close();
          lateCalls[index] += a->LateCalls() + b->LateCalls();
          const boost::weak_ptr<GuardedHandler> watchedA = a;
          const boost::weak_ptr<GuardedHandler> watchedB = b;
          a.reset();
          b.reset();
          handlersKept[index] += (watchedA.expired() ? 0 : 1) + (watchedB.expired() ? 0 : 1);
        }
      });
    }
    for (auto& host : hosts)
      host.join();
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(lateCalls[static_cast<std::size_t>(t)], 0u) << "host thread " << t;
    EXPECT_EQ(handlersKept[static_cast<std::size_t>(t)], 0u) << "host thread " << t;
  }
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters()));
  EXPECT_TRUE(log.Messages(orvlog::Severity::Error).empty());
}

}  // namespace
}  // namespace vs_reliability
