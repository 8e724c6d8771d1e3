// What frame numbers tell about a camera, on stepped time: drops before the
// module, stale depth, the frame counter and time domain of each session,
// and depth that freezes while colour goes on; and what else the frame path
// counts for the health line.
#include <string>
#include <vector>

#include "stepped_source_test.hpp"

namespace vs_realsense2_test {
namespace {

// For a depth number: the syncer's repeat of the last depth frame.
constexpr unsigned long long kRepeat = ~0ULL;

// Number 0: the stream's next.
rs2sim::FramesetSpec Numbered(double time, unsigned long long color, unsigned long long depth) {
  rs2sim::FramesetSpec set = ColorAndDepth(time, kSystemTime);
  set.frames[0].number = color;
  set.frames[1].repeatLast = depth == kRepeat;
  set.frames[1].number = depth == kRepeat ? 0 : depth;
  return set;
}

class FrameNumbersTest : public SteppedSourceTest {
 protected:
  void Emit(const rs2sim::FramesetSpec& set) {
    ASSERT_TRUE(camera.Emit(set).delivered);
    ASSERT_TRUE(handler->WaitForPacketCalls(++calls));
  }
  std::size_t calls = 0;
};

TEST_F(FrameNumbersTest, DropsAreNumbersThatNeverCameNotLossesAtTheQueueNorAStepBack) {
  StartCamera("stats_s=1");
  Emit(Numbered(1000, 1, 1));
  Emit(Numbered(1033, 2, 2));
  Emit(Numbered(1066, 5, 3));  // colour 3 and 4 lost before the module
  Emit(Numbered(1100, 1, 1));  // a playback loop: counted afresh
  Emit(Numbered(1133, 2, 2));
  Emit(Numbered(1166, 4, 4));  // colour 3 and depth 3 lost
  // One in the handler, three waiting, the fifth lost at the queue: its
  // numbers reached the module, so no drop.
  handler->BlockPackets();
  Emit(Numbered(1200, 5, 5));
  for (unsigned long long n = 6; n <= 9; ++n)
    ASSERT_TRUE(camera.Emit(Numbered(1200.0 + 33.0 * static_cast<double>(n), n, n)).delivered);
  handler->Unblock();
  ASSERT_TRUE(handler->WaitForPackets(10));
  calls = 10;
  Emit(Numbered(1600, 10, 10));  // carries the numbers the queue lost to the reader
  // Colour without depth is a packet; colour that cannot be delivered is none.
  rs2sim::FramesetSpec colourOnly = Numbered(1633, 11, 0);
  colourOnly.frames.pop_back();
  Emit(colourOnly);
  rs2sim::FramesetSpec yuyv = Numbered(1666, 12, 11);
  yuyv.frames[0].format = RS2_FORMAT_YUYV;
  rs2sim::FramesetSpec noData = Numbered(1700, 13, 12);
  noData.frames[0].nullData = true;
  ASSERT_TRUE(camera.Emit(yuyv).delivered);
  ASSERT_TRUE(camera.Emit(noData).delivered);
  ASSERT_TRUE(log.WaitFor(kError, "<cam> ProcessVideoFrames: invalid frame"));
  Step(1000);
  ExpectOneHealthLine(R"(packets 12 in 1\.0 s \(12\.0/s\); framesets lost at the queue 1; )"
                      R"(packets without depth 1; invalid color frames 2; restarts 0; .*; )"
                      R"(color fps 15\.0; color drops 3; depth fps 14\.0; depth drops 1; )"
                      R"(stale depth 0; .*)");
}

// A new session follows its own numbers: whatever the camera numbers after
// a restart, nothing counts as lost across it. Each session names its time
// domain and frame counter once.
TEST_F(FrameNumbersTest, RestartStartsTheCountAfreshAndEachSessionDescribesItsFrames) {
  StartCamera("watchdog_ms=100&stats_s=1");
  Emit(Numbered(1000, 10, 10));
  EndReader(Numbered(1033, 11, 11));
  Step(1000);
  ASSERT_TRUE(log.WaitForMatching(kInfo, vs_test_support::StreamingAgain("cam", 1)));
  calls = 2;
  Emit(Numbered(2000, 3, 3));
  Emit(Numbered(2033, 5, 4));  // colour 4 lost
  Step(1000);
  for (const std::string drops : {"0", "1"})
    ExpectOneHealthLine(".*; color fps 2\\.0; color drops " + drops +
                        "; depth fps 2.0; depth drops 0; stale depth 0; .*");
  EXPECT_EQ(log.CountMatching(kInfo, "<cam> Frames: .*"), 2u);
  EXPECT_EQ(
      log.Count(kInfo, "<cam> Frames: time domain: system time; frame counter metadata: available"),
      2u);
}

TEST_F(FrameNumbersTest, WithoutTheCameraFrameCounterTheLineSaysDropsBeforeTheLibraryAreUnseen) {
  const ManualCamera bare("manual-2",
                          [](rs2sim::DeviceSpec& device) { device.frameCounterMetadata = false; });
  StartAt(bare.Url());
  ASSERT_TRUE(bare.Emit(ColorAndDepth(1000)).delivered);
  ASSERT_TRUE(bare.Emit(ColorAndDepth(1033)).delivered);
  ASSERT_TRUE(handler->WaitForPackets(2));
  source->Stop();
  Texts frames;
  for (const std::string& line : log.Messages(kInfo)) {
    if (line.rfind("<cam> Frames: ", 0) == 0)
      frames.push_back(line);
  }
  EXPECT_EQ(frames, (Texts{"<cam> Frames: time domain: hardware clock; frame counter metadata: "
                           "not available (the library numbers the frames: drops before it are "
                           "not seen)",
                           "<cam> Frames: hardware clock times are mapped onto the system clock "
                           "without drift correction"}));
}

// Depth at a fifth of the colour rate: four packets in five carry the depth
// of the one before, as the syncer fills them. Counted, neither warned about
// nor a restart, although depth stands still longer than the watchdog. Depth
// that stands still for three of its intervals while colour is delivered is
// frozen: a Warning of the watchdog's shape, and a restart.
TEST_F(FrameNumbersTest, DepthSlowerThanColourIsStaleBetweenItsFramesAndFrozenOnlyBeyondThem) {
  StartCamera("c_fps=30&d_fps=6&watchdog_ms=100&stats_s=1");
  for (int i = 0; i < 30; ++i) {
    Emit(Numbered(1000 + 33 * i, 0, i % 5 == 0 ? 0 : kRepeat));
    Step(33);
  }
  Step(10);
  EXPECT_EQ(log.Messages(kWarning), Texts{});
  ExpectOneHealthLine(
      R"(.*; color fps 30\.0; color drops 0; depth fps 6\.0; depth drops 0; stale depth 24; .*)");
  // The last new depth frame was seen 142 ms ago: 500 ms are 11 steps on.
  for (int i = 30; i < 41; ++i) {
    EXPECT_EQ(log.Messages(kWarning), Texts{}) << i;
    Emit(Numbered(1000 + 33 * i, 0, kRepeat));
    Step(33);
  }
  EXPECT_EQ(log.Messages(kWarning), Texts{"<cam> Watchdog: depth frozen for 500 ms while color "
                                          "packets are delivered, restarting"});
  ASSERT_TRUE(log.WaitForMatching(kInfo, vs_test_support::StreamingAgain("cam", 1)));
}

}  // namespace
}  // namespace vs_realsense2_test
