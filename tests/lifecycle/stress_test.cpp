// Randomized operations on several sources at once, from server threads and
// from inside handlers, while cameras come and go, stall, lose colour and
// step their clocks, and the supervisors' time runs fast. Seeded: a failure
// prints the seed, and VSRS_STRESS_SEED replays it. VSRS_STRESS_SECONDS sets
// the length (default 10).
//
// Checked throughout: no handler call after Stop returned, after release or
// after a Stop from inside the handler; OnParams before a handler's first
// packet; packet times strictly increasing per source, except a step back
// across a restart that was warned about, or within a session where the
// camera's clock went back (an Error line; the new base is "now"). Checked after every round:
// each started source whose camera is present delivers again within the
// watchdog, the first-packet grace and the longest backoff. At the end: no
// thread, frame, pipeline or library callback left.

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
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
class Violations {
 public:
  void Add(const std::string& what) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (count_++ == 0)
      first_ = what;
  }
  void Checked() { checks_.fetch_add(1, std::memory_order_relaxed); }
  std::uint64_t Checks() const { return checks_.load(std::memory_order_relaxed); }
  std::string Report() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return count_ == 0 ? "" : std::to_string(count_) + " violations, the first: " + first_;
  }

 private:
  mutable std::mutex mutex_;
  std::size_t count_ = 0;
  std::string first_;
  std::atomic<std::uint64_t> checks_{0};
};

struct Slot;

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
  bool OnParams(const vid_db::media::StreamParams& /*params*/) override;
  bool OnPacket(const vid_db::media::Packet& packet) override;

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
  std::size_t Steps() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return steps_;
  }
  std::size_t Rebases() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return rebases_;
  }

 private:
  void Check(const char* call);

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
  std::size_t steps_ = 0;    // times that went back across a restart
  std::size_t rebases_ = 0;  // times that went back within a session
};

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
  std::atomic<std::size_t> stepsBack{0};  // summed over handlers let go
  std::atomic<std::size_t> rebases{0};
};

void StressHandler::Check(const char* call) {
  violations_.Checked();
  if (const char* why = closed_.load())
    violations_.Add(slot_.name + ": " + call + " after " + why);
}

bool StressHandler::OnParams(const vid_db::media::StreamParams& /*params*/) {
  Check("OnParams");
  const std::lock_guard<std::mutex> lock(mutex_);
  announced_ = true;
  everAnnounced_ = true;
  return true;
}

bool StressHandler::OnPacket(const vid_db::media::Packet& packet) {
  Check("OnPacket");
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!everAnnounced_)
      violations_.Add(slot_.name + ": a packet before any OnParams");
    // Counted against the lines that explain them: a step back across a
    // restart is warned about, a new base within a session (the camera's
    // clock went back) is an Error line, and the base is "now".
    if (packets_ > 0 && packet.time <= lastTime_)
      ++(announced_ ? steps_ : rebases_);
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
      // The release is this call's only when no server thread holds the
      // source at the same time; otherwise that thread's copy is the last,
      // and its release has not returned when this call goes on.
      const bool last = released && released.use_count() == 1;
      released.reset();
      if (last)
        Closed("a release inside the handler");
      break;
    }
    case Act::None:
      break;
  }
  return true;
}

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

  boost::shared_ptr<vid_db::media::Source> NewSource(Slot& slot) {
    vid_db::media::SourceSettings settings;
    settings.url = slot.camera->Url("watchdog_ms=" + std::to_string(kWatchdogMs) + "&stats_s=5");
    settings.name = slot.name;
    return boost::make_shared<vs_realsense2::MediaSource>(settings, clock);
  }

  // What a Start with a fresh handler did: the source was stopped and now
  // streams, was started already (it keeps its handler), or did not start
  // (`why`).
  enum class StartResult { Streaming, AlreadyStarted, Failed };

  StartResult Start(Slot& slot, std::string* why = nullptr) {
    boost::shared_ptr<vid_db::media::Source> source;
    {
      const std::lock_guard<std::mutex> lock(slot.mutex);
      if (!slot.source)
        slot.source = NewSource(slot);
      source = slot.source;
    }
    auto handler = boost::make_shared<StressHandler>(slot, violations_, source);
    try {
      source->Start(StartWith(handler));
    } catch (const rs2::error& e) {
      // The camera is away, or still held by a source released inside its
      // handler whose teardown goes on: the library said so.
      if (why != nullptr)
        *why = e.what();
      return StartResult::Failed;
    } catch (const std::runtime_error& e) {
      if (std::string(e.what()) != "already started: ")
        violations_.Add(slot.name + ": Start threw " + e.what());
      return StartResult::AlreadyStarted;
    }
    const std::lock_guard<std::mutex> lock(slot.mutex);
    if (slot.source != source) {
      if (why != nullptr)
        *why = "released meanwhile";
      return StartResult::Failed;  // nothing will call this handler
    }
    if (slot.handler) {
      slot.stepsBack += slot.handler->Steps();
      slot.rebases += slot.handler->Rebases();
    }
    slot.handler = handler;
    return StartResult::Streaming;
  }

  void Stop(Slot& slot) {
    boost::shared_ptr<vid_db::media::Source> source;
    boost::shared_ptr<StressHandler> handler;
    {
      const std::lock_guard<std::mutex> lock(slot.mutex);
      source = slot.source;
      handler = slot.handler;
    }
    if (!source)
      return;
    source->Stop();
    // That source's run is joined; a handler of a later Start, or of another
    // source the slot held before, is not this one.
    if (handler && handler->IsFor(source))
      handler->Closed("Stop returned");
  }

  void Release(Slot& slot) {
    boost::shared_ptr<vid_db::media::Source> source;
    boost::shared_ptr<StressHandler> handler;
    {
      const std::lock_guard<std::mutex> lock(slot.mutex);
      source.swap(slot.source);
      handler = slot.handler;
    }
    const bool itsHandler = handler && handler->IsFor(source);
    const bool last = source && source.use_count() == 1;
    source.reset();
    if (last && itsHandler)
      handler->Closed("the release");
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
        Stop(slot);
        break;
      case 3:
        Release(slot);
        break;
      case 4:
      case 5: {
        const std::lock_guard<std::mutex> lock(slot.mutex);
        if (slot.handler) {
          const StressHandler::Act acts[] = {StressHandler::Act::Throw, StressHandler::Act::Slow,
                                             StressHandler::Act::Stop, StressHandler::Act::Release};
          slot.handler->Set(acts[random() % 4]);
        }
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

  // Cameras present, streaming, with colour; handlers calm.
  void Heal() {
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
  }

  // Every source started; each delivers again within the bound of stepped
  // time, stepped an eighth at a time while its frames flow.
  void ExpectAllRecover(const std::string& context) {
    // Sources released inside their handlers end by themselves; until they
    // have, their cameras are busy.
    vs_realsense2::ThreadReaper::Instance().JoinAll();
    std::vector<boost::shared_ptr<StressHandler>> handlers;
    for (const auto& slot : slots_) {
      std::string why;
      ASSERT_NE(Start(*slot, &why), StartResult::Failed)
          << slot->name << " after " << context << ": " << why;
      const std::lock_guard<std::mutex> lock(slot->mutex);
      slot->handler->Set(StressHandler::Act::None);
      handlers.push_back(slot->handler);
    }
    std::vector<bool> delivered(handlers.size(), false);
    for (int eighth = 0; eighth <= 8; ++eighth) {
      if (eighth > 0)
        Step(kRecoveryBoundMs / 8, slots_.size());
      bool all = true;
      for (std::size_t i = 0; i < handlers.size(); ++i) {
        violations_.Checked();
        delivered[i] =
            delivered[i] || handlers[i]->WaitForMorePackets(1, std::chrono::milliseconds(300));
        all = all && delivered[i];
      }
      if (all)
        return;
    }
    for (std::size_t i = 0; i < handlers.size(); ++i)
      EXPECT_TRUE(delivered[i]) << slots_[i]->name << " silent after " << context;
  }

  void Feed(const std::atomic<bool>& stopping) {
    const auto start = std::chrono::steady_clock::now();
    while (!stopping.load()) {
      for (const auto& slot : slots_) {
        const double time =
            static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count() +
                                1'000'000 + slot->clockOffset.load());
        rs2sim::FramesetSpec set =
            slot->colourLost ? rs2sim::FramesetSpec{{DepthFrame(time, kHardware, 64, 48)}}
                             : rs2sim::FramesetSpec{{vs_test_support::ColorFrame(
                                                         time, kHardware, RS2_FORMAT_RGB8, 64, 48),
                                                     DepthFrame(time, kHardware, 64, 48)}};
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
      Heal();
      ExpectAllRecover("round " + std::to_string(rounds));
    }
    for (const auto& slot : slots_)
      Release(*slot);
    stopping = true;
    feeder.join();
  }
  // Supervisors of sources released inside their handlers end by themselves.
  vs_realsense2::ThreadReaper::Instance().JoinAll();
  std::size_t steps = 0;
  std::size_t rebases = 0;
  for (const auto& slot : slots_) {
    const std::size_t slotSteps = slot->stepsBack + (slot->handler ? slot->handler->Steps() : 0);
    const std::size_t slotRebases = slot->rebases + (slot->handler ? slot->handler->Rebases() : 0);
    EXPECT_LE(slotSteps,
              log.CountMatching(kWarning, "<" + slot->name +
                                              "> ProcessVideoFrames: packet times stepped back .*"))
        << slot->name;
    EXPECT_LE(slotRebases, log.CountMatching(
                               kError, "<" + slot->name + "> ConvDevTimeToSys: time decreased: .*"))
        << slot->name;
    steps += slotSteps;
    rebases += slotRebases;
    slot->handler.reset();
  }
  std::cout << "stress: " << rounds << " rounds, " << operations << " operations, "
            << log.CountMatching(kWarning, "<s\\d> Watchdog: .*restarting.*") << " restarts, "
            << violations_.Checks() << " invariant checks, " << steps
            << " warned steps back across restarts, " << rebases << " within sessions\n";
  EXPECT_EQ(violations_.Report(), "");
  EXPECT_EQ(ThreadCount(), threadsAtStart);
  EXPECT_TRUE(AllCountersZero());
}

}  // namespace
}  // namespace vs_realsense2_test
