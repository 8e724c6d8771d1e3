// Recovery on real time, the module loaded as a host loads it: a stalled
// camera, a failing log sink, a recording that goes on in a new file, and
// stops from inside the handler. The delays themselves are checked on
// stepped time (tests/lifecycle).
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

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

class RecoveryTest : public CameraTest {
 protected:
  void TearDown() override {
    CameraTest::TearDown();
    rs2sim::ReplugDevice(camera.Serial());
    rs2sim::StallDevice(camera.Serial(), false);
  }

  // Emits one frameset and waits until the handler has begun `calls` packet calls.
  void Deliver(double time, std::size_t calls) {
    ASSERT_TRUE(camera.Emit(ColorAndDepth(time, kSystemTime)).delivered) << time;
    ASSERT_TRUE(handler->WaitForPacketCalls(calls)) << time;
  }
};

TEST_F(RecoveryTest, StalledCameraIsRebuiltAndDeliversOnceResumed) {
  StartCamera(kQuickWatchdog);
  Deliver(1000, 1);
  rs2sim::StallDevice(camera.Serial(), true);
  EXPECT_FALSE(camera.Emit(ColorAndDepth(1100, kSystemTime)).delivered);
  ASSERT_TRUE(log.WaitForMatching(kWarning,
                                  R"(<cam> Watchdog: no frames for 100 ms, restarting in \d+ ms)"));
  ASSERT_TRUE(log.WaitForMatching(kInfo, StreamingAgain(1)));
  rs2sim::StallDevice(camera.Serial(), false);
  Deliver(2000, 2);
  EXPECT_EQ(handler->Calls(), "APAP");
}

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
  Deliver(6000, 2);
  source->Stop();
  orvlog::RemoveSink(failing);
  EXPECT_EQ(handler->Calls(), "APAP");
  EXPECT_EQ(handler->Packets().at(0).time, 6000);
}

TEST_F(RecoveryTest, RestartWhileRecordingKeepsTheFirstFileAndRecordsToTheNextFreeName) {
  const std::string dir = ::testing::TempDir() + "recovery-record/";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  StartCamera(kQuickWatchdog + "&record_to_file=" + PercentEncoded(dir + "cam.bag"));
  for (int i = 1; i <= 3; ++i)
    Deliver(1000 + i, i);
  rs2sim::StallDevice(camera.Serial(), true);
  ASSERT_TRUE(log.WaitForMatching(kInfo, StreamingAgain(1)));
  EXPECT_EQ(log.Count(kInfo, "<cam> Restart: keeping " + dir + "cam.bag, recording to " + dir +
                                 "cam-1.bag"),
            1u);
  EXPECT_EQ(log.Count(kInfo, "<cam> Session: recording to file: " + dir + "cam-1.bag"), 1u);
  const auto firstSize = std::filesystem::file_size(dir + "cam.bag");
  rs2sim::StallDevice(camera.Serial(), false);
  Deliver(2000, 4);
  source->Stop();
  EXPECT_GT(firstSize, 0u);
  EXPECT_EQ(std::filesystem::file_size(dir + "cam.bag"), firstSize);
  EXPECT_GT(std::filesystem::file_size(dir + "cam-1.bag"), 0u);
}

class StopInsideHandlerTest : public RecoveryTest, public ::testing::WithParamInterface<char> {};

TEST_P(StopInsideHandlerTest, ReleasingTheLastReferenceInsideTheHandlerEndsEverything) {
  const char when = GetParam();
  Latch released;
  boost::shared_ptr<vid_db::media::Source> held = CreateSource(camera.Url(), "cam");
  auto acting = boost::make_shared<ActingHandler>(
      when, [&held] { held.reset(); }, [&](const std::string&) { released.Raise(); });
  held->Start(StartWith(acting));
  const boost::weak_ptr<ActingHandler> watched = acting;
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
