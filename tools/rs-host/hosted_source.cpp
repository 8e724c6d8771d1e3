#include "hosted_source.hpp"

#include <utility>

#include <boost/make_shared.hpp>

#include "error_text.hpp"

namespace rs_host {

HostedSource::HostedSource(std::string name, std::string address, std::uint64_t packetLimit)
    : name_(std::move(name)),
      address_(std::move(address)),
      handler_(boost::make_shared<HostHandler>(packetLimit)) {}

HostedSource::~HostedSource() {
  Release();
}

bool HostedSource::Start(vid_db::Protocol& protocol) {
  try {
    vid_db::media::SourceSettings settings;
    settings.url = address_;
    settings.name = name_;
    service_ = protocol.CreateService(settings);
    source_ = dynamic_cast<vid_db::media::Source*>(service_.get());
    if (source_ == nullptr) {
      error_ = "the module made no media source for this address";
      service_.reset();
      return false;
    }
    vid_db::media::StartParams params;
    params.handler = handler_;
    handler_->Statistics().MarkStart(std::chrono::steady_clock::now());
    source_->Start(params);
    running_ = true;
  } catch (const std::exception& e) {
    error_ = DescribeException(e);
  } catch (...) {
    error_ = "unknown exception";
  }
  return running_;
}

void HostedSource::Stop() {
  if (!running_)
    return;
  running_ = false;
  try {
    source_->Stop();
  } catch (const std::exception& e) {
    stopError_ = DescribeException(e);
  }
}

void HostedSource::Release() {
  Stop();
  source_ = nullptr;
  service_.reset();
  handler_->Frames().Clear();
}

}  // namespace rs_host
