// What every benchmark needs to play the host: the module loaded as a server
// loads it, sources made from addresses, and the process figures (CPU time,
// resident memory, threads) that the results are built from.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <vid_db/media/source.hpp>
#include <vs_test_support/module_loader.hpp>

namespace vs_bench {

// 1280x720 RGB8 colour with 848x480 Z16 depth: what a D435 streams by default.
inline constexpr int kColorWidth = 1280;
inline constexpr int kColorHeight = 720;
inline constexpr int kDepthWidth = 848;
inline constexpr int kDepthHeight = 480;
inline constexpr int kFps = 30;

// The module with its protocol. Sources made here must go before the host:
// their code lives in the module it unloads.
class ModuleHost {
 public:
  explicit ModuleHost(const std::string& modulePath = vs_test_support::ModulePath())
      : module_(modulePath) {}
  boost::shared_ptr<vid_db::media::Source> CreateSource(const std::string& url,
                                                        const std::string& name) const;

 private:
  const vs_test_support::LoadedModule module_;
  const boost::shared_ptr<vid_db::Protocol> protocol_ = module_.NewProtocol();
};

vid_db::media::StartParams StartWith(
    const boost::shared_ptr<vid_db::media::SourceHandler>& handler);

// Address of one camera at the benchmark's sizes and rate.
std::string CameraUrl(const std::string& serial);

std::int64_t ClockNs(clockid_t clock);
inline std::int64_t ThreadCpuNs() {
  return ClockNs(CLOCK_THREAD_CPUTIME_ID);
}
inline std::int64_t ProcessCpuNs() {
  return ClockNs(CLOCK_PROCESS_CPUTIME_ID);
}
inline std::int64_t MonotonicNs() {
  return ClockNs(CLOCK_MONOTONIC);
}
std::int64_t ResidentBytes();

// The q-quantile (0..1) of the samples, nearest rank; 0 for no samples.
double Quantile(std::vector<double> samples, double q);

// Median cost of reading the thread CPU clock twice in a row: the floor under
// every per-frameset CPU sample.
double ThreadClockFloorNs();

// Machine, build type and date as Google Benchmark's context lines.
void AddRunContext();

}  // namespace vs_bench
