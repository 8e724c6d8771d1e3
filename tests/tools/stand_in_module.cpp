// A stand-in for the module, loaded by rs-host through --module in its tests:
// each source plays a script given by its address instead of a camera, so
// that a test can make a source restart (with the module's exact log lines
// and a new announcement) or stay silent.
//   realsense://?restarts=N   after every 50 packets, until N restarts were
//                             made: the restart lines, 300 ms without packets,
//                             one failed try, the line "streaming again", a
//                             new announcement, then packets again
//   realsense://?silent=1     starts, announces, never delivers a packet
//   realsense://?lost=N       after the announcement, a "lost frames" warning
//                             and one that sums N more
// Packets come every 10 ms: 640x480 RGB24 colour without depth.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <module_log_lines.hpp>

#include "orvlog/orvlog.hpp"
#include "vid_db/media/source.hpp"
#include "vid_db/protocol.hpp"
#include "vs_stream/video_params.hpp"

namespace {

// A number of the script; 0 for a key not given. No key of a script ends
// another, so the first "key=" found is the key's.
int Number(const std::string& url, const std::string& key) {
  const auto at = url.find(key + "=");
  return at == std::string::npos ? 0 : std::atoi(url.c_str() + at + key.size() + 1);
}

using orvlog::Severity;
namespace lines = vs_realsense2::log_lines;

// A line of the module's channel, of source `name`.
void Log(Severity severity, const std::string& name, const std::string& text) {
  static const orvlog::Logger logger(lines::kChannel, false);
  auto record = boost::make_shared<orvlog::LogRecord>(severity);
  record->SetMessage("<" + name + "> " + text);
  logger.PushRecord(record);
}

class Image : public vid_db::media::PackBuf {
 public:
  const std::uint8_t* GetData() const override { return nullptr; }
  std::uint64_t GetSize() const override { return 0; }
};

class ScriptedSource : public vid_db::media::Source {
 public:
  explicit ScriptedSource(const vid_db::media::SourceSettings& settings)
      : name_(settings.name), url_(settings.url) {}
  ~ScriptedSource() override { Stop(); }

  void Start(const vid_db::media::StartParams& params) override {
    handler_ = params.handler;
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
  }

  void Stop() override {
    stopping_ = true;
    if (thread_.joinable())
      thread_.join();
  }

 private:
  void Announce() {
    vid_db::media::StreamParams params;
    params.rawVideo = vs_stream::VideoRawParams{};
    params.rawVideo->width = 640;
    params.rawVideo->height = 480;
    params.rawVideo->pixelFormat = vs_stream::kPixelFormatRgb24;
    handler_->OnParams(params);
  }

  void Restart() {
    Log(Severity::Warning, name_, "Watchdog: no frames for 2000 ms, restarting");
    Log(Severity::Warning, name_,
        "Restart: try 1 failed: rs2::error: No device connected; next try in 500 ms");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Log(Severity::Info, name_, "Restart: streaming again after 0.3 s, 2 tries");
    Announce();
  }

  void Run() {
    Announce();
    if (const int lost = Number(url_, "lost"); lost > 0) {
      Log(Severity::Warning, name_, "ProcessFrame: " + std::string(lines::kLostFrames));
      Log(Severity::Warning, name_,
          "ProcessFrame: " + std::string(lines::kLostFramesCountBegin) + std::to_string(lost) +
              std::string(lines::kLostFramesCountEnd));
    }
    const bool silent = Number(url_, "silent") != 0;
    const int restarts = Number(url_, "restarts");
    int made = 0;
    for (std::int64_t i = 1; !stopping_; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (silent)
        continue;
      const vid_db::media::Packet packet(boost::make_shared<Image>(), 1'700'000'000'000 + 10 * i,
                                         true);
      handler_->OnPacket(packet);
      if (i % 50 == 0 && made < restarts) {
        ++made;
        Restart();
      }
    }
  }

  const std::string name_;
  const std::string url_;
  boost::shared_ptr<vid_db::media::SourceHandler> handler_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

class StandInProtocol : public vid_db::Protocol {
 public:
  boost::shared_ptr<vid_db::Service> CreateService(
      const vid_db::ServiceSettings& settings) override {
    return boost::make_shared<ScriptedSource>(
        dynamic_cast<const vid_db::media::SourceSettings&>(settings));
  }
  std::vector<std::string> GetSchemes() const override { return {"realsense"}; }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int run_realsense_protocol_query(
    void* /*unused*/, boost::shared_ptr<vid_db::Protocol>& protocol) {
  protocol = boost::make_shared<StandInProtocol>();
  return 0;
}
