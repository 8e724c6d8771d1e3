// A played-back source under a host's handlers: slow ones, Stop and release
// from inside, recovery after a silence and after a throw, and the health
// line, on the real library. A handler that keeps every packet is the
// playback suite's loops.
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include <vs_test_support/acting_handler.hpp>

#include "playback_fixture.hpp"

namespace vs_realsense2_test {
namespace {

using vs_test_support::ActingHandler;
using vs_test_support::Latch;

std::string StreamingAgain(int tries) {
  return vs_test_support::StreamingAgain("replay", tries);
}

using SessionTest = PlaybackTest;

TEST_F(SessionTest, SlowHandlerLosesFramesetsAtTheQueueAndThenGoesOn) {
  Play("rgb8_z16", "watchdog_ms=0");
  handler->BlockPackets();
  ASSERT_TRUE(handler->WaitForPacketCalls(1));
  ASSERT_TRUE(log.WaitFor(kWarning, "<replay> ProcessFrame: lost frames"));
  handler->Unblock();
  ASSERT_TRUE(handler->WaitForPackets(8));
  const auto packets = handler->Packets();
  for (std::size_t i = 1; i < packets.size(); ++i)
    EXPECT_GE(packets[i].time, packets[i - 1].time) << i;
}

// Stop, or the release of the last reference, inside OnParams or OnPacket:
// a Stop finishes the call and no other follows; the handler goes last, once
// every session of the source is torn down.
class InsideHandlerTest : public PlaybackTest,
                          public ::testing::WithParamInterface<std::tuple<char, bool>> {};

TEST_P(InsideHandlerTest, StopOrReleaseEndsEverything) {
  const auto [when, release] = GetParam();
  Latch released;
  boost::shared_ptr<vid_db::media::Source> held =
      CreateSource("realsense://?playback_from_file=" + Recording("rgb8_z16"), "replay");
  auto acting = boost::make_shared<ActingHandler>(
      when, [&held, release = release] { release ? held.reset() : held->Stop(); },
      [&](const std::string&) { released.Raise(); });
  held->Start(StartWith(acting));
  if (!release) {
    ASSERT_TRUE(log.WaitFor(orvlog::Severity::Debug, "<replay> Stop: "));
    held->Stop();  // a host thread's Stop joins what the handler's Stop left running
    EXPECT_EQ(acting->Calls(), when == 'A' ? "A" : "AP");
    held.reset();
  }
  acting.reset();
  ASSERT_TRUE(released.Wait());
  EXPECT_TRUE(log.Messages(kError).empty());
}

INSTANTIATE_TEST_SUITE_P(InOnParamsAndInOnPacket, InsideHandlerTest,
                         ::testing::Combine(::testing::Values('A', 'P'), ::testing::Bool()));

// The recording falls silent for 1.2 s after its third frameset.
TEST_F(SessionTest, SilenceIsNoticedAndThePlaybackIsRebuilt) {
  Play("silence", "watchdog_ms=500");
  ASSERT_TRUE(handler->WaitForPackets(3));
  // Builds lie a second apart: the restart waits for what is left of it.
  ASSERT_TRUE(log.WaitForMatching(
      kWarning, R"(<replay> Watchdog: no frames for 500 ms, restarting( in \d+ ms)?)"));
  ASSERT_TRUE(log.WaitForMatching(kInfo, StreamingAgain(1)));
  ASSERT_TRUE(handler->WaitForPackets(6));
  EXPECT_TRUE(log.Messages(kError).empty());
}

TEST_F(SessionTest, DeadReaderIsReplacedAndTheNewSessionAnnouncesAgain) {
  handler->ThrowOnPacket("host failure");
  // The reader's end wakes the supervisor at once; a long watchdog keeps a
  // loaded machine's pause from reading as a silence.
  Play("rgb8_z16", "watchdog_ms=1000");
  ASSERT_TRUE(log.WaitForMatching(kInfo, StreamingAgain(1)));
  ASSERT_TRUE(handler->WaitForPackets(2));
  source->Stop();
  EXPECT_EQ(log.Messages(kError),
            std::vector<std::string>{"<replay> ReadFrames: exception: host failure"});
  EXPECT_EQ(log.Messages(kWarning).size(), 1u);
  // The delay is what is left of the second between two builds: none when
  // opening the recording took the library that long.
  EXPECT_EQ(
      log.CountMatching(kWarning, R"(<replay> Watchdog: reader ended, restarting( in \d+ ms)?)"),
      1u);
  EXPECT_EQ(handler->Calls().substr(0, 5), "APAPP");
}

TEST_F(SessionTest, HealthLineCountsWhatWasDelivered) {
  Play("rgb8_z16", "stats_s=1");
  static const std::regex shape(
      "<replay> Health: packets (\\d+) in \\d+\\.\\d s \\(\\d+\\.\\d/s\\); framesets lost at the "
      "queue 0; packets without depth 0; invalid color frames 0; restarts 0; "
      "(?:last packet \\d+ ms ago|no packet yet); color fps \\d+\\.\\d; color drops \\d+; depth "
      "fps \\d+\\.\\d; depth drops \\d+; stale depth \\d+(?:; notified [a-z ]+ \\d+){7}; asic "
      "temperature n/a; projector temperature n/a");
  ASSERT_TRUE(log.WaitUntil([&](const vs_test_support::Lines& lines) {
    for (const auto& line : lines) {
      std::smatch match;
      if (line.severity == kInfo && std::regex_match(line.message, match, shape) &&
          std::stoul(match[1].str()) > 0)
        return true;
    }
    return false;
  }));
  for (const std::string& line : log.Messages(kInfo)) {
    if (line.rfind("<replay> Health: ", 0) == 0) {
      EXPECT_TRUE(std::regex_match(line, shape)) << line;
    }
  }
}

}  // namespace
}  // namespace vs_realsense2_test
