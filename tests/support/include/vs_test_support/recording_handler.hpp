// A host handler that stores what a source delivers, for tests that check
// exactly which parameters and packets arrived.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <vid_db/media/source.hpp>

namespace vs_test_support {

// Thread-safe: the source calls it from its own thread while the test reads.
// Stored packets are copies and so keep their buffers (and the camera's
// frames) alive until Clear or destruction.
class RecordingHandler : public vid_db::media::SourceHandler {
 public:
  bool OnStatus(vid_db::media::SourceStatus status) override;
  bool OnParams(const vid_db::media::StreamParams& params) override;
  bool OnPacket(const vid_db::media::Packet& packet) override;

  // From the next OnPacket on, calls wait inside the handler until Unblock.
  void BlockPackets();
  void Unblock();
  // The next OnParams / OnPacket throws std::runtime_error(text) instead of
  // recording (and once Unblock'ed, when blocked too).
  void ThrowOnParams(const std::string& text);
  void ThrowOnPacket(const std::string& text);

  std::vector<vid_db::media::StreamParams> Params() const;
  std::vector<vid_db::media::Packet> Packets() const;
  std::size_t PacketCount() const;
  // OnPacket calls begun, including blocked and throwing ones.
  std::size_t PacketCallsEntered() const;
  // Threads the handler was called on, in call order (one per call).
  std::vector<std::thread::id> CallingThreads() const;
  // Drops the stored packets, releasing their buffers.
  void Clear();

  // Each true once the count is reached; false after kWaitLimit.
  bool WaitForPackets(std::size_t count) const;
  bool WaitForPacketCallsEntered(std::size_t count) const;

 private:
  template <class Predicate>
  bool Wait(Predicate predicate) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<vid_db::media::StreamParams> params_;
  std::vector<vid_db::media::Packet> packets_;
  std::vector<std::thread::id> threads_;
  std::size_t packetCallsEntered_ = 0;
  bool blocked_ = false;
  std::optional<std::string> paramsFailure_;
  std::optional<std::string> packetFailure_;
};

}  // namespace vs_test_support
