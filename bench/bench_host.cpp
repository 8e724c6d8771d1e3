#include "bench_host.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>

#include <benchmark/benchmark.h>

namespace vs_bench {

boost::shared_ptr<vid_db::media::Source> ModuleHost::CreateSource(const std::string& url,
                                                                  const std::string& name) const {
  vid_db::media::SourceSettings settings;
  settings.url = url;
  settings.name = name;
  return boost::dynamic_pointer_cast<vid_db::media::Source>(protocol_->CreateService(settings));
}

vid_db::media::StartParams StartWith(
    const boost::shared_ptr<vid_db::media::SourceHandler>& handler) {
  vid_db::media::StartParams params;
  params.handler = handler;
  return params;
}

std::string CameraUrl(const std::string& serial) {
  std::ostringstream url;
  url << "realsense://camera?sn=" << serial << "&c_width=" << kColorWidth
      << "&c_height=" << kColorHeight << "&c_fps=" << kFps << "&d_width=" << kDepthWidth
      << "&d_height=" << kDepthHeight << "&d_fps=" << kFps;
  return url.str();
}

std::int64_t ClockNs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return static_cast<std::int64_t>(resident) * sysconf(_SC_PAGESIZE);
}

double Quantile(std::vector<double> samples, double q) {
  if (samples.empty())
    return 0.0;
  const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(samples.size())));
  const std::size_t index = std::min(samples.size() - 1, rank == 0 ? 0 : rank - 1);
  std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(index),
                   samples.end());
  return samples[index];
}

double ThreadClockFloorNs() {
  std::vector<double> deltas;
  for (int i = 0; i < 10000; ++i) {
    const std::int64_t a = ThreadCpuNs();
    const std::int64_t b = ThreadCpuNs();
    deltas.push_back(static_cast<double>(b - a));
  }
  return Quantile(deltas, 0.5);
}

void AddRunContext() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  std::string model = "unknown";
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) {
      model = line.substr(line.find(':') + 2);
      break;
    }
  }
  benchmark::AddCustomContext("cpu_model", model);
  benchmark::AddCustomContext("build_type", VSRS_BENCH_BUILD_TYPE);
  const std::time_t now = std::time(nullptr);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S UTC", std::gmtime(&now));
  benchmark::AddCustomContext("date", date);
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) == 3) {
    std::ostringstream text;
    text << load[0] << " " << load[1] << " " << load[2];
    benchmark::AddCustomContext("load_average_at_start", text.str());
  }
}

}  // namespace vs_bench
