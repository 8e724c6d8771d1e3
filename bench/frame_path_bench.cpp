// The cost of one frameset on the module's path (SDK callback, queue, reader,
// packet, no-op handler), a copying baseline beside it in the same run, the
// closed-loop rate, the hand-off latency from the SDK thread's push to
// OnPacket, the reader's cost with depth aligned to colour, and with each
// depth filter alone and the whole chain (rs2sim's stand-in blocks). The module
// path also runs with the health counters off (stats_s=0), with the
// watchdog off (watchdog_ms=0), and with both off, which also skips the
// frame-number bookkeeping; that bookkeeping alone (the reader's share per
// frameset, and the library thread's share per frameset the queue drops) is
// timed per call as well.
//
// CPU, not wall time: the reader thread's CPU clock is read when OnPacket is
// entered and when it returns, so one sample is everything the reader did for
// one frameset (release of the previous packet, Pop, ProcessVideoFrames). The
// SDK thread's share is its CPU per frameset minus that of rs2sim delivering
// to a callback that only releases the frame.
#include <dlfcn.h>
#include <malloc.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>
#include <librealsense2/rs.hpp>
#include <rs2sim/control.hpp>
#include <vid_db/media/packet.hpp>
#include <vs_test_support/sim_camera.hpp>

#include "bench_host.hpp"
#include "frame_numbers.hpp"
#include "queue_losses.hpp"

namespace vs_bench {
namespace {

// Notes the moment the SDK thread pushes a frameset: the queue's Push copies
// the frame reference, and rs2_frame_add_ref is the library call that copy
// makes. Only the interposer below reaches it, which is why it is one
// process-wide object.
class PushProbe {
 public:
  static PushProbe& Instance() {
    static PushProbe probe;
    return probe;
  }

  void OnAddRef() {
    if (!armed_.load(std::memory_order_relaxed))
      return;
    const std::thread::id self = std::this_thread::get_id();
    if (self == reader_.load() || self == host_.load())
      return;
    lastPushNs_.store(MonotonicNs(), std::memory_order_relaxed);
    clockid_t clock{};
    if (!sdkClock_.load() && pthread_getcpuclockid(pthread_self(), &clock) == 0)
      sdkClock_.store(clock);
  }

  // The reader thread's own copies (frameset views, packet buffers) are no push.
  void Arm(std::thread::id reader) {
    reader_.store(reader);
    host_.store(std::this_thread::get_id());
    sdkClock_.store(std::nullopt);
    armed_.store(true);
  }
  void Disarm() { armed_.store(false); }
  std::int64_t LastPushNs() const { return lastPushNs_.load(std::memory_order_relaxed); }
  std::optional<clockid_t> SdkClock() const { return sdkClock_.load(); }

 private:
  std::atomic<bool> armed_{false};
  std::atomic<std::thread::id> reader_{};
  std::atomic<std::thread::id> host_{};
  std::atomic<std::int64_t> lastPushNs_{0};
  std::atomic<std::optional<clockid_t>> sdkClock_{};
};

}  // namespace
}  // namespace vs_bench

extern "C" void rs2_frame_add_ref(rs2_frame* frame, rs2_error** error) {
  using AddRef = void (*)(rs2_frame*, rs2_error**);
  static const auto next = reinterpret_cast<AddRef>(dlsym(RTLD_NEXT, "rs2_frame_add_ref"));
  vs_bench::PushProbe::Instance().OnAddRef();
  next(frame, error);
}

namespace vs_bench {
namespace {

using vid_db::media::Packet;

// Host-owned copies, as a module that copies would hand them over.
class HostBuffer : public vid_db::media::PackBuf {
 public:
  HostBuffer(const std::uint8_t* data, std::uint64_t size) : bytes_(data, data + size) {}
  const std::uint8_t* GetData() const override { return bytes_.data(); }
  std::uint64_t GetSize() const override { return bytes_.size(); }

 private:
  const std::vector<std::uint8_t> bytes_;
};

class HostDepth : public vid_db::media::DepthFrame {
 public:
  explicit HostDepth(const vid_db::media::DepthFrame& source)
      : bytes_(source.GetData(), source.GetData() + source.GetSize()),
        stride_(source.GetStride()),
        units_(source.GetUnits()),
        resolution_(source.GetResolution()) {}
  const std::uint8_t* GetData() const override { return bytes_.data(); }
  std::uint64_t GetSize() const override { return bytes_.size(); }
  std::uint64_t GetStride() const override { return stride_; }
  float GetUnits() const override { return units_; }
  std::pair<std::uint32_t, std::uint32_t> GetResolution() const override { return resolution_; }

 private:
  const std::vector<std::uint8_t> bytes_;
  const std::uint64_t stride_;
  const float units_;
  const std::pair<std::uint32_t, std::uint32_t> resolution_;
};

Packet CopyPacket(const Packet& packet) {
  Packet copy(boost::make_shared<HostBuffer>(packet.data, packet.size), packet.time, true);
  const auto found = packet.attachments.find("depth");
  if (found != packet.attachments.end()) {
    if (const auto depth = boost::dynamic_pointer_cast<vid_db::media::DepthFrame>(found->second))
      copy.Attach("depth", boost::make_shared<HostDepth>(*depth));
  }
  return copy;
}

// Samples are written by the reader thread only and read after Stop has
// joined it.
class MeasuringHandler : public vid_db::media::SourceHandler {
 public:
  enum class Work { None, Copy };

  MeasuringHandler(Work work, std::size_t expected) : work_(work) {
    cpuNs_.reserve(expected);
    latencyNs_.reserve(expected);
  }

  bool OnStatus(vid_db::media::SourceStatus /*status*/) override { return true; }
  bool OnParams(const vid_db::media::StreamParams& /*params*/) override { return true; }

  bool OnPacket(const Packet& packet) override {
    const std::int64_t wallNs = MonotonicNs();
    if (work_ == Work::Copy) {
      const Packet copy = CopyPacket(packet);
      benchmark::DoNotOptimize(copy.data);
      Record(wallNs);
    } else {
      Record(wallNs);
    }
    return true;
  }

  // Blocks the emitting thread until `count` packets have arrived; false after
  // a guard time that only a broken run reaches.
  bool WaitDelivered(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return delivered_cv_.wait_for(lock, std::chrono::seconds(20),
                                  [&] { return delivered_ >= count; });
  }
  std::thread::id ReaderThread() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return reader_;
  }
  void StartSampling(bool latency) {
    const std::lock_guard<std::mutex> lock(mutex_);
    sampling_ = true;
    latency_ = latency;
  }
  const std::vector<double>& CpuNs() const { return cpuNs_; }
  const std::vector<double>& LatencyNs() const { return latencyNs_; }

 private:
  // The window of one sample closes here, after any copy and before the
  // handler's own bookkeeping, and reopens when OnPacket returns.
  void Record(std::int64_t wallNs) {
    const std::int64_t entryNs = ThreadCpuNs();
    bool sampling = false;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      reader_ = std::this_thread::get_id();
      sampling = sampling_;
      if (sampling && lastExitNs_ >= 0)
        cpuNs_.push_back(static_cast<double>(entryNs - lastExitNs_));
      if (sampling && latency_)
        latencyNs_.push_back(static_cast<double>(wallNs - PushProbe::Instance().LastPushNs()));
      ++delivered_;
    }
    delivered_cv_.notify_all();
    lastExitNs_ = sampling ? ThreadCpuNs() : -1;
  }

  const Work work_;
  std::mutex mutex_;
  std::condition_variable delivered_cv_;
  std::size_t delivered_ = 0;
  std::thread::id reader_;
  bool sampling_ = false;
  bool latency_ = false;
  std::int64_t lastExitNs_ = -1;
  std::vector<double> cpuNs_;
  std::vector<double> latencyNs_;
};

rs2sim::FramesetSpec Frameset(std::int64_t timeMs, bool fullPayload) {
  rs2sim::FramesetSpec set;
  set.frames = {
      vs_test_support::ColorFrame(static_cast<double>(timeMs), RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK,
                                  RS2_FORMAT_RGB8, kColorWidth, kColorHeight),
      vs_test_support::DepthFrame(static_cast<double>(timeMs), RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK,
                                  kDepthWidth, kDepthHeight)};
  if (!fullPayload) {
    // Same geometry, a token payload: rs2sim fills every byte of each emitted
    // frame, a cost of the simulator alone that would otherwise set the rate.
    for (auto& frame : set.frames)
      frame.dataSize = 64;
  }
  return set;
}

constexpr int kWarmUp = 50;

struct PathFigures {
  std::vector<double> readerNs;   // reader thread CPU per frameset
  std::vector<double> sdkNs;      // SDK thread CPU per frameset, simulator included
  std::vector<double> latencyNs;  // push to OnPacket
  double framesetsPerSecond = 0;
};

// Results shared between the benchmarks of one run, for the summary.
struct Results {
  double clockFloorNs = 0;
  double wakeFloorNs = 0;  // CPU of a bare cross-thread hand-off, both sides
  // By payload: true for full frames, false for token ones.
  std::map<bool, double> simOnlySdkMedianNs;
  std::map<std::string, PathFigures> paths;
  double followNs = 0;   // the reader's frame-number work per frameset, counting
  double droppedNs = 0;  // the library thread's per frameset the queue drops
};

std::vector<double> TotalNs(const PathFigures& path, double simOnlySdkNs) {
  std::vector<double> total;
  const std::size_t n = std::min(path.readerNs.size(), path.sdkNs.size());
  for (std::size_t i = 0; i < n; ++i)
    total.push_back(path.readerNs[i] + path.sdkNs[i] - simOnlySdkNs);
  return total;
}

// The depth filter cases: label, what the summary calls it, the address keys.
struct FilterCase {
  std::string label;
  std::string text;
  std::string query;
};

std::vector<FilterCase> FilterCaseList() {
  const std::string chain = "&decimate=2&spatial=1&temporal=1&hole_fill=1";
  return {{"filter_decimate", "decimate=2", "&decimate=2"},
          {"filter_threshold", "min_depth=0.3&max_depth=4", "&min_depth=0.3&max_depth=4"},
          {"filter_spatial", "spatial=1 (with the disparity transforms)", "&spatial=1"},
          {"filter_temporal", "temporal=1 (with the disparity transforms)", "&temporal=1"},
          {"filter_hole_fill", "hole_fill=1", "&hole_fill=1"},
          {"filter_chain", "the chain decimate=2, spatial, temporal, hole_fill=1", chain},
          {"filter_chain_aligned", "that chain and align=color", chain + "&align=color"}};
}

// Emits, waits for the packet, emits the next: no frameset is ever lost.
// `query` is added to the camera's address (for instance "&align=color").
void RunPath(benchmark::State& state, const ModuleHost& host, Results& results,
             const std::string& label, MeasuringHandler::Work work, bool fullPayload, bool latency,
             const std::string& query = "") {
  const vs_test_support::ManualCamera camera("bench-path");
  const auto handler =
      boost::make_shared<MeasuringHandler>(work, static_cast<std::size_t>(state.max_iterations));
  const auto source = host.CreateSource(CameraUrl(camera.Serial()) + query, "bench");
  source->Start(StartWith(handler));

  std::int64_t timeMs = 1000;
  std::size_t sent = 0;
  auto emitOne = [&]() -> bool {
    if (!camera.Emit(Frameset(++timeMs, fullPayload)).delivered)
      return false;
    return handler->WaitDelivered(++sent);
  };
  for (int i = 0; i < kWarmUp; ++i) {
    if (!emitOne()) {
      state.SkipWithError("warm-up frameset not delivered");
      return;
    }
  }
  // A few armed framesets find the SDK thread's CPU clock.
  PushProbe::Instance().Arm(handler->ReaderThread());
  for (int i = 0; i < 5; ++i)
    emitOne();
  const std::optional<clockid_t> sdkClock = PushProbe::Instance().SdkClock();
  if (!latency)
    PushProbe::Instance().Disarm();
  if (!sdkClock) {
    state.SkipWithError("the SDK thread was not seen");
    return;
  }
  handler->StartSampling(latency);

  PathFigures figures;
  figures.sdkNs.reserve(static_cast<std::size_t>(state.max_iterations));
  const std::int64_t startNs = MonotonicNs();
  std::int64_t lastSdkNs = ClockNs(*sdkClock);
  for (auto _ : state) {
    if (!emitOne()) {
      state.SkipWithError("frameset not delivered");
      break;
    }
    const std::int64_t sdkNs = ClockNs(*sdkClock);
    figures.sdkNs.push_back(static_cast<double>(sdkNs - lastSdkNs));
    lastSdkNs = sdkNs;
  }
  const double seconds = static_cast<double>(MonotonicNs() - startNs) / 1e9;
  PushProbe::Instance().Disarm();
  source->Stop();

  figures.readerNs = handler->CpuNs();
  figures.latencyNs = handler->LatencyNs();
  figures.framesetsPerSecond = static_cast<double>(state.iterations()) / seconds;
  state.SetItemsProcessed(state.iterations());
  state.counters["reader_cpu_med_us"] = Quantile(figures.readerNs, 0.5) / 1e3;
  state.counters["reader_cpu_p99_us"] = Quantile(figures.readerNs, 0.99) / 1e3;
  state.counters["sdk_cpu_med_us"] = Quantile(figures.sdkNs, 0.5) / 1e3;
  const auto simOnly = results.simOnlySdkMedianNs.find(fullPayload);
  if (simOnly != results.simOnlySdkMedianNs.end()) {
    const std::vector<double> total = TotalNs(figures, simOnly->second);
    state.counters["module_cpu_med_us"] = Quantile(total, 0.5) / 1e3;
    state.counters["module_cpu_p99_us"] = Quantile(total, 0.99) / 1e3;
  }
  if (latency) {
    state.counters["handoff_p50_us"] = Quantile(figures.latencyNs, 0.5) / 1e3;
    state.counters["handoff_p99_us"] = Quantile(figures.latencyNs, 0.99) / 1e3;
  }
  state.counters["closed_loop_fps"] = figures.framesetsPerSecond;
  results.paths[label] = std::move(figures);
}

// rs2sim delivering the same framesets to a callback that only releases
// them: the SDK thread's CPU per frameset that is the simulator's own.
void RunSimOnly(benchmark::State& state, Results& results, bool fullPayload) {
  const vs_test_support::ManualCamera camera("bench-control");
  std::atomic<std::optional<clockid_t>> sdkClock{};
  rs2::config config;
  config.enable_device(camera.Serial());
  config.enable_stream(RS2_STREAM_DEPTH, -1, kDepthWidth, kDepthHeight, RS2_FORMAT_Z16, kFps);
  config.enable_stream(RS2_STREAM_COLOR, -1, kColorWidth, kColorHeight, RS2_FORMAT_RGB8, kFps);
  rs2::pipeline pipeline;
  pipeline.start(config, [&sdkClock](const rs2::frame&) {
    clockid_t clock{};
    if (!sdkClock.load() && pthread_getcpuclockid(pthread_self(), &clock) == 0)
      sdkClock.store(clock);
  });
  std::int64_t timeMs = 1000;
  for (int i = 0; i < kWarmUp; ++i)
    camera.Emit(Frameset(++timeMs, fullPayload));
  const std::optional<clockid_t> clock = sdkClock.load();
  if (!clock) {
    pipeline.stop();
    state.SkipWithError("no frameset reached the callback");
    return;
  }
  std::vector<double> sdkNs;
  std::int64_t last = ClockNs(*clock);
  for (auto _ : state) {
    camera.Emit(Frameset(++timeMs, fullPayload));
    const std::int64_t now = ClockNs(*clock);
    sdkNs.push_back(static_cast<double>(now - last));
    last = now;
  }
  pipeline.stop();
  results.simOnlySdkMedianNs[fullPayload] = Quantile(sdkNs, 0.5);
  state.counters["sdk_cpu_med_us"] = results.simOnlySdkMedianNs[fullPayload] / 1e3;
  state.counters["sdk_cpu_p99_us"] = Quantile(sdkNs, 0.99) / 1e3;
}

// Framesets that rs2sim delivered (colour and depth, consecutive numbers),
// held for the bookkeeping benchmarks below.
std::vector<rs2::frameset> DeliveredFramesets(std::size_t count) {
  const vs_test_support::ManualCamera camera(
      "bench-numbers", [count](rs2sim::DeviceSpec& device) { device.poolSize = 2 * count; });
  std::mutex mutex;
  std::vector<rs2::frameset> sets;
  rs2::config config;
  config.enable_device(camera.Serial());
  config.enable_stream(RS2_STREAM_DEPTH, -1, kDepthWidth, kDepthHeight, RS2_FORMAT_Z16, kFps);
  config.enable_stream(RS2_STREAM_COLOR, -1, kColorWidth, kColorHeight, RS2_FORMAT_RGB8, kFps);
  rs2::pipeline pipeline;
  pipeline.start(config, [&](const rs2::frame& frame) {
    const std::lock_guard<std::mutex> lock(mutex);
    sets.emplace_back(frame);
  });
  for (std::size_t i = 0; i < count; ++i)
    camera.Emit(Frameset(1000 + static_cast<std::int64_t>(i), false));
  pipeline.stop();
  return sets;
}

// The reader's share of the frame-number bookkeeping per frameset: reading
// the numbers of the colour and depth frames it has already taken out of the
// frameset, and following them, counting into a SourceStats as a source
// with its health line does. Wall time per call over a tight loop: the call
// is far below what a thread-clock reading pair resolves.
void RunFollow(benchmark::State& state, Results& results) {
  constexpr std::size_t kSets = 1024;
  const std::vector<rs2::frameset> sets = DeliveredFramesets(kSets);
  if (sets.size() != kSets) {
    state.SkipWithError("framesets not delivered");
    return;
  }
  std::vector<std::pair<rs2::frame, rs2::frame>> frames;
  for (const rs2::frameset& set : sets)
    frames.emplace_back(set.get_color_frame(), set.get_depth_frame());
  vs_realsense2::FrameNumbers numbers(std::make_shared<vs_realsense2::SourceStats>());
  std::size_t next = 0;
  const std::int64_t startNs = MonotonicNs();
  for (auto _ : state) {
    const auto& [color, depth] = frames[next];
    numbers.Follow(vs_realsense2::ReadNumbers(color, depth), nullptr);
    next = next + 1 == kSets ? 0 : next + 1;  // one step back per pass: no drop
  }
  results.followNs = static_cast<double>(MonotonicNs() - startNs) /
                     static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
  state.counters["follow_ns"] = results.followNs;
}

// The library thread's share, paid only for a frameset the full queue drops:
// one pass over the frameset for its numbers, noted for the reader.
void RunDropped(benchmark::State& state, Results& results) {
  constexpr std::size_t kSets = 1024;
  const std::vector<rs2::frameset> sets = DeliveredFramesets(kSets);
  if (sets.size() != kSets) {
    state.SkipWithError("framesets not delivered");
    return;
  }
  vs_realsense2::QueueLosses losses;
  std::size_t next = 0;
  const std::int64_t startNs = MonotonicNs();
  for (auto _ : state) {
    losses.Dropped(sets[next]);
    if (++next == kSets) {
      next = 0;
      losses.Passed();
    }
  }
  results.droppedNs = static_cast<double>(MonotonicNs() - startNs) /
                      static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
  state.counters["dropped_ns"] = results.droppedNs;
}

// The least any queue with a sleeping reader costs here: one item handed
// from one thread to another through a mutex and a condition variable, the
// producer waiting for the consumer's acknowledgement as the frame loop does.
// Both threads' CPU is counted.
void RunWakeFloor(benchmark::State& state, Results& results) {
  std::mutex mutex;
  std::condition_variable changed;
  std::int64_t pushed = 0;
  std::int64_t popped = 0;
  bool done = false;
  std::atomic<std::int64_t> consumerCpuNs{0};
  std::thread consumer([&] {
    const std::int64_t start = ThreadCpuNs();
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return done || popped < pushed; });
      if (done)
        break;
      ++popped;
      changed.notify_all();
    }
    consumerCpuNs.store(ThreadCpuNs() - start);
  });
  const std::int64_t producerStart = ThreadCpuNs();
  for (auto _ : state) {
    std::unique_lock<std::mutex> lock(mutex);
    ++pushed;
    changed.notify_all();
    changed.wait(lock, [&] { return popped == pushed; });
  }
  const std::int64_t producerNs = ThreadCpuNs() - producerStart;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    done = true;
  }
  changed.notify_all();
  consumer.join();
  results.wakeFloorNs = static_cast<double>(producerNs + consumerCpuNs.load()) /
                        static_cast<double>(state.iterations());
  state.counters["cpu_per_item_us"] = results.wakeFloorNs / 1e3;
}

void PrintSummary(const Results& results) {
  const auto find = [&](const std::string& label) -> const PathFigures* {
    const auto it = results.paths.find(label);
    return it == results.paths.end() ? nullptr : &it->second;
  };
  const PathFigures* module = find("module");
  const PathFigures* baseline = find("copying_baseline");
  std::cout << "\nSummary (CPU per frameset; thread CPU clock floor " << results.clockFloorNs
            << " ns per reading pair, not subtracted)\n";
  const auto simOnly = results.simOnlySdkMedianNs.find(true);
  if (module && baseline && simOnly != results.simOnlySdkMedianNs.end()) {
    const double sim = simOnly->second;
    const double m = Quantile(TotalNs(*module, sim), 0.5);
    const double mp99 = Quantile(TotalNs(*module, sim), 0.99);
    const double b = Quantile(TotalNs(*baseline, sim), 0.5);
    std::cout << "  module median " << m / 1e3 << " us (target <= 5), p99 " << mp99 / 1e3
              << " us (target <= 50)\n"
              << "  copying baseline median " << b / 1e3 << " us\n"
              << "  ratio baseline / module " << b / m << " (target >= 50)\n";
  }
  const auto tokenSim = results.simOnlySdkMedianNs.find(false);
  if (const PathFigures* small = find("module_token_payload");
      small && tokenSim != results.simOnlySdkMedianNs.end())
    std::cout << "  module, token payload: median "
              << Quantile(TotalNs(*small, tokenSim->second), 0.5) / 1e3 << " us, p99 "
              << Quantile(TotalNs(*small, tokenSim->second), 0.99) / 1e3 << " us\n";
  for (const bool full : {true, false}) {
    const std::string on = full ? "module" : "module_token_payload";
    const PathFigures* counted = find(on);
    const PathFigures* uncounted = find(on + "_stats_off");
    const auto sim = results.simOnlySdkMedianNs.find(full);
    if (counted && uncounted && sim != results.simOnlySdkMedianNs.end())
      std::cout << "  health counters on / off, " << (full ? "full" : "token")
                << " payload: median " << Quantile(TotalNs(*counted, sim->second), 0.5) / 1e3
                << " / " << Quantile(TotalNs(*uncounted, sim->second), 0.5) / 1e3 << " us, p99 "
                << Quantile(TotalNs(*counted, sim->second), 0.99) / 1e3 << " / "
                << Quantile(TotalNs(*uncounted, sim->second), 0.99) / 1e3 << " us\n";
  }
  const PathFigures* numbersOn = find("module_watchdog_off");
  const PathFigures* numbersOff = find("module_numbers_off");
  if (numbersOn && numbersOff && simOnly != results.simOnlySdkMedianNs.end())
    std::cout << "  frame numbers on / off (watchdog off; off also without health counters): "
              << "SDK thread median " << Quantile(numbersOn->sdkNs, 0.5) / 1e3 << " / "
              << Quantile(numbersOff->sdkNs, 0.5) / 1e3 << " us, module median "
              << Quantile(TotalNs(*numbersOn, simOnly->second), 0.5) / 1e3 << " / "
              << Quantile(TotalNs(*numbersOff, simOnly->second), 0.5) / 1e3 << " us, p99 "
              << Quantile(TotalNs(*numbersOn, simOnly->second), 0.99) / 1e3 << " / "
              << Quantile(TotalNs(*numbersOff, simOnly->second), 0.99) / 1e3 << " us\n";
  if (results.followNs > 0)
    std::cout << "  frame numbers, reader per frameset: " << results.followNs
              << " ns (target < 1000); library thread per frameset dropped at the queue: "
              << results.droppedNs << " ns\n";
  if (const PathFigures* small = find("module_token_payload"))
    std::cout << "  closed-loop rate, token payload " << small->framesetsPerSecond
              << " framesets/s (target >= 20000)\n";
  if (module)
    std::cout << "  closed-loop rate, full payload " << module->framesetsPerSecond
              << " framesets/s (rs2sim fills 3.5 MB per emitted frameset)\n";
  if (results.wakeFloorNs > 0)
    std::cout << "  bare mutex/condition-variable hand-off on this machine: "
              << results.wakeFloorNs / 1e3 << " us CPU per item (both threads)\n";
  if (const PathFigures* aligned = find("module_aligned"); aligned && module)
    std::cout << "  reader CPU with align=color: median " << Quantile(aligned->readerNs, 0.5) / 1e3
              << " us, p99 " << Quantile(aligned->readerNs, 0.99) / 1e3
              << " us; plain path in the same run: median " << Quantile(module->readerNs, 0.5) / 1e3
              << " us, p99 " << Quantile(module->readerNs, 0.99) / 1e3 << " us\n";
  if (module) {
    for (const FilterCase& c : FilterCaseList()) {
      if (const PathFigures* filtered = find(c.label))
        std::cout << "  reader CPU with " << c.text << ": median "
                  << Quantile(filtered->readerNs, 0.5) / 1e3 << " us, p99 "
                  << Quantile(filtered->readerNs, 0.99) / 1e3 << " us\n";
    }
  }
  if (const PathFigures* handoff = find("handoff"))
    std::cout << "  hand-off p50 " << Quantile(handoff->latencyNs, 0.5) / 1e3 << " us, p99 "
              << Quantile(handoff->latencyNs, 0.99) / 1e3 << " us (target p99 <= 200)\n";
}

}  // namespace
}  // namespace vs_bench

int main(int argc, char** argv) {
  using vs_bench::MeasuringHandler;
  benchmark::Initialize(&argc, argv);
  vs_bench::AddRunContext();
  const vs_bench::ModuleHost host;
  vs_bench::Results results;
  results.clockFloorNs = vs_bench::ThreadClockFloorNs();

  const auto path = [&](const char* name, const std::string& label, MeasuringHandler::Work work,
                        bool fullPayload, bool latency, int iterations,
                        const std::string& query = "") {
    benchmark::RegisterBenchmark(
        name,
        [&host, &results, label, work, fullPayload, latency, query](benchmark::State& state) {
          vs_bench::RunPath(state, host, results, label, work, fullPayload, latency, query);
        })
        ->Iterations(iterations)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  };
  // rs2sim's per-frame buffers are freed by whichever thread drops the
  // frame last, the reader here; keeping them on the heap instead of in
  // fresh mappings keeps unmapping and page faults (the simulator's cost)
  // out of the reader's figures.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);

  benchmark::RegisterBenchmark(
      "Floor/condvar_handoff",
      [&results](benchmark::State& state) { vs_bench::RunWakeFloor(state, results); })
      ->Iterations(20000)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  for (const bool full : {true, false}) {
    benchmark::RegisterBenchmark(
        full ? "SimOnly/full_payload" : "SimOnly/token_payload",
        [&results, full](benchmark::State& state) { vs_bench::RunSimOnly(state, results, full); })
        ->Iterations(5000)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  }
  path("ModulePath/full_payload", "module", MeasuringHandler::Work::None, true, false, 10000);
  // The watchdog's whole cost on the frame path is one relaxed store on the
  // SDK's thread per frameset: the same path with it switched off.
  path("ModulePath/full_payload_watchdog_off", "module_watchdog_off", MeasuringHandler::Work::None,
       true, false, 10000, "&watchdog_ms=0");
  path("ModulePath/full_payload_stats_off", "module_stats_off", MeasuringHandler::Work::None, true,
       false, 10000, "&stats_s=0");
  // Frame numbers are read only for the health line and the watchdog: with
  // both off the library's thread skips them. Beside watchdog_off above (the
  // numbers on), the difference is the bookkeeping and the health counters.
  path("ModulePath/full_payload_numbers_off", "module_numbers_off", MeasuringHandler::Work::None,
       true, false, 10000, "&stats_s=0&watchdog_ms=0");
  benchmark::RegisterBenchmark(
      "FrameNumbers/reader_per_frameset",
      [&results](benchmark::State& state) { vs_bench::RunFollow(state, results); })
      ->Iterations(1000000)
      ->Unit(benchmark::kNanosecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark(
      "FrameNumbers/library_thread_per_dropped_frameset",
      [&results](benchmark::State& state) { vs_bench::RunDropped(state, results); })
      ->Iterations(1000000)
      ->Unit(benchmark::kNanosecond)
      ->UseRealTime();
  path("CopyingBaseline/full_payload", "copying_baseline", MeasuringHandler::Work::Copy, true,
       false, 3000);
  path("ModulePath/token_payload", "module_token_payload", MeasuringHandler::Work::None, false,
       false, 20000);
  path("ModulePath/token_payload_stats_off", "module_token_payload_stats_off",
       MeasuringHandler::Work::None, false, false, 20000, "&stats_s=0");
  path("HandOff/full_payload", "handoff", MeasuringHandler::Work::None, true, true, 10000);
  // Depth aligned to colour on the reader: every depth pixel valid, the costliest case.
  path("AlignedPath/full_payload", "module_aligned", MeasuringHandler::Work::None, true, false,
       1000, "&align=color");
  // The depth filters on the reader, each alone and as a chain, on rs2sim's stand-in blocks.
  for (const vs_bench::FilterCase& c : vs_bench::FilterCaseList()) {
    const std::string name = "FilterPath/" + c.label.substr(std::string("filter_").size());
    path(name.c_str(), c.label, MeasuringHandler::Work::None, true, false, 500, c.query);
  }

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vs_bench::PrintSummary(results);
  return 0;
}
