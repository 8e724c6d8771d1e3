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

#ifdef __linux__
// Threads of rs2sim's devices-changed notification, by their name in /proc.
std::size_t NotificationThreads() {
  std::size_t count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    count += name == "rs2sim-hotplug";
  }
  return count;
}

// That count once it is `expected`, or after a bound meant for failure only. A joined thread
// leaves /proc/self/task a moment after the join returns (the kernel wakes the joiner before it
// removes the task, and a busy machine may hold it there) and gives no notice of it, so the
// count is read again until then.
std::size_t SettledNotificationThreads(std::size_t expected) {
  const auto deadline = steady_clock::now() + std::chrono::seconds(5);
  std::size_t count = NotificationThreads();
  while (count != expected && steady_clock::now() < deadline) {
    std::this_thread::yield();
    count = NotificationThreads();
  }
  return count;
}
#endif

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

TEST_F(Hotplug, UnpluggedPipelineCanBeDeletedWithoutStop) {
  {
    rs2::pipeline pipe;
    pipe.start(Collect{std::make_shared<Collector>()});
    ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  }
  EXPECT_EQ(rs2sim::GetCounters().pipelinesAlive, 0);
  EXPECT_EQ(rs2sim::GetCounters().pipelinesStreaming, 0);
}

TEST_F(Hotplug, TimerCameraDeliversNothingOnceUnplugged) {
  rs2sim::ResetDevices();
  rs2sim::SetMissingDeviceWait(milliseconds(0));
  const std::string serial = rs2sim::DefaultSerial(0);
  rs2::pipeline pipe;
  pipe.start();
  rs2::frameset frames;
  ASSERT_TRUE(pipe.try_wait_for_frames(&frames, 20000));

  ASSERT_TRUE(rs2sim::UnplugDevice(serial));
  // At most the frameset that was on its way when the cable went; 10 frame periods each.
  pipe.try_wait_for_frames(&frames, 330);
  EXPECT_FALSE(pipe.try_wait_for_frames(&frames, 330));

  ASSERT_TRUE(rs2sim::ReplugDevice(serial));
  EXPECT_FALSE(pipe.try_wait_for_frames(&frames, 330)) << "the old session stays cut off";
  pipe.stop();
  pipe.start();
  EXPECT_TRUE(pipe.try_wait_for_frames(&frames, 20000));
  pipe.stop();
}

TEST_F(Hotplug, TimerCameraDeliversNothingWhileStalled) {
  rs2sim::ResetDevices();
  rs2sim::SetMissingDeviceWait(milliseconds(0));
  const std::string serial = rs2sim::DefaultSerial(0);
  rs2::pipeline pipe;
  pipe.start();
  rs2::frameset frames;
  ASSERT_TRUE(pipe.try_wait_for_frames(&frames, 20000));

  rs2sim::StallDevice(serial, true);
  pipe.try_wait_for_frames(&frames, 330);
  EXPECT_FALSE(pipe.try_wait_for_frames(&frames, 330));
  rs2sim::StallDevice(serial, false);
  EXPECT_TRUE(pipe.try_wait_for_frames(&frames, 20000));
  pipe.stop();
}

TEST_F(Hotplug, ReplugBringsTheSameDeviceBackForANewStart) {
  auto collector = std::make_shared<Collector>();
  rs2::pipeline pipe;
  pipe.start(Collect{collector});
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  pipe.stop();
  EXPECT_FALSE(rs2sim::ReplugDevice("no-such-serial"));

  EXPECT_TRUE(rs2sim::ReplugDevice(kManual));
  EXPECT_FALSE(rs2sim::ReplugDevice(kManual));  // already in
  EXPECT_EQ(rs2sim::DeviceSerials(), std::vector<std::string>{kManual});
  rs2::config config;
  config.enable_device(kManual);
  const auto profile = pipe.start(config, Collect{collector});
  EXPECT_STREQ(profile.get_device().get_info(RS2_CAMERA_INFO_SERIAL_NUMBER), kManual);
  EXPECT_EQ(profile.get_streams().size(), 2u);  // the same spec: depth and colour
  ASSERT_TRUE(Delivered());
  EXPECT_EQ(collector->Frames().size(), 1u);
  pipe.stop();
}

TEST_F(Hotplug, ReplugLetsANewPipelineStartWhileTheOldOneIsNotStoppedYet) {
  auto oldFrames = std::make_shared<Collector>();
  auto newFrames = std::make_shared<Collector>();
  rs2::pipeline old;
  old.start(Collect{oldFrames});
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(rs2sim::ReplugDevice(kManual));

  rs2::pipeline fresh;
  fresh.start(Collect{newFrames});
  ASSERT_TRUE(Delivered());
  EXPECT_EQ(newFrames->Frames().size(), 1u);
  EXPECT_EQ(oldFrames->Frames().size(), 0u);
  old.stop();  // leaves the new pipeline's claim alone
  EXPECT_TRUE(Delivered());
  EXPECT_EQ(newFrames->Frames().size(), 2u);
  fresh.stop();
}

TEST_F(Hotplug, StalledDeviceStaysListedAndStartedButDeliversNothingUntilResumed) {
  auto collector = std::make_shared<Collector>();
  rs2::context ctx;
  rs2::pipeline pipe(ctx);
  pipe.start(Collect{collector});

  rs2sim::StallDevice(kManual, true);
  EXPECT_FALSE(Delivered());
  EXPECT_EQ(Serials(ctx.query_devices()), std::vector<std::string>{kManual});
  EXPECT_EQ(rs2sim::GetCounters().pipelinesStreaming, 1);
  // The stall belongs to the device: a restarted pipeline gets nothing either.
  pipe.stop();
  pipe.start(Collect{collector});
  EXPECT_FALSE(Delivered());
  EXPECT_EQ(collector->Frames().size(), 0u);

  // And across a replug.
  pipe.stop();
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(rs2sim::ReplugDevice(kManual));
  pipe.start(Collect{collector});
  EXPECT_FALSE(Delivered());

  rs2sim::StallDevice(kManual, false);
  EXPECT_TRUE(Delivered());
  EXPECT_EQ(collector->Frames().size(), 1u);
  pipe.stop();
}

TEST_F(Hotplug, ResetDevicesBringsBackUnpluggedAndResumesStalledDevices) {
  rs2sim::ResetDevices();
  const std::string first = rs2sim::DefaultSerial(0);
  rs2sim::StallDevice(first, true);
  rs2::pipeline pipe;
  pipe.start();
  ASSERT_TRUE(rs2sim::UnplugDevice(first));
  rs2sim::ResetDevices();
  EXPECT_EQ(rs2sim::DeviceSerials(), std::vector<std::string>{first});
  pipe.stop();
  pipe.start();
  rs2::frameset frames;
  EXPECT_TRUE(pipe.try_wait_for_frames(&frames, 20000));
  pipe.stop();
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

TEST_F(DevicesChanged, RegistryChangesAreReportedToo) {
  rs2::context ctx;
  auto log = std::make_shared<ChangeLog>(ctx.query_devices());
  ctx.set_devices_changed_callback(Log{log});
  AddManualCamera(kOther);
  AddManualCamera(kOther);  // replaces a connected device: no change
  rs2sim::ClearDevices();
  ASSERT_TRUE(log->WaitFor(2));
  const auto events = log->Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].fresh, std::vector<std::string>{kOther});
  EXPECT_EQ(events[1].removed, std::vector<std::string>{kManual});  // kOther is not known
  EXPECT_TRUE(events[1].fresh.empty());
}

TEST_F(DevicesChanged, ASecondCallbackReplacesAndReleasesTheFirst) {
  rs2::context ctx;
  ReleaseSignal firstReleased;
  auto first = std::make_shared<ChangeLog>(ctx.query_devices());
  auto second = std::make_shared<ChangeLog>(ctx.query_devices());
  ctx.set_devices_changed_callback([log = first, token = firstReleased.MakeToken()](
                                       rs2::event_information& info) { log->Add(info); });
  ctx.set_devices_changed_callback(Log{second});
  EXPECT_TRUE(firstReleased.Fired());
  EXPECT_EQ(rs2sim::GetCounters().callbacksAlive, 1);

  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(second->WaitFor(1));
  EXPECT_TRUE(first->Events().empty());
}

#ifdef __linux__
TEST_F(DevicesChanged, NotificationThreadRunsOnlyWhileACallbackIsSet) {
  rs2::context other;  // with no callback, it has no thread either
  EXPECT_EQ(SettledNotificationThreads(0), 0u);
  for (int round = 0; round < 2; ++round) {
    {
      rs2::context ctx;
      auto log = std::make_shared<ChangeLog>(ctx.query_devices());
      ctx.set_devices_changed_callback(Log{log});
      EXPECT_EQ(SettledNotificationThreads(1), 1u);
      ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
      ASSERT_TRUE(log->WaitFor(1));
    }
    EXPECT_EQ(SettledNotificationThreads(0), 0u) << "round " << round;
    ASSERT_TRUE(rs2sim::ReplugDevice(kManual));
  }
}
#endif

TEST_F(DevicesChanged, EveryContextHearsEveryChange) {
  rs2::context a;
  rs2::context b;
  auto logA = std::make_shared<ChangeLog>(a.query_devices());
  auto logB = std::make_shared<ChangeLog>(b.query_devices());
  a.set_devices_changed_callback(Log{logA});
  b.set_devices_changed_callback(Log{logB});
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(logA->WaitFor(1));
  ASSERT_TRUE(logB->WaitFor(1));
  EXPECT_EQ(logA->Events()[0].removed, std::vector<std::string>{kManual});
  EXPECT_EQ(logB->Events()[0].removed, std::vector<std::string>{kManual});
}

// The context is deleted on another thread while its callback runs: the deletion returns only
// after the callback has returned, releases it, and no call follows.
TEST_F(DevicesChanged, DeletionWaitsForTheCallbackInFlightAndNoCallFollows) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    int calls = 0;
    bool deleting = false;
    bool deleted = false;
    bool deletedBeforeReturn = false;
  };
  auto shared = std::make_shared<Shared>();
  ReleaseSignal released;
  std::optional<rs2::context> doomed(std::in_place);
  doomed->set_devices_changed_callback(
      [shared, token = released.MakeToken()](rs2::event_information&) {
        std::unique_lock<std::mutex> lock(shared->mutex);
        ++shared->calls;
        shared->changed.notify_all();
        shared->changed.wait_for(lock, kFailureBound, [&] { return shared->deleting; });
        // Room for a deletion that does not wait to come back; a correct one cannot.
        shared->changed.wait_for(lock, milliseconds(200), [&] { return shared->deleted; });
        shared->deletedBeforeReturn = shared->deleted;
      });
  rs2::context witness;
  auto log = std::make_shared<ChangeLog>(witness.query_devices());
  witness.set_devices_changed_callback(Log{log});

  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  {
    std::unique_lock<std::mutex> lock(shared->mutex);
    ASSERT_TRUE(shared->changed.wait_for(lock, kFailureBound, [&] { return shared->calls == 1; }));
  }
  std::thread deleter([&] {
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      shared->deleting = true;
    }
    shared->changed.notify_all();
    doomed.reset();
    EXPECT_TRUE(released.Fired()) << "released by the deletion";
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->deleted = true;
    shared->changed.notify_all();
  });
  deleter.join();
  EXPECT_FALSE(shared->deletedBeforeReturn);

  // Both changes reach the witness only after every earlier call has returned.
  ASSERT_TRUE(rs2sim::ReplugDevice(kManual));
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(log->WaitFor(3));
  std::lock_guard<std::mutex> lock(shared->mutex);
  EXPECT_EQ(shared->calls, 1);
}

TEST_F(DevicesChanged, ContextDeletedFromItsOwnCallbackIsReleasedAfterTheCall) {
  ReleaseSignal released;
  auto holder = std::make_shared<std::optional<rs2::context>>(std::in_place);
  std::atomic<bool> returned{false};
  (*holder)->set_devices_changed_callback(
      [holder, &returned, token = released.MakeToken()](rs2::event_information&) {
        holder->reset();  // the lambda, token and holder copy live until the call ends
        returned = true;
      });
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(released.WaitFired());
  EXPECT_TRUE(returned);
  EXPECT_EQ(rs2sim::GetCounters().callbacksAlive, 0);
}

TEST_F(DevicesChanged, ExceptionOfACallbackEndsThere) {
  rs2::context ctx;
  auto log = std::make_shared<ChangeLog>(ctx.query_devices());
  ctx.set_devices_changed_callback([log](rs2::event_information& info) {
    log->Add(info);
    throw std::runtime_error("host bug");
  });
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(rs2sim::ReplugDevice(kManual));
  ASSERT_TRUE(log->WaitFor(2));
}

struct CFunctionCalls {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::pair<int, int>> counts;  // removed, added
};

void CountDevices(rs2_device_list* removed, rs2_device_list* added, void* user) {
  auto* calls = static_cast<CFunctionCalls*>(user);
  const int r = rs2_get_device_count(removed, nullptr);
  const int a = rs2_get_device_count(added, nullptr);
  rs2_delete_device_list(removed);  // the lists belong to the callback
  rs2_delete_device_list(added);
  {
    std::lock_guard<std::mutex> lock(calls->mutex);
    calls->counts.emplace_back(r, a);
  }
  calls->arrived.notify_all();
}

TEST_F(DevicesChanged, CFunctionGetsBothListsWithItsUserPointer) {
  CFunctionCalls calls;
  rs2_error* e = nullptr;
  std::shared_ptr<rs2_context> ctx(rs2_create_context(RS2_API_VERSION, &e), rs2_delete_context);
  rs2::error::handle(e);
  rs2_set_devices_changed_callback(ctx.get(), CountDevices, &calls, &e);
  rs2::error::handle(e);
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  ASSERT_TRUE(rs2sim::ReplugDevice(kManual));
  {
    std::unique_lock<std::mutex> lock(calls.mutex);
    ASSERT_TRUE(
        calls.arrived.wait_for(lock, kFailureBound, [&] { return calls.counts.size() == 2; }));
    EXPECT_EQ(calls.counts, (std::vector<std::pair<int, int>>{{1, 0}, {0, 1}}));
  }
  ctx.reset();

  rs2_set_devices_changed_callback(nullptr, CountDevices, &calls, &e);
  ASSERT_NE(e, nullptr);
  EXPECT_STREQ(rs2_get_error_message(e), "null pointer passed for argument \"context\"");
  EXPECT_STREQ(rs2_get_failed_function(e), "rs2_set_devices_changed_callback");
  EXPECT_EQ(rs2_get_librealsense_exception_type(e), RS2_EXCEPTION_TYPE_INVALID_VALUE);
  rs2_free_error(e);
}

TEST_F(DevicesChanged, DeviceListContainsMatchesTheSameCamera) {
  AddManualCamera(kOther);
  rs2::context ctx;
  const auto list = ctx.query_devices();
  const rs2::device manual = list[0];
  ASSERT_TRUE(rs2sim::UnplugDevice(kManual));
  const auto after = ctx.query_devices();
  rs2_error* e = nullptr;
  EXPECT_EQ(rs2_device_list_contains(list.get_list(), manual.get().get(), &e), 1);
  EXPECT_EQ(rs2_device_list_contains(after.get_list(), manual.get().get(), &e), 0);
  EXPECT_EQ(rs2_device_list_contains(after.get_list(), list[1].get().get(), &e), 1);
  EXPECT_EQ(e, nullptr);
  EXPECT_EQ(rs2_device_list_contains(after.get_list(), nullptr, &e), 0);
  ASSERT_NE(e, nullptr);
  EXPECT_STREQ(rs2_get_error_message(e), "null pointer passed for argument \"device\"");
  rs2_free_error(e);
}

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

TEST_F(MissingDevice, EveryStartWaitsTheConfiguredTimeThenFindsNoDevice) {
  rs2sim::ClearDevices();
  rs2sim::SetMissingDeviceWait(milliseconds(150));
  rs2::config config;
  for (const auto& [what, took] : StartErrors(config)) {
    EXPECT_EQ(what, "No device connected");
    EXPECT_GE(took, milliseconds(150));
  }
}

TEST_F(MissingDevice, MissingSerialWaitsThenFailsToResolve) {
  rs2sim::SetMissingDeviceWait(milliseconds(150));
  rs2::config config;
  config.enable_device(kOther);
  const auto results = StartErrors(config);
  // The starts without a configuration take the camera that is there.
  EXPECT_EQ(results[0].first, "started");
  EXPECT_EQ(results[2].first, "started");
  for (int i : {1, 3}) {
    EXPECT_EQ(results[i].first,
              "Failed to resolve request. No device found that satisfies all requirements");
    EXPECT_GE(results[i].second, milliseconds(150));
  }
  // Resolving a configuration does not wait.
  rs2::pipeline pipe;
  EXPECT_FALSE(config.can_resolve(pipe));
}

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

TEST_F(MissingDevice, ResetDevicesRestoresTheLibrarysWait) {
  rs2sim::SetMissingDeviceWait(milliseconds(1));
  rs2sim::ResetDevices();
  rs2sim::ClearDevices();
  std::string outcome;
  std::thread starter([&] {
    rs2::pipeline pipe;
    try {
      pipe.start();
      outcome = "started";
    } catch (const rs2::error& e) {
      outcome = e.what();
    }
  });
  ASSERT_TRUE(rs2sim::AwaitWaitingStarts(1, kFailureBound));
  // Still waiting well past the 1 ms set before the reset.
  EXPECT_FALSE(rs2sim::AwaitWaitingStarts(0, milliseconds(500)));
  AddManualCamera(kOther);
  starter.join();
  EXPECT_EQ(outcome, "started");
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
