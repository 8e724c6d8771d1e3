#include "module_run.hpp"

#include <unistd.h>

#include <optional>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>
#include <module_log_lines.hpp>
#include <orvlog/orvlog.hpp>
#include <rs2sim/control.hpp>
#include <vid_db/media/source.hpp>
#include <vs_test_support/module_loader.hpp>

#include "replug.hpp"

namespace long_run {
namespace {

namespace log_lines = vs_realsense2::log_lines;

// The middle of a "<name> Restart: streaming again after ..." line.
const std::string kStreamingAgain = "> " + std::string(log_lines::kRestartTag) + ": " +
                                    std::string(log_lines::kStreamingAgainBegin);

// Counts every packet; holds the newest `keep` of them, as a server that
// buffers a moment of video does, and lets the oldest go.
class LongRunHandler : public vid_db::media::SourceHandler {
 public:
  LongRunHandler(std::atomic<std::uint64_t>& packets, std::size_t keep)
      : packets_(packets), keep_(keep) {}

  bool OnStatus(vid_db::media::SourceStatus /*status*/) override { return true; }
  bool OnParams(const vid_db::media::StreamParams& /*params*/) override { return true; }
  bool OnPacket(const vid_db::media::Packet& packet) override {
    packets_.fetch_add(1, std::memory_order_relaxed);
    if (keep_ == 0)
      return true;
    std::deque<vid_db::media::Packet> released;  // goes after the lock
    const std::lock_guard<std::mutex> lock(mutex_);
    kept_.push_back(packet);
    while (kept_.size() > keep_) {
      released.push_back(std::move(kept_.front()));
      kept_.pop_front();
    }
    return true;
  }

 private:
  std::atomic<std::uint64_t>& packets_;
  const std::size_t keep_;
  std::mutex mutex_;
  std::deque<vid_db::media::Packet> kept_;  // guarded by mutex_
};

// The recording source's series over the run: its number of files at every
// tick (never above the budget), and the gap in its packets at each new file
// (from the last packet of one file to the first of the next).
class SeriesWatch {
 public:
  using Clock = std::chrono::steady_clock;

  SeriesWatch(std::string folder, std::string name)
      : folder_(std::move(folder)),
        marker_("<" + name + "> Session: recording to file: "),
        sink_(orvlog::AddCallbackSink(orvlog::Severity::Info, [this](const orvlog::LogLine& line) {
          if (line.channel == log_lines::kChannel && line.message.rfind(marker_, 0) == 0)
            NewFile();
        })) {}
  ~SeriesWatch() { orvlog::RemoveSink(sink_); }
  SeriesWatch(const SeriesWatch&) = delete;
  SeriesWatch& operator=(const SeriesWatch&) = delete;

  // The source's reader thread.
  void Packet() {
    const Clock::time_point now = Clock::now();
    const std::lock_guard<std::mutex> lock(mutex_);
    if (pending_) {
      gapsMs_.push_back(std::chrono::duration<double, std::milli>(now - last_).count());
      pending_ = false;
    }
    last_ = now;
    seen_ = true;
  }

  // The sampling thread.
  void Look() {
    std::size_t files = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end;
         it.increment(error)) {
      ++files;
    }
    mostFiles_ = std::max(mostFiles_, files);
  }

  // Returns whether the series kept within `keepFiles` files.
  bool Report(std::size_t keepFiles, std::ostream& out) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<double> gaps = gapsMs_;
    std::sort(gaps.begin(), gaps.end());
    out << "recording series: " << gaps.size() << " new files with packets before and after; "
        << "at most " << mostFiles_ << " files (budget " << keepFiles << ")\n";
    if (!gaps.empty()) {
      out << "gap at a new file (last packet of one file to the first of the next): median "
          << gaps[gaps.size() / 2] << " ms, max " << gaps.back() << " ms\n";
    }
    return mostFiles_ <= keepFiles;
  }

 private:
  // Any thread that writes the line: the supervisor's.
  void NewFile() {
    const std::lock_guard<std::mutex> lock(mutex_);
    pending_ = seen_;
  }

  const std::string folder_;
  const std::string marker_;
  std::mutex mutex_;
  Clock::time_point last_;      // guarded by mutex_
  bool seen_ = false;           // guarded by mutex_
  bool pending_ = false;        // guarded by mutex_: a new file, its first packet not yet seen
  std::vector<double> gapsMs_;  // guarded by mutex_
  std::size_t mostFiles_ = 0;   // sampling thread
  const orvlog::SinkId sink_;
};

// Passes each packet on, and tells the series' watch.
class SeriesHandler : public LongRunHandler {
 public:
  SeriesHandler(std::atomic<std::uint64_t>& packets, std::size_t keep, SeriesWatch& watch)
      : LongRunHandler(packets, keep), watch_(watch) {}
  bool OnPacket(const vid_db::media::Packet& packet) override {
    watch_.Packet();
    return LongRunHandler::OnPacket(packet);
  }

 private:
  SeriesWatch& watch_;
};

// Counts the module's "streaming again" lines: each is a restart that
// succeeded. Warnings and errors also go to the console.
class RestartCounter {
 public:
  RestartCounter()
      : console_(orvlog::AddConsoleSink(orvlog::Severity::Warning)),
        sink_(orvlog::AddCallbackSink(orvlog::Severity::Info, [this](const orvlog::LogLine& line) {
          if (line.channel == log_lines::kChannel && line.severity == orvlog::Severity::Info &&
              line.message.find(kStreamingAgain) != std::string::npos) {
            restarts_.fetch_add(1, std::memory_order_relaxed);
          }
        })) {}
  ~RestartCounter() {
    orvlog::RemoveSink(sink_);
    orvlog::RemoveSink(console_);
  }
  RestartCounter(const RestartCounter&) = delete;
  RestartCounter& operator=(const RestartCounter&) = delete;
  std::uint64_t Restarts() const { return restarts_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> restarts_{0};
  const orvlog::SinkId console_;
  const orvlog::SinkId sink_;
};

// Colour and depth sizes and rate of the i-th live source: the modes the
// D435 offers, mixed, so that the run covers several buffer sizes and rates.
std::string LiveAddress(int i, const std::string& serial) {
  struct Mode {
    int cw, ch, cfps, dw, dh, dfps;
  };
  static const Mode kModes[] = {{1280, 720, 30, 848, 480, 30},
                                {640, 480, 15, 640, 480, 15},
                                {1920, 1080, 6, 1280, 720, 6},
                                {640, 480, 30, 1280, 720, 30}};
  const Mode& m = kModes[static_cast<std::size_t>(i) % (sizeof kModes / sizeof kModes[0])];
  std::ostringstream url;
  url << "realsense://?sn=" << serial << "&c_width=" << m.cw << "&c_height=" << m.ch
      << "&c_fps=" << m.cfps << "&d_width=" << m.dw << "&d_height=" << m.dh << "&d_fps=" << m.dfps;
  return url.str();
}

// One second of 640x480 colour and depth at 30 fps (46 MB); the playback
// loops it.
void WritePlaybackFile(const std::string& path) {
  rs2sim::RecordingSpec recording;
  recording.device = rs2sim::DefaultCamera("912345678901");
  recording.streams = {{RS2_STREAM_COLOR, 0, RS2_FORMAT_RGB8, 640, 480, 30},
                       {RS2_STREAM_DEPTH, 0, RS2_FORMAT_Z16, 640, 480, 30}};
  for (int i = 0; i < 30; ++i) {
    rs2sim::FrameSpec colour;
    colour.stream = RS2_STREAM_COLOR;
    colour.format = RS2_FORMAT_RGB8;
    colour.timestamp = 1000.0 + i * 1000.0 / 30;
    colour.fill = static_cast<std::uint8_t>(i * 4);
    rs2sim::FrameSpec depth = colour;
    depth.stream = RS2_STREAM_DEPTH;
    depth.format = RS2_FORMAT_Z16;
    recording.framesets.push_back({{colour, depth}, true});
  }
  rs2sim::WriteRecording(path, recording);
}

std::string Encode(const std::string& path) {
  std::string out;
  for (const char c : path) {
    if (c == '/')
      out += "%2F";
    else if (c == ' ')
      out += "%20";
    else
      out += c;
  }
  return out;
}

}  // namespace

bool RunModule(const ModuleRunSettings& settings, std::ostream& out) {
  WritePlaybackFile(settings.recordingPath);
  std::vector<std::pair<std::string, std::string>> addresses;  // name, address
  for (int i = 0; i < settings.cameras; ++i) {
    const std::string serial = "91000000000" + std::to_string(i);
    rs2sim::AddDevice(rs2sim::DefaultCamera(serial));
    addresses.emplace_back("cam" + std::to_string(i), LiveAddress(i, serial));
  }
  addresses.emplace_back("play",
                         "realsense://?playback_from_file=" + Encode(settings.recordingPath));
  std::optional<SeriesWatch> series;
  if (!settings.seriesFolder.empty()) {
    // 640x480 at 6 fps: 9 MB a second on disk.
    const std::string serial = "919999999999";
    rs2sim::AddDevice(rs2sim::DefaultCamera(serial));
    std::filesystem::remove_all(settings.seriesFolder);
    std::filesystem::create_directories(settings.seriesFolder);
    addresses.emplace_back("rec",
                           "realsense://?sn=" + serial +
                               "&c_width=640&c_height=480&c_fps=6&d_width=640&d_height=480&d_fps=6"
                               "&record_to_file=" +
                               Encode(settings.seriesFolder + "/rec.bag") +
                               "&record_split_s=" + std::to_string(settings.splitSeconds) +
                               "&record_keep_files=" + std::to_string(settings.keepFiles));
    series.emplace(settings.seriesFolder, "rec");
  }

  const RestartCounter restarts;
  std::atomic<std::uint64_t> packets{0};
  bool ok = true;
  {
    // Declared first: every source goes before the module unloads.
    const vs_test_support::LoadedModule module;
    const auto protocol = module.NewProtocol();
    std::vector<boost::shared_ptr<vid_db::media::Source>> sources;
    for (const auto& [name, address] : addresses) {
      vid_db::media::SourceSettings sourceSettings;
      sourceSettings.url = address;
      sourceSettings.name = name;
      auto source = boost::dynamic_pointer_cast<vid_db::media::Source>(
          protocol->CreateService(sourceSettings));
      vid_db::media::StartParams params;
      const auto keep = static_cast<std::size_t>(settings.keepPackets);
      if (name == "rec")
        params.handler = boost::make_shared<SeriesHandler>(packets, keep, *series);
      else
        params.handler = boost::make_shared<LongRunHandler>(packets, keep);
      try {
        source->Start(params);
      } catch (const std::exception& e) {
        out << "source " << name << " (" << address << ") failed to start: " << e.what() << "\n";
        ok = false;
      }
      out << "source " << name << ": " << address << "\n";
      sources.push_back(std::move(source));
    }

    std::optional<ReplugCycle> replug;
    if (settings.replugEvery > 0 && settings.cameras > 1) {
      if (ReplugAvailable()) {
        using Seconds = std::chrono::duration<double>;
        replug.emplace("910000000001", std::chrono::steady_clock::now(),
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           Seconds(settings.replugEvery)),
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           Seconds(settings.replugAbsence)));
        out << "cam1 is unplugged every " << settings.replugEvery << " s for "
            << settings.replugAbsence << " s\n";
      } else {
        out << "no unplug/replug cycle: this rs2sim cannot unplug a device\n";
      }
    }

    const StopRequest stop;
    const bool sampled = RunSamplingLoop(
        settings.loop, out,
        [&]() -> std::optional<Sample> {
          auto sample = ReadProcess(static_cast<int>(getpid()));
          if (sample) {
            sample->packets = packets.load(std::memory_order_relaxed);
            sample->restarts = restarts.Restarts();
          }
          return sample;
        },
        [&](std::chrono::steady_clock::time_point now) {
          if (replug)
            replug->Run(now);
          if (series)
            series->Look();
        });
    ok = ok && sampled;
    if (replug) {
      // Each unplug must have brought a restart that streams again; the
      // last one may still be under way when the run ends.
      const auto unplugs = static_cast<std::uint64_t>(replug->Unplugs());
      out << "unplugged and replugged: " << unplugs
          << " times; restarts that streamed again: " << restarts.Restarts() << "\n";
      if (restarts.Restarts() + 1 < unplugs) {
        out << "FAIL: fewer restarts than unplugs\n";
        ok = false;
      }
    }
    replug.reset();
    for (auto& source : sources)
      source->Stop();
    if (series && !series->Report(static_cast<std::size_t>(settings.keepFiles), out)) {
      out << "FAIL: the recording series went beyond its budget\n";
      ok = false;
    }
  }
  return ok;
}

}  // namespace long_run
