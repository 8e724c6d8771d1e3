#include "vs_test_support/recording_handler.hpp"

#include <stdexcept>

#include "vs_test_support/log_capture.hpp"

namespace vs_test_support {

bool RecordingHandler::OnStatus(vid_db::media::SourceStatus /*status*/) {
  return true;
}

bool RecordingHandler::OnParams(const vid_db::media::StreamParams& params) {
  std::unique_lock<std::mutex> lock(mutex_);
  threads_.push_back(std::this_thread::get_id());
  if (paramsFailure_) {
    const std::string text = *paramsFailure_;
    paramsFailure_.reset();
    throw std::runtime_error(text);
  }
  params_.push_back(params);
  changed_.notify_all();
  return true;
}

bool RecordingHandler::OnPacket(const vid_db::media::Packet& packet) {
  std::unique_lock<std::mutex> lock(mutex_);
  threads_.push_back(std::this_thread::get_id());
  ++packetCallsEntered_;
  changed_.notify_all();
  changed_.wait(lock, [this] { return !blocked_; });
  if (packetFailure_) {
    const std::string text = *packetFailure_;
    packetFailure_.reset();
    throw std::runtime_error(text);
  }
  packets_.push_back(packet);
  changed_.notify_all();
  return true;
}

void RecordingHandler::BlockPackets() {
  const std::lock_guard<std::mutex> lock(mutex_);
  blocked_ = true;
}

void RecordingHandler::Unblock() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    blocked_ = false;
  }
  changed_.notify_all();
}

void RecordingHandler::ThrowOnParams(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  paramsFailure_ = text;
}

void RecordingHandler::ThrowOnPacket(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  packetFailure_ = text;
}

std::vector<vid_db::media::StreamParams> RecordingHandler::Params() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return params_;
}

std::vector<vid_db::media::Packet> RecordingHandler::Packets() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return packets_;
}

std::size_t RecordingHandler::PacketCount() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return packets_.size();
}

std::size_t RecordingHandler::PacketCallsEntered() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return packetCallsEntered_;
}

std::vector<std::thread::id> RecordingHandler::CallingThreads() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return threads_;
}

void RecordingHandler::Clear() {
  std::vector<vid_db::media::Packet> released;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    released.swap(packets_);
  }
}

template <class Predicate>
bool RecordingHandler::Wait(Predicate predicate) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, kWaitLimit, predicate);
}

bool RecordingHandler::WaitForPackets(std::size_t count) const {
  return Wait([&] { return packets_.size() >= count; });
}

bool RecordingHandler::WaitForPacketCallsEntered(std::size_t count) const {
  return Wait([&] { return packetCallsEntered_ >= count; });
}

}  // namespace vs_test_support
