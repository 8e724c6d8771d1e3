// Recovery on real time, the module loaded as a host loads it: a failing log
// sink, and a release from inside the handler. Stalls, restarts while
// recording and the delays themselves are checked on stepped time
// (tests/lifecycle).
#include <string>

#include <vs_test_support/acting_handler.hpp>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

using vs_test_support::ActingHandler;
using vs_test_support::Latch;

// Restarts within a fraction of a second, so tests wait for log lines only.
const std::string kQuickWatchdog = "watchdog_ms=100";

std::string StreamingAgain(int tries) {
  return vs_test_support::StreamingAgain("cam", tries);
}

using RecoveryTest = CameraTest;

// A server's log sink that throws on every line (a full disk, say) loses
// its lines but kills no thread: it fails at the reader's exception line,
// the supervisor's restart lines and the new session's start lines (on the
// supervisor's thread), and the source streams again. The capture, added
// first, still sees every line.
TEST_F(RecoveryTest, LogSinkThatThrowsOnEveryLineKillsNoThread) {
  const orvlog::SinkId failing = orvlog::AddCallbackSink(
      orvlog::Severity::Trace,
      [](const orvlog::LogLine&) { throw std::runtime_error("disk full"); });
  StartCamera(kQuickWatchdog);
  handler->ThrowOnPacket("host failure");
  ASSERT_TRUE(camera.Emit(ColorAndDepth(5000, kSystemTime)).delivered);
  ASSERT_TRUE(log.WaitForMatching(kInfo, StreamingAgain(1)));
  ASSERT_TRUE(camera.Emit(ColorAndDepth(6000, kSystemTime)).delivered);
  ASSERT_TRUE(handler->WaitForPacketCalls(2));
  source->Stop();
  orvlog::RemoveSink(failing);
  EXPECT_EQ(handler->Calls(), "APAP");
  EXPECT_EQ(handler->Packets().at(0).time, 6000);
}

class StopInsideHandlerTest : public RecoveryTest, public ::testing::WithParamInterface<char> {};

TEST_P(StopInsideHandlerTest, ReleasingTheLastReferenceInsideTheHandlerEndsEverything) {
  const char when = GetParam();
  Latch released;
  boost::shared_ptr<vid_db::media::Source> held = CreateSource(camera.Url(), "cam");
  auto acting = boost::make_shared<ActingHandler>(
      when, [&held] { held.reset(); }, [&](const std::string&) { released.Raise(); });
  held->Start(StartWith(acting));
  acting.reset();
  ASSERT_TRUE(camera.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
  // The handler goes last, once every session of the source is torn down.
  ASSERT_TRUE(released.Wait());
  EXPECT_TRUE(AllCountersZero());
  EXPECT_TRUE(log.Messages(kError).empty());
}

INSTANTIATE_TEST_SUITE_P(InOnParamsAndInOnPacket, StopInsideHandlerTest,
                         ::testing::Values('A', 'P'));

}  // namespace
}  // namespace vs_realsense2_test
