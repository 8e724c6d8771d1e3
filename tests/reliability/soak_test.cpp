// Many starts and stops while frames flow: nothing may reach a handler after
// Stop returns, and nothing (threads, library objects, memory) may pile up.
// VSRS_SOAK_CYCLES sets the cycles; CI runs the default.
#ifdef _WIN32
#include <windows.h>
#else
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "reliability_support.hpp"

namespace vs_realsense2_test {
namespace {

// Bytes handed out and not given back. Under a sanitizer or valgrind this is
// a constant, and their own leak checks take over.
std::size_t HeapInUse() {
#ifdef _WIN32
  // The C runtime allocates from the process heap: its busy blocks.
  const HANDLE heap = GetProcessHeap();
  std::size_t used = 0;
  if (!HeapLock(heap))
    return 0;
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry)) {
    if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0)
      used += entry.cbData;
  }
  HeapUnlock(heap);
  return used;
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

// Heap in use sampled once a cycle. The allocator's caches move with the
// load, so a lone sample can sit tens of kilobytes above the trend; the
// smallest sample of a stretch of cycles cannot. Growth compares the lowest
// sample of the last tenth of the cycles with that of the tenth after the
// warm-up.
class HeapTrend {
 public:
  explicit HeapTrend(int cycles) : cycles_(cycles) {}
  void Sample(int cycle) {
    const int tenth = std::max(1, cycles_ / 10);
    if (cycle >= tenth && cycle < 2 * tenth)
      early_ = std::min(early_, HeapInUse());
    if (cycle >= cycles_ - tenth)
      late_ = std::min(late_, HeapInUse());
  }
  std::size_t Growth() const { return late_ > early_ ? late_ - early_ : 0; }

 private:
  const int cycles_;
  std::size_t early_ = SIZE_MAX;
  std::size_t late_ = SIZE_MAX;
};

int SoakCycles() {
  const char* text = std::getenv("VSRS_SOAK_CYCLES");
  const int value = text == nullptr ? 0 : std::atoi(text);
  return value > 0 ? value : 1000;
}

// Warnings and errors only: the capture would keep thousands of Debug lines.
class SoakTest : public ReliabilityTest {
 protected:
  SoakTest() : ReliabilityTest(kWarning) {}

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

// Starts the source with a fresh handler, waits for a packet and stops it. A
// reader that outlived Stop shows as a handler the module still holds:
// returns 1 then.
std::size_t Cycle(vid_db::media::Source& source) {
  auto handler = boost::make_shared<PassingHandler>();
  const boost::weak_ptr<PassingHandler> watched = handler;
  source.Start(StartWith(handler));
  EXPECT_TRUE(handler->WaitForPacketCalls(1));
  source.Stop();
  handler.reset();
  return watched.expired() ? 0 : 1;
}

TEST_F(SoakTest, OneSourceStartedAndStoppedWhileFramesFlow) {
  std::size_t faults = 0;
  std::size_t errors = 0;
  HeapTrend heap(cycles);
  {
    const auto soaked = CreateSource(camera.Url(), "soak");
    const Feeder feeder(camera);
    for (int i = 0; i < cycles && !HasFailure(); ++i) {
      heap.Sample(i);
      faults += Cycle(*soaked);
      // "lost frames" when the feeder outruns the reader is fine, errors not.
      errors += log.Messages(kError).size();
      log.Clear();
    }
  }
  EXPECT_EQ(faults, 0u);
  EXPECT_EQ(errors, 0u);
  ExpectNothingLeft("after the cycles");
  // A leaked session, queue or frame wrapper (hundreds of bytes) per cycle
  // exceeds this over the cycles after the warm-up; the slack covers what the
  // allocator keeps per thread and per arena, which moves with the load.
  EXPECT_LE(heap.Growth(), 64u * 1024);
}

}  // namespace
}  // namespace vs_realsense2_test
