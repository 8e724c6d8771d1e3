// Recordings of each kind, played by the real library through the module:
// what is announced, the packets byte for byte, the depth attachment, the
// controls' playback line, the packet times in each time domain, holes and
// their frame-number drops, loops and alignment.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "playback_fixture.hpp"

namespace vs_realsense2_test {
namespace {

std::vector<std::int64_t> Steps(const std::vector<vid_db::media::Packet>& packets) {
  std::vector<std::int64_t> steps;
  for (std::size_t i = 1; i < packets.size(); ++i)
    steps.push_back(packets[i].time - packets[i - 1].time);
  return steps;
}

// 30 Hz: a whole number of 33.3 ms periods between framesets, as the recorded
// times round. The library's playback may skip a frameset on a loaded
// machine; its neighbours then keep their recorded times, two periods apart.
bool WholePeriods(std::int64_t step) {
  constexpr double kPeriod = 1000.0 / 30;
  const double periods = std::round(static_cast<double>(step) / kPeriod);
  return periods >= 1 && std::abs(static_cast<double>(step) - periods * kPeriod) < 1;
}

// The camera controls asked for are not applied to a recording, and it is said once.
TEST_F(PlaybackTest, ColourAndDepthArriveAsRecordedWithDepthOfTheSameFrameset) {
  Play("rgb8_z16", "watchdog_ms=0&laser_power=150&preset=hand");
  ASSERT_TRUE(handler->WaitForPackets(6));
  source->Stop();
  EXPECT_EQ(log.Count(kInfo, "<replay> CameraControls: playback: camera controls not applied"), 1u);
  EXPECT_TRUE(log.Messages(kWarning).empty());
  EXPECT_EQ(handler->Calls().substr(0, 2), "AP");
  const auto params = handler->Params();
  ASSERT_EQ(params.size(), 1u);
  ASSERT_TRUE(params[0].rawVideo && !params[0].video && !params[0].audio);
  EXPECT_EQ(params[0].rawVideo->width, 640u);
  EXPECT_EQ(params[0].rawVideo->height, 480u);
  EXPECT_EQ(params[0].rawVideo->pixelFormat, 16u);

  for (const vid_db::media::Packet& packet : handler->Packets()) {
    const auto n = ColorNumber(packet);
    ASSERT_TRUE(n);
    EXPECT_EQ(packet.size, 640u * 480u * 3u);
    EXPECT_TRUE(HoldsColorOf(packet, *n)) << *n;
    EXPECT_EQ(packet.flags, vid_db::media::kPacketKeyFrame);
    const auto depth = DepthOf(packet);
    ASSERT_TRUE(depth) << *n;
    EXPECT_EQ(depth->GetResolution(), std::make_pair(480u, 270u));
    EXPECT_EQ(depth->GetStride(), 960u);
    EXPECT_EQ(depth->GetSize(), 480u * 270u * 2u);
    EXPECT_FLOAT_EQ(depth->GetUnits(), rs_make_recording::kDepthUnits);
    const std::uint16_t expected = rs_make_recording::DepthValue(*n);
    EXPECT_EQ(DepthAt(*depth, 0, 0), expected) << *n;
    EXPECT_EQ(DepthAt(*depth, 479, 269), expected) << *n;
  }
  EXPECT_TRUE(log.Messages(kError).empty());
}

// Every recorded domain is played on the wall clock: a base taken at the
// first packet, then the recorded steps.
struct Recorded {
  const char* recording;
  std::vector<std::string> errors;
};

class TimeDomainTest : public PlaybackTest, public ::testing::WithParamInterface<Recorded> {};

TEST_P(TimeDomainTest, PacketTimesStartAtTheWallClockAndKeepTheRecordedSteps) {
  const std::int64_t before = WallClockMs();
  Play(GetParam().recording, "watchdog_ms=0");
  ASSERT_TRUE(handler->WaitForPackets(4));
  const std::int64_t after = WallClockMs();
  source->Stop();
  const auto packets = handler->Packets();
  EXPECT_GE(packets[0].time, before);
  EXPECT_LE(packets[0].time, after);
  for (std::int64_t step : Steps(packets))
    EXPECT_TRUE(WholePeriods(step)) << step;
  EXPECT_EQ(log.Messages(kError), GetParam().errors);
}

// A recording without a depth sensor has no emitter to report.
INSTANTIATE_TEST_SUITE_P(HardwareSystemAndGlobal, TimeDomainTest,
                         ::testing::Values(Recorded{"rgb8_z16", {}},
                                           Recorded{"bgr8_system",
                                                    {"<replay> PrintEmitter: no depth sensor"}},
                                           Recorded{"rgb8_global", {}}),
                         [](const auto& info) { return std::string(info.param.recording); });

// The handler keeps every packet, and with it the library's frames: more than
// the library's frame pool holds.
TEST_F(PlaybackTest, LoopsStartOverWithANewBaseAndTimesNeverGoBack) {
  Play("rgb8_z16", "watchdog_ms=0");
  ASSERT_TRUE(handler->WaitForPackets(40));
  source->Stop();
  const auto packets = handler->Packets();
  std::size_t startsOver = 0;
  for (std::size_t i = 1; i < packets.size(); ++i) {
    EXPECT_GE(packets[i].time, packets[i - 1].time) << i;
    startsOver += ColorNumber(packets[i]) < ColorNumber(packets[i - 1]);
  }
  EXPECT_GE(startsOver, 2u);
  std::size_t bases = 0;
  for (const std::string& line : log.Messages(kDebug))
    bases += line.rfind("<replay> MakeSync: devTime: 1000, sysTime: ", 0) == 0;
  EXPECT_GE(bases, startsOver);
  EXPECT_TRUE(log.Messages(kError).empty());
}

// Frame numbers 5 and 6 never came: the health line counts two drops per
// stream and loop (more if the library skips one), never a loop's start over.
// The library may begin a playback with its second frameset, so the gap is
// looked for, not expected at a fixed packet.
TEST_F(PlaybackTest, DroppedFramesetsLeaveAGapOfTheirPeriods) {
  Play("holes", "watchdog_ms=0&stats_s=1");
  ASSERT_TRUE(handler->WaitForPackets(12));
  static const std::regex drops(
      R"(<replay> Health: .*; color drops (\d+); depth fps \d+\.\d; depth drops (\d+); .*)");
  const auto dropsIn = [](const std::string& message) {
    std::smatch match;
    return std::regex_match(message, match, drops)
               ? std::make_pair(std::stoul(match[1].str()), std::stoul(match[2].str()))
               : std::make_pair(0ul, 0ul);
  };
  EXPECT_TRUE(log.WaitUntil([&](const vs_test_support::Lines& lines) {
    return std::any_of(lines.begin(), lines.end(), [&](const vs_test_support::Line& line) {
      return dropsIn(line.message).first >= 2 && dropsIn(line.message).second >= 2;
    });
  }));
  for (const std::string& line : log.Messages(kInfo)) {
    EXPECT_LE(dropsIn(line).first, 30u) << line;
    EXPECT_LE(dropsIn(line).second, 30u) << line;
  }
  source->Stop();
  const auto packets = handler->Packets();
  const auto steps = Steps(packets);
  std::size_t gaps = 0;
  for (std::size_t i = 0; i + 1 < packets.size(); ++i) {
    const auto n = ColorNumber(packets[i]);
    ASSERT_TRUE(n) << i;
    EXPECT_NE(*n, 5u);
    EXPECT_NE(*n, 6u);
    if (*n == 4 && ColorNumber(packets[i + 1]) == 7u) {
      ++gaps;
      EXPECT_GE(steps[i], 99);
      EXPECT_LE(steps[i], 101);
    }
  }
  EXPECT_GE(gaps, 1u);
}

TEST_F(PlaybackTest, Bgr8ColourWithoutDepthIsAnnouncedAsPixelFormat8) {
  Play("bgr8_system", "watchdog_ms=0");
  ASSERT_TRUE(handler->WaitForPackets(2));
  source->Stop();
  const auto params = handler->Params();
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(params[0].rawVideo->width, 320u);
  EXPECT_EQ(params[0].rawVideo->height, 240u);
  EXPECT_EQ(params[0].rawVideo->pixelFormat, 8u);
  for (const auto& packet : handler->Packets()) {
    EXPECT_TRUE(packet.attachments.empty());
    EXPECT_TRUE(HoldsColorOf(packet, ColorNumber(packet).value_or(0)));
  }
  EXPECT_GE(log.Count(kDebug, "<replay> ProcessVideoFrames: no depth frame"), 2u);
}

TEST_F(PlaybackTest, YuyvColourIsRefusedWithOneLineEach) {
  Play("yuyv_z16", "watchdog_ms=0");
  ASSERT_TRUE(
      log.WaitFor(kError, "<replay> UpdateVideoParams: invalid color frame with fmt: YUYV", 2));
  source->Stop();
  EXPECT_EQ(handler->Calls(), "");
}

TEST_F(PlaybackTest, DepthWithoutColourDeliversNothing) {
  Play("z16_only", "watchdog_ms=0");
  ASSERT_TRUE(log.WaitFor(kDebug, "<replay> ProcessVideoFrames: no color frame", 2));
  source->Stop();
  EXPECT_EQ(handler->Calls(), "");
  EXPECT_TRUE(log.Messages(kError).empty());
}

// The library's own align block, on the recorded optics: depth takes the
// colour geometry, and a flat wall keeps its distance.
TEST_F(PlaybackTest, AlignedDepthHasTheColourGeometryAndTheWallsDistance) {
  Play("rgb8_z16", "watchdog_ms=0&align=color");
  ASSERT_TRUE(handler->WaitForPackets(3));
  source->Stop();
  for (const auto& packet : handler->Packets()) {
    const auto n = ColorNumber(packet);
    ASSERT_TRUE(n);
    EXPECT_TRUE(HoldsColorOf(packet, *n));
    const auto depth = DepthOf(packet);
    ASSERT_TRUE(depth);
    EXPECT_EQ(depth->GetResolution(), std::make_pair(640u, 480u));
    EXPECT_EQ(depth->GetStride(), 1280u);
    EXPECT_FLOAT_EQ(depth->GetUnits(), rs_make_recording::kDepthUnits);
    EXPECT_EQ(DepthAt(*depth, 320, 240), rs_make_recording::DepthValue(*n));
  }
  EXPECT_TRUE(log.Messages(kError).empty());
}

// The library's own blocks: decimation divides and pads the geometry as rs2sim's does, keeps
// a flat wall's depth, and a threshold zeroes what lies outside it; alignment after decimation
// gives the colour size.
TEST_F(PlaybackTest, DecimationAndThresholdShapeTheDepthAsOnRs2sim) {
  Play("rgb8_z16", "watchdog_ms=0&decimate=3&min_depth=0.5&max_depth=2.5");
  ASSERT_TRUE(handler->WaitForPackets(2));
  source->Stop();
  EXPECT_EQ(log.Count(kInfo, "<replay> DepthChain: depth chain: decimate 3 > threshold 0.5-2.5 m"),
            1u);
  for (const vid_db::media::Packet& packet : handler->Packets()) {
    const auto n = ColorNumber(packet);
    const auto depth = DepthOf(packet);
    ASSERT_TRUE(n && depth);
    EXPECT_EQ(depth->GetResolution(), std::make_pair(160u, 92u));  // 270 / 3 = 90, padded
    EXPECT_EQ(depth->GetStride(), 320u);
    EXPECT_FLOAT_EQ(depth->GetUnits(), rs_make_recording::kDepthUnits);
    // The wall of one recorded frameset, whole: the library's blocks (and its align block)
    // may hand on the depth of the frameset after the colour's, so the number is not pinned.
    const std::uint16_t wall = DepthAt(*depth, 0, 0);
    EXPECT_GE(wall, rs_make_recording::DepthValue(1)) << *n;
    EXPECT_LE(wall, rs_make_recording::DepthValue(12)) << *n;
    EXPECT_EQ(DepthAt(*depth, 159, 89), wall) << *n;
    EXPECT_EQ(DepthAt(*depth, 0, 90), 0) << *n;
  }
  handler->Clear();

  Play("rgb8_z16", "watchdog_ms=0&decimate=2&max_depth=0.9&align=color");
  ASSERT_TRUE(handler->WaitForPackets(2));
  source->Stop();
  for (const vid_db::media::Packet& packet : handler->Packets()) {
    const auto depth = DepthOf(packet);
    ASSERT_TRUE(depth);
    EXPECT_EQ(depth->GetResolution(), std::make_pair(640u, 480u));
    EXPECT_EQ(DepthAt(*depth, 320, 240), 0);  // the wall lies beyond 0.9 m
  }
  EXPECT_TRUE(log.Messages(kError).empty());
}

}  // namespace
}  // namespace vs_realsense2_test
