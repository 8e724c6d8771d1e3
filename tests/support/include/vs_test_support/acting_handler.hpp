// Handlers that act from inside their own calls, and a one-way flag between threads.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "vs_test_support/log_capture.hpp"
#include "vs_test_support/recording_handler.hpp"

namespace vs_test_support {

// Runs `action` once, on the first OnParams or OnPacket (as chosen) that
// returns, after recording the call; signals when the handler itself is
// released, with every call it had.
class ActingHandler : public RecordingHandler {
 public:
  ActingHandler(char when, std::function<void()> action,
                std::function<void(const std::string& calls)> released)
      : when_(when), action_(std::move(action)), released_(std::move(released)) {}
  ~ActingHandler() override {
    Clear();  // the frames of stored packets go before the signal
    released_(Calls());
  }

  bool OnParams(const vid_db::media::StreamParams& params) override {
    RecordingHandler::OnParams(params);
    Act('A');
    return true;
  }
  bool OnPacket(const vid_db::media::Packet& packet) override {
    RecordingHandler::OnPacket(packet);
    Act('P');
    return true;
  }

 private:
  void Act(char call) {
    if (call == when_ && action_) {
      const std::function<void()> action = std::move(action_);
      action_ = nullptr;
      action();
    }
  }

  const char when_;
  std::function<void()> action_;
  const std::function<void(const std::string&)> released_;
};

// A flag that one thread raises and another waits for.
class Latch {
 public:
  // Notifies under the lock: the waiter may destroy the latch as soon as it
  // can take the lock again.
  void Raise() {
    const std::lock_guard<std::mutex> lock(mutex_);
    raised_ = true;
    raisedChanged_.notify_all();
  }
  bool Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    return raisedChanged_.wait_for(lock, kWaitLimit, [this] { return raised_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable raisedChanged_;
  bool raised_ = false;
};

}  // namespace vs_test_support
