// Cameras that leave and come back: unplug, replug, stall, devices-changed callbacks and the
// wait of a start for a missing device.

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "sim_test_support.hpp"

namespace rs2sim_test {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr char kOther[] = "222222222222";
// Long enough to fail a test that waits for something that never comes; never reached otherwise.
constexpr milliseconds kFailureBound(20000);

void AddManualCamera(const std::string& serial) {
  rs2sim::DeviceSpec camera;
  camera.serial = serial;
  camera.manual = true;
  camera.modes = {{RS2_STREAM_COLOR, 0, RS2_FORMAT_RGB8, 640, 480, 30}};
  rs2sim::AddDevice(camera);
}

std::vector<std::string> Serials(const rs2::device_list& devices) {
  std::vector<std::string> serials;
  for (auto&& d : devices)
    serials.push_back(d.get_info(RS2_CAMERA_INFO_SERIAL_NUMBER));
  return serials;
}

bool Delivered() {
  return rs2sim::Emit(kManual, {{Color()}}).delivered;
}

// What one devices-changed callback saw: which of the devices known beforehand were removed or
// added, the serials of the new devices, and the thread of each call.
class ChangeLog {
 public:
  struct Event {
    std::vector<std::string> removed;  // known devices with was_removed
    std::vector<std::string> added;    // known devices with was_added
    std::vector<std::string> fresh;    // get_new_devices()
    std::thread::id thread;
  };

  explicit ChangeLog(std::vector<rs2::device> known) : known_(std::move(known)) {}

  void Add(const rs2::event_information& info) {
    Event event;
    for (const auto& d : known_) {
      const std::string serial = d.get_info(RS2_CAMERA_INFO_SERIAL_NUMBER);
      if (info.was_removed(d))
        event.removed.push_back(serial);
      if (info.was_added(d))
        event.added.push_back(serial);
    }
    event.fresh = Serials(info.get_new_devices());
    event.thread = std::this_thread::get_id();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(std::move(event));
    }
    arrived_.notify_all();
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, kFailureBound, [&] { return events_.size() >= count; });
  }
  std::vector<Event> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

 private:
  const std::vector<rs2::device> known_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Event> events_;
};

struct Log {
  std::shared_ptr<ChangeLog> into;
  void operator()(rs2::event_information& info) const { into->Add(info); }
};

// Signals when the callback object that holds it is destroyed (released by rs2sim).
class ReleaseSignal {
 public:
  class Token {
   public:
    explicit Token(ReleaseSignal* signal) : signal_(signal) {}
    ~Token() { signal_->Fire(); }
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;

   private:
    ReleaseSignal* signal_;
  };
  std::shared_ptr<Token> MakeToken() { return std::make_shared<Token>(this); }
  bool Fired() {
    std::lock_guard<std::mutex> lock(mutex_);
    return fired_;
  }
  bool WaitFired() {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, kFailureBound, [&] { return fired_; });
  }

 private:
  // Notifies under the lock: the waiter may destroy the signal as soon as it can lock.
  void Fire() {
    std::lock_guard<std::mutex> lock(mutex_);
    fired_ = true;
    done_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable done_;
  bool fired_ = false;
};

class Hotplug : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    UseManualCamera();
  }
};

TEST_F(Hotplug, UnplugCutsTheStreamingPipelineOffAndItsStopStillWorks) {
  auto collector = std::make_shared<Collector>();
  rs2::context ctx;
  const rs2::device before = ctx.query_devices().front();
  rs2::pipeline pipe(ctx);
  pipe.start(Collect{collector});
  ASSERT_TRUE(Delivered());

  EXPECT_TRUE(rs2sim::UnplugDevice(kManual));
  EXPECT_FALSE(Delivered());
  EXPECT_EQ(collector->Frames().size(), 1u);
  EXPECT_EQ(ctx.query_devices().size(), 0u);
  EXPECT_TRUE(rs2sim::DeviceSerials().empty());
  // A device handle taken before the unplug stays usable.
  EXPECT_STREQ(before.get_info(RS2_CAMERA_INFO_SERIAL_NUMBER), kManual);
  EXPECT_FALSE(rs2sim::UnplugDevice(kManual));  // already out
  EXPECT_FALSE(rs2sim::UnplugDevice("no-such-serial"));

  EXPECT_NO_THROW(pipe.stop());
  EXPECT_EQ(rs2sim::GetCounters().pipelinesStreaming, 0);
  EXPECT_EQ(rs2sim::GetCounters().callbacksAlive, 0);
}

class DevicesChanged : public Hotplug {};

TEST_F(DevicesChanged, ReportsRemovedThenAddedOnALibraryThread) {
  AddManualCamera(kOther);
  rs2::context ctx;
  auto log = std::make_shared<ChangeLog>(ctx.query_devices());
  ctx.set_devices_changed_callback(Log{log});

  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(rs2sim::ReplugDevice(kManual));
  ASSERT_TRUE(log->WaitFor(2));
  const auto events = log->Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].removed, std::vector<std::string>{kManual});
  EXPECT_TRUE(events[0].added.empty());
  EXPECT_TRUE(events[0].fresh.empty());
  EXPECT_TRUE(events[1].removed.empty());
  EXPECT_EQ(events[1].added, std::vector<std::string>{kManual});
  EXPECT_EQ(events[1].fresh, std::vector<std::string>{kManual});
  for (const auto& e : events)
    EXPECT_NE(e.thread, std::this_thread::get_id());
  EXPECT_EQ(rs2sim::GetCounters().callbacksAlive, 1);
}

#ifdef __linux__
#endif

class MissingDevice : public Hotplug {
 protected:
  // The error of a start of each kind, and how long each took.
  std::vector<std::pair<std::string, milliseconds>> StartErrors(rs2::config& config) {
    std::vector<std::pair<std::string, milliseconds>> results;
    const std::vector<std::function<void(rs2::pipeline&)>> starts = {
        [](rs2::pipeline& p) { p.start(); }, [&](rs2::pipeline& p) { p.start(config); },
        [](rs2::pipeline& p) { p.start([](rs2::frame) {}); },
        [&](rs2::pipeline& p) { p.start(config, [](rs2::frame) {}); }};
    for (const auto& start : starts) {
      rs2::pipeline pipe;
      const auto begin = steady_clock::now();
      std::string what = "started";
      try {
        start(pipe);
      } catch (const rs2::error& e) {
        what = e.what();
      }
      results.emplace_back(what,
                           std::chrono::duration_cast<milliseconds>(steady_clock::now() - begin));
    }
    return results;
  }
};

TEST_F(MissingDevice, DeviceArrivingDuringTheWaitLetsTheStartGoOn) {
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  rs2sim::SetMissingDeviceWait(kFailureBound);
  auto collector = std::make_shared<Collector>();
  rs2::pipeline pipe;
  rs2::config config;
  config.enable_device(kManual);
  std::string outcome;
  steady_clock::duration took{};
  std::thread starter([&] {
    const auto begin = steady_clock::now();
    try {
      pipe.start(config, Collect{collector});
      outcome = "started";
    } catch (const rs2::error& e) {
      outcome = e.what();
    }
    took = steady_clock::now() - begin;
  });
  ASSERT_TRUE(rs2sim::AwaitWaitingStarts(1, kFailureBound));
  AddManualCamera(kOther);  // not the wanted one: the start keeps waiting
  EXPECT_FALSE(rs2sim::AwaitWaitingStarts(0, milliseconds(50)));
  ASSERT_TRUE(rs2sim::ReplugDevice(kManual));
  starter.join();
  EXPECT_EQ(outcome, "started");
  EXPECT_LT(took, kFailureBound);
  EXPECT_TRUE(Delivered());
  EXPECT_EQ(collector->Frames().size(), 1u);
  pipe.stop();
}

// Sets (or, with an empty value, removes) a variable of this process's
// environment, which rs2sim reads.
void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value);
#else
  if (*value == '\0') {
    unsetenv(name);
  } else {
    setenv(name, value, 1);
  }
#endif
}

TEST_F(MissingDevice, EnvironmentShortensTheDefaultWait) {
  SetEnvironment("RS2SIM_MISSING_DEVICE_WAIT_MS", "100");
  rs2sim::ResetDevices();
  SetEnvironment("RS2SIM_MISSING_DEVICE_WAIT_MS", "");
  rs2sim::ClearDevices();
  rs2::pipeline pipe;
  const auto begin = steady_clock::now();
  try {
    pipe.start();
    ADD_FAILURE() << "started";
  } catch (const rs2::error& e) {
    EXPECT_STREQ(e.what(), "No device connected");
  }
  const auto took = steady_clock::now() - begin;
  EXPECT_GE(took, milliseconds(100));
  EXPECT_LT(took, milliseconds(15000)) << "the library's full wait";
}

}  // namespace
}  // namespace rs2sim_test
