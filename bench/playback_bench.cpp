// The reader thread's CPU per frameset on the real librealsense2, with a
// recording played through the loaded module instead of a camera: one line
// per run, for each address query asked (by default the plain path and
// align=color). The window of a sample opens when OnPacket returns and
// closes when the next one is entered, so it holds everything the reader did
// for one frameset: the release of the previous packet, the wait and the
// wake-up, Pop and ProcessVideoFrames.
//   playback_bench --recording FILE [--module SO] [--seconds 8] [--rounds 1]
//                  [--query Q]...  (each Q is one run per round; "" the plain path)
//                  [--follow 1]    (also the frame-number bookkeeping alone, below)
// Rounds go query by query within the process; bench/compare_revisions.sh
// interleaves two modules' runs across processes.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/make_shared.hpp>
#include <librealsense2/rs.hpp>
#include <vid_db/media/source.hpp>

#include "bench_host.hpp"
#include "frame_numbers.hpp"
#include "queue_losses.hpp"

namespace vs_bench {
namespace {

// The first framesets pay for the start (allocations, the first base).
constexpr std::size_t kWarmUp = 15;

// Samples are written by the reader thread only and read after Stop joined it.
class CpuPerFramesetHandler : public vid_db::media::SourceHandler {
 public:
  bool OnStatus(vid_db::media::SourceStatus /*status*/) override { return true; }
  bool OnParams(const vid_db::media::StreamParams& /*params*/) override { return true; }
  bool OnPacket(const vid_db::media::Packet& /*packet*/) override {
    const std::int64_t entryNs = ThreadCpuNs();
    if (lastExitNs_ >= 0 && ++packets_ > kWarmUp)
      cpuNs_.push_back(static_cast<double>(entryNs - lastExitNs_));
    lastExitNs_ = ThreadCpuNs();
    return true;
  }
  const std::vector<double>& CpuNs() const { return cpuNs_; }

 private:
  std::size_t packets_ = 0;
  std::int64_t lastExitNs_ = -1;
  std::vector<double> cpuNs_;
};

struct Options {
  std::string recording;
  std::string module = vs_test_support::ModulePath();
  double seconds = 8;
  int rounds = 1;
  std::vector<std::string> queries;
  bool follow = false;
};

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const std::string value = argv[i + 1];
    if (key == "--recording")
      options.recording = value;
    else if (key == "--module")
      options.module = value;
    else if (key == "--seconds")
      options.seconds = std::stod(value);
    else if (key == "--rounds")
      options.rounds = std::stoi(value);
    else if (key == "--query")
      options.queries.push_back(value);
    else if (key == "--follow")
      options.follow = value == "1";
    else
      return false;
  }
  if (options.queries.empty())
    options.queries = {"", "align=color"};
  return argc % 2 == 1 && !options.recording.empty();
}

void RunOnce(const ModuleHost& host, const Options& options, const std::string& query) {
  const auto handler = boost::make_shared<CpuPerFramesetHandler>();
  const auto source = host.CreateSource(
      "realsense://?playback_from_file=" + options.recording + (query.empty() ? "" : "&" + query),
      "bench");
  source->Start(StartWith(handler));
  std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
  source->Stop();
  const std::vector<double>& ns = handler->CpuNs();
  double sum = 0;
  for (double sample : ns)
    sum += sample;
  std::printf("query=%s framesets=%zu reader_cpu_us med=%.1f p90=%.1f p99=%.1f mean=%.1f\n",
              query.empty() ? "-" : query.c_str(), ns.size(), Quantile(ns, 0.5) / 1e3,
              Quantile(ns, 0.9) / 1e3, Quantile(ns, 0.99) / 1e3,
              ns.empty() ? 0.0 : sum / static_cast<double>(ns.size()) / 1e3);
  std::fflush(stdout);
}

// The frame-number bookkeeping alone, on each frameset as the library
// delivers it, on the library's own playback thread: the reader's share
// (the numbers of the colour and depth frames, taken out of the frameset
// first and untimed, as the reader has them, and following them), and the
// library thread's share for a frameset the queue drops (one pass over the
// frameset), timed first so that it meets the frameset cold, as the module's
// callback would. Wall time around each call; a monotonic clock pair,
// printed beside it, is included.
void RunFollow(const Options& options) {
  rs2::config config;
  config.enable_device_from_file(options.recording, true);
  std::mutex mutex;
  std::vector<double> ns;
  std::vector<double> droppedNs;
  vs_realsense2::FrameNumbers numbers(std::make_shared<vs_realsense2::SourceStats>());
  vs_realsense2::QueueLosses losses;
  rs2::pipeline pipeline;
  pipeline.start(config, [&](const rs2::frame& frame) {
    const rs2::frameset frames(frame);
    if (!frames)
      return;
    const std::int64_t droppedBegin = MonotonicNs();
    losses.Dropped(frames);
    const std::int64_t droppedEnd = MonotonicNs();
    losses.Passed();
    const rs2::frame color = frames.get_color_frame();
    const rs2::frame depth = frames.get_depth_frame();
    const std::int64_t begin = MonotonicNs();
    const vs_realsense2::FramesetNumbers read = vs_realsense2::ReadNumbers(color, depth);
    numbers.Follow(read, nullptr);
    const std::int64_t end = MonotonicNs();
    const std::lock_guard<std::mutex> lock(mutex);
    if (read.color && read.depth) {
      ns.push_back(static_cast<double>(end - begin));
      droppedNs.push_back(static_cast<double>(droppedEnd - droppedBegin));
    }
  });
  std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
  pipeline.stop();
  std::vector<double> clockPair;
  for (int i = 0; i < 1000; ++i) {
    const std::int64_t begin = MonotonicNs();
    clockPair.push_back(static_cast<double>(MonotonicNs() - begin));
  }
  const std::lock_guard<std::mutex> lock(mutex);
  std::printf(
      "frame numbers framesets=%zu reader ns med=%.0f p90=%.0f p99=%.0f; dropped at the queue ns "
      "med=%.0f p90=%.0f p99=%.0f (clock pair med %.0f ns)\n",
      ns.size(), Quantile(ns, 0.5), Quantile(ns, 0.9), Quantile(ns, 0.99), Quantile(droppedNs, 0.5),
      Quantile(droppedNs, 0.9), Quantile(droppedNs, 0.99), Quantile(clockPair, 0.5));
  std::fflush(stdout);
}

}  // namespace
}  // namespace vs_bench

int main(int argc, char** argv) {
  vs_bench::Options options;
  if (!vs_bench::Parse(argc, argv, options)) {
    std::cerr << "usage: playback_bench --recording FILE [--module SO] [--seconds S] "
                 "[--rounds N] [--query Q]... [--follow 1]\n";
    return 2;
  }
  std::printf("library %d.%d.%d, module %s, %.1f s per run\n", RS2_API_MAJOR_VERSION,
              RS2_API_MINOR_VERSION, RS2_API_PATCH_VERSION, options.module.c_str(),
              options.seconds);
  const vs_bench::ModuleHost host(options.module);
  for (int round = 0; round < options.rounds; ++round) {
    for (const std::string& query : options.queries)
      vs_bench::RunOnce(host, options, query);
    if (options.follow)
      vs_bench::RunFollow(options);
  }
  return 0;
}
