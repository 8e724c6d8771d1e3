// Randomized operations on several sources at once, from server threads and
// from inside handlers, while cameras come and go, stall, lose colour and
// step their clocks, and the supervisors' time runs fast; what is checked
// throughout, after each round and at the end is in docs/RELIABILITY.md.
// Seeded: a failure prints the seed, and VSRS_STRESS_SEED replays it.
// VSRS_STRESS_SECONDS sets the length (default 10).

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <boost/weak_ptr.hpp>
#include <librealsense2/rs.hpp>

#include "reliability_support.hpp"
#include "stepped_source_test.hpp"
#include "thread_reaper.hpp"

namespace vs_realsense2_test {
namespace {

constexpr int kSources = 4;
constexpr int kServerThreads = 3;
constexpr std::int64_t kWatchdogMs = 100;
// Watchdog, first-packet grace, the longest delay before a build, and a look.
constexpr std::int64_t kRecoveryBoundMs = kWatchdogMs + 5000 + 30000 + kWatchdogMs / 4;

std::uint64_t EnvOr(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  return text == nullptr ? fallback : std::strtoull(text, nullptr, 10);
}

// What went wrong first, and how often anything did.
struct Violations {
  void Add(const std::string& what) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (count++ == 0)
      first = what;
  }
  std::string Report() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return count == 0 ? "" : std::to_string(count) + " violations, the first: " + first;
  }

  mutable std::mutex mutex;
  std::size_t count = 0;
  std::string first;
  std::atomic<std::uint64_t> checks{0};
};

class StressHandler;

// Drops `source`; true when that was its last reference, so that the release
// has returned when the caller goes on. A server thread holding a copy at the
// same time releases it instead, and may not have returned yet.
bool DropLast(boost::shared_ptr<vid_db::media::Source>& source) {
  const bool last = source && source.use_count() == 1;
  source.reset();
  return last;
}

// A source as the server holds it, with the handler of its last Start.
struct Slot {
  std::string name;
  std::unique_ptr<ManualCamera> camera;
  std::mutex mutex;
  boost::shared_ptr<vid_db::media::Source> source;  // guarded by mutex
  boost::shared_ptr<StressHandler> handler;         // guarded by mutex
  std::atomic<bool> colourLost{false};
  std::atomic<std::int64_t> clockOffset{0};
  std::atomic<bool> unplugged{false};
  std::atomic<bool> stalled{false};
  std::atomic<std::size_t> stepsBack{0};  // packet times back across a restart
  std::atomic<std::size_t> rebases{0};    // and within a session
};

// One Start's handler. Checks every call it gets; acts as told: throws, is
// slow, stops or releases its source from inside.
class StressHandler : public vid_db::media::SourceHandler {
 public:
  enum class Act { None, Throw, Slow, Stop, Release };

  // `source` is the one this handler is started with: the slot may hold a
  // newer one by the time it acts.
  StressHandler(Slot& slot, Violations& violations, boost::weak_ptr<vid_db::media::Source> source)
      : slot_(slot), violations_(violations), source_(std::move(source)) {}

  bool OnStatus(vid_db::media::SourceStatus /*status*/) override { return true; }
  bool OnParams(const vid_db::media::StreamParams& /*params*/) override {
    Check("OnParams");
    const std::lock_guard<std::mutex> lock(mutex_);
    announced_ = true;
    everAnnounced_ = true;
    return true;
  }
  bool OnPacket(const vid_db::media::Packet& packet) override {
    Check("OnPacket");
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!everAnnounced_)
        violations_.Add(slot_.name + ": a packet before any OnParams");
      // Counted against the lines that explain them: a step back across a
      // restart is warned about, a new base within a session (the camera's
      // clock went back) is an Error line, and the base is "now".
      if (packets_ > 0 && packet.time <= lastTime_)
        ++(announced_ ? slot_.stepsBack : slot_.rebases);
      announced_ = false;
      lastTime_ = packet.time;
      ++packets_;
    }
    changed_.notify_all();
    switch (act_.exchange(Act::None)) {
      case Act::Throw:
        throw std::runtime_error("stress");
      case Act::Slow:
        // The server busy with something else for a while.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        break;
      case Act::Stop:
        if (const auto source = source_.lock()) {
          source->Stop();
          Closed("a Stop inside the handler");
        }
        break;
      case Act::Release: {
        boost::shared_ptr<vid_db::media::Source> released;
        {
          const std::lock_guard<std::mutex> lock(slot_.mutex);
          if (IsFor(slot_.source))
            released.swap(slot_.source);
        }
        if (DropLast(released))
          Closed("a release inside the handler");
        break;
      }
      case Act::None:
        break;
    }
    return true;
  }

  void Set(Act act) { act_.store(act); }
  // No call may begin after this.
  void Closed(const char* why) { closed_.store(why); }
  // Compares owners without locking: a lock would be a reference of its own,
  // and whoever drops the last reference is the one who releases.
  bool IsFor(const boost::shared_ptr<vid_db::media::Source>& source) const {
    return source && !source_.owner_before(source) && !source.owner_before(source_);
  }
  bool WaitForMorePackets(std::size_t more, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::size_t target = packets_ + more;
    return changed_.wait_for(lock, limit, [&] { return packets_ >= target; });
  }

 private:
  void Check(const char* call) {
    ++violations_.checks;
    if (const char* why = closed_.load())
      violations_.Add(slot_.name + ": " + call + " after " + why);
  }

  Slot& slot_;
  Violations& violations_;
  const boost::weak_ptr<vid_db::media::Source> source_;
  std::atomic<Act> act_{Act::None};
  std::atomic<const char*> closed_{nullptr};
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool announced_ = false;  // since the last packet: a new session began
  bool everAnnounced_ = false;
  std::int64_t lastTime_ = 0;
  std::size_t packets_ = 0;
};

class StressTest : public SteppedSourceTest {
 protected:
  // Warnings and errors only: the capture would keep every frame's Debug line.
  StressTest() : SteppedSourceTest(orvlog::Severity::Warning) {
    for (int i = 0; i < kSources; ++i) {
      auto slot = std::make_unique<Slot>();
      slot->name = "s" + std::to_string(i);
      slot->camera = std::make_unique<ManualCamera>("stress-" + std::to_string(i));
      slots_.push_back(std::move(slot));
    }
  }

  // A Start with a fresh handler: "" when the source streams now, or was
  // started already (it keeps its handler); otherwise why it does not.
  std::string Start(Slot& slot) {
    boost::shared_ptr<vid_db::media::Source> source;
    {
      const std::lock_guard<std::mutex> lock(slot.mutex);
      if (!slot.source)
        slot.source = CreateSourceAt(
            slot.camera->Url("watchdog_ms=" + std::to_string(kWatchdogMs) + "&stats_s=5"),
            slot.name);
      source = slot.source;
    }
    auto handler = boost::make_shared<StressHandler>(slot, violations_, source);
    try {
      source->Start(StartWith(handler));
    } catch (const rs2::error& e) {
      // The camera is away, or still held by a source released inside its
      // handler whose teardown goes on: the library said so.
      return e.what();
    } catch (const std::runtime_error& e) {
      if (std::string(e.what()) != "already started: ")
        violations_.Add(slot.name + ": Start threw " + e.what());
      return "";
    }
    const std::lock_guard<std::mutex> lock(slot.mutex);
    if (slot.source != source)
      return "released meanwhile";  // nothing will call this handler
    slot.handler = handler;
    return "";
  }

  // Stops the slot's source, or lets it go. A handler of a later Start, or
  // of another source the slot held before, is not that source's.
  void StopOrRelease(Slot& slot, bool release) {
    boost::shared_ptr<vid_db::media::Source> source;
    boost::shared_ptr<StressHandler> handler;
    {
      const std::lock_guard<std::mutex> lock(slot.mutex);
      if (release)
        source.swap(slot.source);
      else
        source = slot.source;
      handler = slot.handler;
    }
    if (!source || !handler || !handler->IsFor(source))
      handler.reset();
    if (release) {
      if (DropLast(source) && handler)
        handler->Closed("the release");
    } else if (source) {
      source->Stop();  // that source's run is joined
      if (handler)
        handler->Closed("Stop returned");
    }
  }

  void RandomOperation(std::mt19937_64& random) {
    Slot& slot = *slots_[random() % slots_.size()];
    const std::string& serial = slot.camera->Serial();
    switch (random() % 14) {
      case 0:
      case 1:
        Start(slot);
        break;
      case 2:
      case 3:
        StopOrRelease(slot, random() % 2 == 0);
        break;
      case 4:
      case 5: {
        const std::lock_guard<std::mutex> lock(slot.mutex);
        if (slot.handler)  // any but None
          slot.handler->Set(static_cast<StressHandler::Act>(1 + random() % 4));
        break;
      }
      case 6:
        if (!slot.unplugged.exchange(true))
          rs2sim::UnplugDevice(serial);
        break;
      case 7:
        if (slot.unplugged.exchange(false))
          rs2sim::ReplugDevice(serial);
        break;
      case 8:
        slot.stalled = !slot.stalled;
        rs2sim::StallDevice(serial, slot.stalled);
        break;
      case 9:
        slot.colourLost = !slot.colourLost;
        break;
      case 10:
        slot.clockOffset -= 600000;  // the camera's clock set back ten minutes
        break;
      default:
        clock->Step(static_cast<std::int64_t>(random() % 400));
        break;
    }
  }

  // Cameras present, streaming, with colour, handlers calm; then every source
  // started, and each delivers again within the bound of stepped time,
  // stepped an eighth at a time while its frames flow.
  void HealAndExpectAllRecover(const std::string& context) {
    for (const auto& slot : slots_) {
      if (slot->unplugged.exchange(false))
        rs2sim::ReplugDevice(slot->camera->Serial());
      slot->stalled = false;
      rs2sim::StallDevice(slot->camera->Serial(), false);
      slot->colourLost = false;
      const std::lock_guard<std::mutex> lock(slot->mutex);
      if (slot->handler)
        slot->handler->Set(StressHandler::Act::None);
    }
    // Sources released inside their handlers end by themselves; until they
    // have, their cameras are busy.
    vs_realsense2::ThreadReaper::Instance().JoinAll();
    std::vector<boost::shared_ptr<StressHandler>> handlers;
    for (const auto& slot : slots_) {
      ASSERT_EQ(Start(*slot), "") << slot->name << " after " << context;
      // A new handler, or the one calmed above.
      const std::lock_guard<std::mutex> lock(slot->mutex);
      handlers.push_back(slot->handler);
    }
    std::vector<bool> delivered(handlers.size(), false);
    const auto lookFor = [&](std::chrono::milliseconds wait) {
      bool all = true;
      for (std::size_t i = 0; i < handlers.size(); ++i) {
        ++violations_.checks;
        delivered[i] = delivered[i] || handlers[i]->WaitForMorePackets(1, wait);
        all = all && delivered[i];
      }
      return all;
    };
    for (int eighth = 0; !lookFor(std::chrono::milliseconds(300)); ++eighth) {
      if (eighth == 8) {
        // The whole bound has been stepped: a source built at its very end
        // (the longest delay) may still be starting, which under a sanitizer
        // on a loaded machine takes longer than a look. Real time only bounds
        // a failure.
        lookFor(std::chrono::milliseconds(10000));
        break;
      }
      Step(kRecoveryBoundMs / 8, slots_.size());
    }
    for (std::size_t i = 0; i < handlers.size(); ++i)
      EXPECT_TRUE(delivered[i]) << slots_[i]->name << " silent after " << context;
  }

  void Feed(const std::atomic<bool>& stopping) {
    const auto start = std::chrono::steady_clock::now();
    while (!stopping.load()) {
      const auto elapsed = std::chrono::steady_clock::now() - start;
      for (const auto& slot : slots_) {
        const auto time = static_cast<double>(
            std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() + 1'000'000 +
            slot->clockOffset.load());
        rs2sim::FramesetSpec set{{DepthFrame(time, kHardware, 64, 48)}};
        if (!slot->colourLost)
          set.frames.insert(set.frames.begin(),
                            ColorFrame(time, kHardware, RS2_FORMAT_RGB8, 64, 48));
        slot->camera->Emit(set);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));  // a camera's pace
    }
  }

  static constexpr auto kHardware = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK;
  Violations violations_;
  std::vector<std::unique_ptr<Slot>> slots_;
};

TEST_F(StressTest, RandomOperationsFromEveryThreadKeepEveryPromise) {
  const std::uint64_t seed = EnvOr("VSRS_STRESS_SEED", std::random_device{}());
  const auto length = std::chrono::seconds(EnvOr("VSRS_STRESS_SECONDS", 10));
  SCOPED_TRACE("VSRS_STRESS_SEED=" + std::to_string(seed));
  std::cout << "stress seed " << seed << ", " << length.count() << " s\n";
  const std::size_t threadsAtStart = ThreadBaseline();
  std::uint64_t operations = 0;
  int rounds = 0;
  const auto end = std::chrono::steady_clock::now() + length;
  {
    std::atomic<bool> stopping{false};
    std::thread feeder([&] { Feed(stopping); });
    while (std::chrono::steady_clock::now() < end && !HasFailure()) {
      ++rounds;
      std::atomic<bool> roundOver{false};
      std::atomic<std::uint64_t> done{0};
      std::vector<std::thread> servers;
      for (int t = 0; t < kServerThreads; ++t) {
        servers.emplace_back([&, threadSeed = seed + static_cast<std::uint64_t>(rounds * 31 + t)] {
          std::mt19937_64 random(threadSeed);
          while (!roundOver.load()) {
            RandomOperation(random);
            ++done;
          }
        });
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the round's length
      roundOver = true;
      for (std::thread& server : servers)
        server.join();
      operations += done;
      HealAndExpectAllRecover("round " + std::to_string(rounds));
    }
    for (const auto& slot : slots_)
      StopOrRelease(*slot, true);
    stopping = true;
    feeder.join();
  }
  // Supervisors of sources released inside their handlers end by themselves.
  vs_realsense2::ThreadReaper::Instance().JoinAll();
  for (const auto& slot : slots_) {
    const std::string tag = "<" + slot->name + "> ";
    EXPECT_LE(slot->stepsBack,
              log.CountMatching(kWarning, tag + "ProcessVideoFrames: packet times stepped back .*"))
        << slot->name;
    EXPECT_LE(slot->rebases,
              log.CountMatching(kError, tag + "ConvDevTimeToSys: time decreased: .*"))
        << slot->name;
    slot->handler.reset();
  }
  std::cout << "stress: " << rounds << " rounds, " << operations << " operations, "
            << log.CountMatching(kWarning, "<s\\d> Watchdog: .*restarting.*") << " restarts, "
            << violations_.checks << " invariant checks\n";
  EXPECT_EQ(violations_.Report(), "");
  EXPECT_EQ(ThreadCount(), threadsAtStart);
  EXPECT_TRUE(AllCountersZero());
}

}  // namespace
}  // namespace vs_realsense2_test
