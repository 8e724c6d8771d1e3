// A host handler that stores what a source delivers, and in which order.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <vid_db/media/source.hpp>

#include "vs_test_support/log_capture.hpp"

namespace vs_test_support {

// Thread-safe: the source calls it from its own thread while the test reads.
// Stored packets are copies and so keep their buffers (and the camera's
// frames) alive until Clear or destruction.
class RecordingHandler : public vid_db::media::SourceHandler {
 public:
  bool OnStatus(vid_db::media::SourceStatus /*status*/) override { return true; }
  bool OnParams(const vid_db::media::StreamParams& params) override {
    return Record('A', paramsFailure_, params_, params);
  }
  bool OnPacket(const vid_db::media::Packet& packet) override {
    return Record('P', packetFailure_, packets_, packet);
  }

  // From the next OnPacket on, calls wait inside the handler until Unblock.
  void BlockPackets() { Set(blocked_, true); }
  void Unblock() {
    Set(blocked_, false);
    changed_.notify_all();
  }
  // The next OnParams / OnPacket throws std::runtime_error(text) instead of
  // recording (a blocked one once Unblock'ed).
  void ThrowOnParams(const std::string& text) { Set(paramsFailure_, text); }
  void ThrowOnPacket(const std::string& text) { Set(packetFailure_, text); }

  std::vector<vid_db::media::StreamParams> Params() const { return Get(params_); }
  std::vector<vid_db::media::Packet> Packets() const { return Get(packets_); }
  std::size_t PacketCount() const { return Get(packets_).size(); }
  // One letter per call begun, in call order, blocked and throwing ones
  // included: 'A' for OnParams (an announcement), 'P' for OnPacket.
  std::string Calls() const { return Get(calls_); }
  // Drops the stored packets, releasing their buffers.
  void Clear() {
    std::vector<vid_db::media::Packet> released;  // goes after the lock
    const std::lock_guard<std::mutex> lock(mutex_);
    released.swap(packets_);
  }

  // Each true once the count is reached; false after kWaitLimit.
  bool WaitForPackets(std::size_t count) const {
    return Wait([&] { return packets_.size() >= count; });
  }
  bool WaitForPacketCalls(std::size_t count) const {
    return Wait([&] {
      return std::count(calls_.begin(), calls_.end(), 'P') >= static_cast<std::ptrdiff_t>(count);
    });
  }

 private:
  template <class T>
  bool Record(char kind, std::optional<std::string>& failure, std::vector<T>& store,
              const T& item) {
    std::unique_lock<std::mutex> lock(mutex_);
    calls_ += kind;
    changed_.notify_all();
    if (kind == 'P')
      changed_.wait(lock, [this] { return !blocked_; });
    if (failure) {
      const std::string text = *failure;
      failure.reset();
      throw std::runtime_error(text);
    }
    store.push_back(item);
    changed_.notify_all();
    return true;
  }
  template <class T>
  T Get(const T& field) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return field;
  }
  template <class T, class V>
  void Set(T& field, const V& value) {
    const std::lock_guard<std::mutex> lock(mutex_);
    field = value;
  }
  template <class Predicate>
  bool Wait(Predicate predicate) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kWaitLimit, predicate);
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<vid_db::media::StreamParams> params_;
  std::vector<vid_db::media::Packet> packets_;
  std::string calls_;
  bool blocked_ = false;
  std::optional<std::string> paramsFailure_;
  std::optional<std::string> packetFailure_;
};

}  // namespace vs_test_support
