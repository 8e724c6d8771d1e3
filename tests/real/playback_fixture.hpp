// A source playing one of the recordings made at set-up by rs-make-recording,
// and what its packets must hold.
#pragma once

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include <boost/make_shared.hpp>
#include <vs_test_support/recording_handler.hpp>

#include "frame_pattern.hpp"
#include "module_test.hpp"

namespace vs_realsense2_test {

using vs_test_support::RecordingHandler;

inline std::string Recording(const std::string& name) {
  return std::string(VSRS_RECORDINGS_DIR) + "/" + name + ".bag";
}

// The frame number whose colour pattern the packet carries, if any.
inline std::optional<std::uint64_t> ColorNumber(const vid_db::media::Packet& packet) {
  for (std::uint64_t n = 1; n < 251; ++n) {
    if (packet.size > 1 && packet.data[0] == rs_make_recording::ColorByte(n, 0) &&
        packet.data[1] == rs_make_recording::ColorByte(n, 1))
      return n;
  }
  return std::nullopt;
}

// True when every byte is that of frame `n`'s colour.
inline bool HoldsColorOf(const vid_db::media::Packet& packet, std::uint64_t n) {
  for (std::uint64_t i = 0; i < packet.size; ++i) {
    if (packet.data[i] != rs_make_recording::ColorByte(n, i))
      return false;
  }
  return true;
}

class PlaybackTest : public ModuleTest {
 protected:
  void TearDown() override {
    // A failed expectation must not leave the reader stuck in the handler.
    handler->Unblock();
    if (source)
      source->Stop();
    // What the real library made the module say is the first thing to read
    // when a case fails on it.
    if (HasFailure()) {
      for (const vs_test_support::Line& line : log.All())
        std::cerr << ::testing::PrintToString(line) << "\n";
    }
  }

  // `query` is added to the address ("watchdog_ms=0": unsupervised).
  void Play(const std::string& recording, const std::string& query = "") {
    source = CreateSource("realsense://?playback_from_file=" + Recording(recording) +
                              (query.empty() ? "" : "&" + query),
                          "replay");
    source->Start(StartWith(handler));
  }

  const boost::shared_ptr<RecordingHandler> handler = boost::make_shared<RecordingHandler>();
  boost::shared_ptr<vid_db::media::Source> source;
};

}  // namespace vs_realsense2_test
