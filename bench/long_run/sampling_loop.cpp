#include "sampling_loop.hpp"

#include <csignal>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace long_run {
namespace {

volatile std::sig_atomic_t gStop = 0;

extern "C" void OnStop(int /*signal*/) {
  gStop = 1;
}

}  // namespace

StopRequest::StopRequest() {
  gStop = 0;
  std::signal(SIGINT, OnStop);
  std::signal(SIGTERM, OnStop);
}

StopRequest::~StopRequest() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool StopRequest::Requested() {
  return gStop != 0;
}

bool RunSamplingLoop(const LoopSettings& settings, std::ostream& out,
                     const std::function<std::optional<Sample>()>& sample,
                     const std::function<void(std::chrono::steady_clock::time_point)>& tick) {
  using Clock = std::chrono::steady_clock;
  using Seconds = std::chrono::duration<double>;
  // Samples go to the file as they come and are not kept here: the loop's
  // own memory stays flat, since it is part of what it measures.
  std::ofstream csv(settings.csvPath, std::ios::trunc);
  if (!csv)
    throw std::runtime_error("cannot write " + settings.csvPath);
  WriteCsvHeader(csv);
  out << TableHeader() << "\n" << std::flush;

  const auto start = Clock::now();
  const auto interval = std::chrono::duration_cast<Clock::duration>(Seconds(settings.interval));
  auto next = start;
  while (!StopRequest::Requested()) {
    const auto now = Clock::now();
    const double elapsed = Seconds(now - start).count();
    if (now >= next) {
      auto taken = sample();
      if (!taken)
        return false;
      taken->seconds = elapsed;
      out << TableLine(*taken) << "\n" << std::flush;
      WriteCsvLine(csv, *taken);
      next += interval;
    }
    if (elapsed >= settings.seconds)
      break;
    tick(now);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

}  // namespace long_run
