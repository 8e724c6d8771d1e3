// A stand-in module for the host's tests: serves "realsense" (or the scheme
// given at build time) and delivers small synthetic frames, so that rs-host
// can be exercised exactly, without a camera or its simulation.
//
// The address's query steers it:
//   bad          CreateService throws std::invalid_argument
//   fail_start   Start throws std::runtime_error
//   bgr          colour in BGR24 instead of RGB24
//   no_depth     packets carry no depth
//   lost=N       logs N "lost frames" warnings after Start
#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include "orvlog/orvlog.hpp"
#include "vid_db/media/packet.hpp"
#include "vid_db/media/source.hpp"
#include "vid_db/protocol.hpp"
#include "vs_stream/video_params.hpp"

#ifndef FAKE_SCHEME
#define FAKE_SCHEME "realsense"
#endif

namespace {

constexpr std::uint32_t kColourWidth = 64;
constexpr std::uint32_t kColourHeight = 48;
constexpr std::uint32_t kDepthWidth = 32;
constexpr std::uint32_t kDepthHeight = 24;

class Bytes : public vid_db::media::PackBuf {
 public:
  explicit Bytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  const std::uint8_t* GetData() const override { return bytes_.data(); }
  std::uint64_t GetSize() const override { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

class Depth : public vid_db::media::DepthFrame {
 public:
  explicit Depth(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  const std::uint8_t* GetData() const override { return bytes_.data(); }
  std::uint64_t GetSize() const override { return bytes_.size(); }
  std::uint64_t GetStride() const override { return 2u * kDepthWidth; }
  float GetUnits() const override { return 0.001f; }
  std::pair<std::uint32_t, std::uint32_t> GetResolution() const override {
    return {kDepthWidth, kDepthHeight};
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Depth rises from 500 on the left to 500 + 31 * 100 on the right; the top
// row has no depth.
std::vector<std::uint8_t> DepthImage() {
  std::vector<std::uint8_t> bytes(2u * kDepthWidth * kDepthHeight);
  for (std::uint32_t y = 1; y < kDepthHeight; ++y) {
    for (std::uint32_t x = 0; x < kDepthWidth; ++x) {
      const auto value = static_cast<std::uint16_t>(500 + 100 * x);
      bytes[2u * (y * kDepthWidth + x)] = static_cast<std::uint8_t>(value & 0xff);
      bytes[2u * (y * kDepthWidth + x) + 1] = static_cast<std::uint8_t>(value >> 8);
    }
  }
  return bytes;
}

// Every pixel is (200, 100, 50) in RGB order, stored as asked.
std::vector<std::uint8_t> ColourImage(bool bgr) {
  std::vector<std::uint8_t> bytes(3u * kColourWidth * kColourHeight);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    bytes[i] = bgr ? 50 : 200;
    bytes[i + 1] = 100;
    bytes[i + 2] = bgr ? 200 : 50;
  }
  return bytes;
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool Has(const std::string& url, const std::string& word) {
  return url.find(word) != std::string::npos;
}

class FakeSource : public vid_db::media::Source {
 public:
  explicit FakeSource(const vid_db::media::SourceSettings& settings)
      : url_(settings.url), name_(settings.name) {
    if (Has(url_, "bad"))
      throw std::invalid_argument("failed to parse URL: '" + url_ + "'");
  }
  ~FakeSource() override { Stop(); }

  void Start(const vid_db::media::StartParams& params) override {
    if (Has(url_, "fail_start"))
      throw std::runtime_error("no device connected");
    handler_ = params.handler;
    running_ = true;
    const auto lostAt = url_.find("lost=");
    const int lost = lostAt == std::string::npos ? 0 : std::stoi(url_.substr(lostAt + 5));
    for (int i = 0; i < lost; ++i)
      LogLost();
    thread_ = std::thread([this] { Deliver(); });
  }

  void Stop() override {
    running_ = false;
    if (thread_.joinable())
      thread_.join();
    handler_.reset();
  }

 private:
  void LogLost() const {
    static orvlog::Logger logger("viroz.realsense", false);
    auto record = boost::make_shared<orvlog::LogRecord>(orvlog::Severity::Warning);
    record->SetMessage("<" + name_ + "> ProcessFrame: lost frames");
    logger.PushRecord(record);
  }

  void Deliver() {
    vid_db::media::StreamParams params;
    vs_stream::VideoRawParams raw;
    const bool bgr = Has(url_, "bgr");
    raw.width = kColourWidth;
    raw.height = kColourHeight;
    raw.pixelFormat = bgr ? vs_stream::kPixelFormatBgr24 : vs_stream::kPixelFormatRgb24;
    params.rawVideo = raw;
    handler_->OnParams(params);
    const auto depth = DepthImage();
    const auto colour = ColourImage(bgr);
    while (running_) {
      vid_db::media::Packet packet(boost::make_shared<Bytes>(colour), NowMs(), true);
      if (!Has(url_, "no_depth"))
        packet.Attach("depth", boost::make_shared<Depth>(depth));
      handler_->OnPacket(packet);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  const std::string url_;
  const std::string name_;
  boost::shared_ptr<vid_db::media::SourceHandler> handler_;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

class FakeProtocol : public vid_db::Protocol {
 public:
  boost::shared_ptr<vid_db::Service> CreateService(
      const vid_db::ServiceSettings& settings) override {
    if (settings.GetType() != "media")
      return {};
    return boost::make_shared<FakeSource>(
        dynamic_cast<const vid_db::media::SourceSettings&>(settings));
  }
  std::vector<std::string> GetSchemes() const override { return {FAKE_SCHEME}; }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int run_realsense_protocol_query(
    void* /*unused*/, boost::shared_ptr<vid_db::Protocol>& protocol) {
  protocol = boost::make_shared<FakeProtocol>();
  return 0;
}
