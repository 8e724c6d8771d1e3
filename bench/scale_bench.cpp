// N sources at 30 fps, one virtual camera each, beside a control run in
// which rs2sim streams the same cameras to callbacks that only release the
// frames. rs2sim renders each mode once and its frames point into those
// images, so the control is the simulator's own cost and the difference is
// the module's.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>
#include <librealsense2/rs.hpp>
#include <rs2sim/control.hpp>

#include "bench_host.hpp"

namespace vs_bench {
namespace {

constexpr auto kSettle = std::chrono::milliseconds(1000);
constexpr auto kWindow = std::chrono::milliseconds(3000);

class CountingHandler : public vid_db::media::SourceHandler {
 public:
  bool OnStatus(vid_db::media::SourceStatus /*status*/) override { return true; }
  bool OnParams(const vid_db::media::StreamParams& /*params*/) override { return true; }
  bool OnPacket(const vid_db::media::Packet& /*packet*/) override {
    packets_.fetch_add(1, std::memory_order_relaxed);
    return true;
  }
  std::int64_t Packets() const { return packets_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::int64_t> packets_{0};
};

struct Window {
  double cpuMsPerSecond = 0;
  double framesetsPerSecond = 0;
};

// Process CPU over a fixed window once the streams have settled; the bench
// thread sleeps meanwhile, so the figure is the streams' cost.
template <class CountFramesets>
Window Measure(const CountFramesets& count) {
  std::this_thread::sleep_for(kSettle);
  const std::int64_t cpu0 = ProcessCpuNs();
  const std::int64_t wall0 = MonotonicNs();
  const std::int64_t frames0 = count();
  std::this_thread::sleep_for(kWindow);
  const double seconds = static_cast<double>(MonotonicNs() - wall0) / 1e9;
  Window window;
  window.cpuMsPerSecond = static_cast<double>(ProcessCpuNs() - cpu0) / 1e6 / seconds;
  window.framesetsPerSecond = static_cast<double>(count() - frames0) / seconds;
  return window;
}

void Report(benchmark::State& state, const Window& window, std::int64_t rssBefore, int n) {
  state.counters["cpu_ms_per_s"] = window.cpuMsPerSecond;
  state.counters["core_percent"] = window.cpuMsPerSecond / 10.0;
  state.counters["framesets_per_s"] = window.framesetsPerSecond;
  state.counters["rss_kib_per_source"] =
      static_cast<double>(ResidentBytes() - rssBefore) / 1024.0 / n;
}

void EnsureCameras(int n) {
  for (int i = 0; i < n; ++i)
    rs2sim::AddDevice(rs2sim::DefaultCamera(rs2sim::DefaultSerial(i)));
}

void RunControl(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  EnsureCameras(n);
  for (auto _ : state) {
    const std::int64_t rssBefore = ResidentBytes();
    std::atomic<std::int64_t> framesets{0};
    std::vector<rs2::pipeline> pipelines;
    for (int i = 0; i < n; ++i) {
      rs2::config config;
      config.enable_device(rs2sim::DefaultSerial(i));
      config.enable_stream(RS2_STREAM_DEPTH, -1, kDepthWidth, kDepthHeight, RS2_FORMAT_Z16, kFps);
      config.enable_stream(RS2_STREAM_COLOR, -1, kColorWidth, kColorHeight, RS2_FORMAT_RGB8, kFps);
      pipelines.emplace_back();
      pipelines.back().start(config, [&framesets](const rs2::frame&) {
        framesets.fetch_add(1, std::memory_order_relaxed);
      });
    }
    const Window window = Measure([&] { return framesets.load(); });
    Report(state, window, rssBefore, n);
    for (auto& pipeline : pipelines)
      pipeline.stop();
  }
}

void RunModule(benchmark::State& state, const ModuleHost& host) {
  const int n = static_cast<int>(state.range(0));
  EnsureCameras(n);
  for (auto _ : state) {
    const std::int64_t rssBefore = ResidentBytes();
    const auto handler = boost::make_shared<CountingHandler>();
    std::vector<boost::shared_ptr<vid_db::media::Source>> sources;
    for (int i = 0; i < n; ++i) {
      sources.push_back(
          host.CreateSource(CameraUrl(rs2sim::DefaultSerial(i)), "cam" + std::to_string(i)));
      sources.back()->Start(StartWith(handler));
    }
    const Window window = Measure([&] { return handler->Packets(); });
    Report(state, window, rssBefore, n);
    for (auto& source : sources)
      source->Stop();
  }
}

}  // namespace
}  // namespace vs_bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vs_bench::AddRunContext();
  const vs_bench::ModuleHost host;
  // Renders the images once, so that neither run's memory carries them.
  vs_bench::EnsureCameras(1);
  {
    rs2::pipeline warm;
    warm.start([](const rs2::frame&) {});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    warm.stop();
  }
  for (const int n : {1, 4, 16}) {
    benchmark::RegisterBenchmark("Scale/control", vs_bench::RunControl)
        ->Arg(n)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(
        "Scale/module", [&host](benchmark::State& state) { vs_bench::RunModule(state, host); })
        ->Arg(n)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
