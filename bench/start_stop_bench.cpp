// Time from Start to the first packet, for Stop to return while frames flow,
// and from a camera's replug to the next packet, on a virtual camera
// streaming 1280x720 + 848x480 at 30 fps.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>
#include <rs2sim/control.hpp>

#include "bench_host.hpp"

namespace vs_bench {
namespace {

// Counts packets and remembers when the first and the last one came.
class PacketClock : public vid_db::media::SourceHandler {
 public:
  bool OnStatus(vid_db::media::SourceStatus /*status*/) override { return true; }
  bool OnParams(const vid_db::media::StreamParams& /*params*/) override { return true; }
  bool OnPacket(const vid_db::media::Packet& /*packet*/) override {
    const std::int64_t now = MonotonicNs();
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (packets_++ == 0)
        firstNs_ = now;
      lastNs_ = now;
    }
    arrived_.notify_all();
    return true;
  }
  // False after a guard time that only a broken run reaches.
  bool WaitPackets(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(20), [&] { return packets_ >= count; });
  }
  int Packets() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return packets_;
  }
  std::int64_t FirstNs() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return firstNs_;
  }
  // The time of the first packet after the first `count`, or 0 after the
  // guard time.
  std::int64_t WaitBeyond(int count) {
    if (!WaitPackets(count + 1))
      return 0;
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastNs_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  int packets_ = 0;
  std::int64_t firstNs_ = 0;
  std::int64_t lastNs_ = 0;
};

void RunStartStop(benchmark::State& state, const ModuleHost& host) {
  rs2sim::AddDevice(rs2sim::DefaultCamera(rs2sim::DefaultSerial(0)));
  const auto source = host.CreateSource(CameraUrl(rs2sim::DefaultSerial(0)), "bench");
  {
    // The first start of a mode renders rs2sim's images: the simulator's
    // cost, kept out of the figures.
    const auto warm = boost::make_shared<PacketClock>();
    source->Start(StartWith(warm));
    warm->WaitPackets(1);
    source->Stop();
  }
  std::vector<double> startMs, firstPacketMs, stopMs;
  for (auto _ : state) {
    const auto handler = boost::make_shared<PacketClock>();
    const std::int64_t t0 = MonotonicNs();
    source->Start(StartWith(handler));
    const std::int64_t t1 = MonotonicNs();
    // Several packets: the stop then lands while frames flow.
    if (!handler->WaitPackets(5)) {
      state.SkipWithError("no packets");
      break;
    }
    const std::int64_t t2 = MonotonicNs();
    source->Stop();
    const std::int64_t t3 = MonotonicNs();
    startMs.push_back(static_cast<double>(t1 - t0) / 1e6);
    firstPacketMs.push_back(static_cast<double>(handler->FirstNs() - t0) / 1e6);
    stopMs.push_back(static_cast<double>(t3 - t2) / 1e6);
  }
  state.counters["start_return_med_ms"] = Quantile(startMs, 0.5);
  state.counters["first_packet_med_ms"] = Quantile(firstPacketMs, 0.5);
  state.counters["first_packet_max_ms"] = Quantile(firstPacketMs, 1.0);
  state.counters["stop_med_ms"] = Quantile(stopMs, 0.5);
  state.counters["stop_max_ms"] = Quantile(stopMs, 1.0);
}

// A camera pulled from a streaming source and plugged back once the source
// has noticed: the time from the replug to the next packet. The supervisor
// wakes on the library's device change, so this is the cost of building a
// session, not of waiting out a backoff delay.
void RunReplug(benchmark::State& state, const ModuleHost& host) {
  const std::string serial = rs2sim::DefaultSerial(0);
  rs2sim::AddDevice(rs2sim::DefaultCamera(serial));
  const auto source = host.CreateSource(CameraUrl(serial) + "&watchdog_ms=100", "bench");
  const auto handler = boost::make_shared<PacketClock>();
  source->Start(StartWith(handler));
  std::vector<double> replugMs;
  for (auto _ : state) {
    if (handler->WaitBeyond(handler->Packets()) == 0) {
      state.SkipWithError("no packets");
      break;
    }
    rs2sim::UnplugDevice(serial);
    // Past the silence (100 ms, looked at every 25 ms) and the first failed
    // try, which happens at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int before = handler->Packets();
    const std::int64_t t0 = MonotonicNs();
    rs2sim::ReplugDevice(serial);
    const std::int64_t first = handler->WaitBeyond(before);
    if (first == 0) {
      state.SkipWithError("no packet after the replug");
      break;
    }
    replugMs.push_back(static_cast<double>(first - t0) / 1e6);
  }
  source->Stop();
  state.counters["replug_to_packet_med_ms"] = Quantile(replugMs, 0.5);
  state.counters["replug_to_packet_max_ms"] = Quantile(replugMs, 1.0);
}

}  // namespace
}  // namespace vs_bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vs_bench::AddRunContext();
  const vs_bench::ModuleHost host;
  benchmark::RegisterBenchmark(
      "StartStop/30fps", [&host](benchmark::State& state) { vs_bench::RunStartStop(state, host); })
      ->Iterations(30)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark(
      "Replug/30fps", [&host](benchmark::State& state) { vs_bench::RunReplug(state, host); })
      ->Iterations(20)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
