// Many starts and stops while frames flow: nothing may reach a handler after
// Stop returns, and nothing (threads, library objects, memory) may pile up.
// VSRS_SOAK_CYCLES sets the single-source cycles (the eight-source rounds are
// a tenth of it); CI runs the defaults.
#include <malloc.h>

#include <algorithm>
#include <cstdlib>

#include "reliability_support.hpp"

namespace vs_realsense2_test {
namespace {

// Bytes handed out and not given back. Under a sanitizer or valgrind this is
// a constant, and their own leak checks take over.
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

int SoakCycles() {
  const char* text = std::getenv("VSRS_SOAK_CYCLES");
  const int value = text == nullptr ? 0 : std::atoi(text);
  return value > 0 ? value : 1000;
}

// Warnings and errors only: the capture would keep thousands of Debug lines.
class SoakTest : public ModuleTest {
 protected:
  SoakTest() : ModuleTest(orvlog::Severity::Warning) {}

  const int cycles = SoakCycles();
};

// Passes each packet on at once, as a host does: only the calls are kept.
class PassingHandler : public RecordingHandler {
 public:
  bool OnPacket(const vid_db::media::Packet& packet) override {
    RecordingHandler::OnPacket(packet);
    Clear();
    return true;
  }
};

// Starts each source with a fresh handler (their lives overlap), waits for a
// packet from each and stops them. A reader that outlived Stop shows as a
// call after it or as a handler the module still holds: returns their count.
std::size_t Cycle(const std::vector<vid_db::media::Source*>& sources) {
  std::vector<boost::shared_ptr<RecordingHandler>> handlers;
  for (vid_db::media::Source* source : sources) {
    handlers.push_back(boost::make_shared<PassingHandler>());
    source->Start(StartWith(handlers.back()));
  }
  std::vector<std::size_t> callsAtStop;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    EXPECT_TRUE(handlers[i]->WaitForPacketCalls(1));
    sources[i]->Stop();
    callsAtStop.push_back(handlers[i]->Calls().size());
  }
  std::size_t faults = 0;
  for (std::size_t i = 0; i < handlers.size(); ++i) {
    faults += handlers[i]->Calls().size() != callsAtStop[i];
    const boost::weak_ptr<RecordingHandler> watched = handlers[i];
    handlers[i].reset();
    faults += !watched.expired();
  }
  return faults;
}

TEST_F(SoakTest, OneSourceStartedAndStoppedWhileFramesFlow) {
  const ManualCamera camera("soak-1");
  const std::size_t threadsBefore = ThreadBaseline();
  std::size_t faults = 0;
  std::size_t errors = 0;
  std::size_t heapAfterWarmUp = 0;
  {
    const auto source = CreateSource(camera.Url(), "soak");
    const Feeder feeder({&camera});
    for (int i = 0; i < cycles && !HasFailure(); ++i) {
      if (i == std::max(1, cycles / 10))
        heapAfterWarmUp = HeapInUse();
      faults += Cycle({source.get()});
      // "lost frames" when the feeder outruns the reader is fine, errors not.
      errors += log.Messages(orvlog::Severity::Error).size();
      log.Clear();
    }
  }
  EXPECT_EQ(faults, 0u);
  EXPECT_EQ(errors, 0u);
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_TRUE(AllCountersZero());
  // A leaked session, queue or frame wrapper (hundreds of bytes) per cycle
  // exceeds this over the cycles after the warm-up; the slack covers what the
  // allocator keeps per thread and per arena, which moves with the load.
  EXPECT_LE(HeapInUse(), heapAfterWarmUp + 64 * 1024);
}

TEST_F(SoakTest, EightSourcesCycledFromFourHostThreads) {
  constexpr std::size_t kThreads = 4;
  std::vector<std::unique_ptr<ManualCamera>> cameras;
  std::vector<const ManualCamera*> fed;
  std::vector<boost::shared_ptr<vid_db::media::Source>> sources;
  for (std::size_t i = 0; i < 2 * kThreads; ++i) {
    cameras.push_back(std::make_unique<ManualCamera>("soak-multi-" + std::to_string(i)));
    fed.push_back(cameras.back().get());
    sources.push_back(CreateSource(cameras.back()->Url(), "multi"));
  }
  const std::size_t threadsBefore = ThreadBaseline();
  std::vector<std::size_t> faults(kThreads, 0);
  {
    const Feeder feeder(fed);
    std::vector<std::thread> hosts;
    // Each source belongs to one host thread: a host never calls one source
    // from two threads at once.
    for (std::size_t t = 0; t < kThreads; ++t) {
      hosts.emplace_back([&, t] {
        for (int round = 0; round < std::max(1, cycles / 10); ++round)
          faults[t] += Cycle({sources[2 * t].get(), sources[2 * t + 1].get()});
      });
    }
    for (auto& host : hosts)
      host.join();
  }
  EXPECT_EQ(faults, std::vector<std::size_t>(kThreads, 0));
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_TRUE(AllCountersZero());
  EXPECT_TRUE(log.Messages(orvlog::Severity::Error).empty());
}

}  // namespace
}  // namespace vs_realsense2_test
