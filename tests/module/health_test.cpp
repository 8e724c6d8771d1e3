// The health line of a running source: what the frame path counted reaches it.
#include <array>
#include <cstdint>
#include <regex>
#include <string>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

// Packets, lost framesets, packets without depth, invalid colour frames,
// restarts, colour drops, depth drops and stale depth, summed over every
// health line of "<cam>" so far. Lines are checked whole: a line of any other
// shape fails the test.
using Totals = std::array<std::uint64_t, 8>;

Totals SumHealthLines(const Lines& lines) {
  static const std::regex shape(
      "<cam> Health: packets (\\d+) in \\d+\\.\\d s \\(\\d+\\.\\d/s\\); framesets lost at the "
      "queue (\\d+); packets without depth (\\d+); invalid color frames (\\d+); restarts (\\d+); "
      "(?:last packet \\d+ ms ago|no packet yet); color fps \\d+\\.\\d; color drops (\\d+); depth "
      "fps \\d+\\.\\d; depth drops (\\d+); stale depth (\\d+)(?:; notified [a-z ]+ \\d+){7}");
  Totals totals{};
  for (const Line& line : lines) {
    if (line.message.rfind("<cam> Health: ", 0) != 0)
      continue;
    std::smatch match;
    EXPECT_EQ(line.severity, orvlog::Severity::Info) << line.message;
    if (!std::regex_match(line.message, match, shape)) {
      ADD_FAILURE() << "unexpected health line: " << line.message;
      continue;
    }
    for (std::size_t i = 0; i < totals.size(); ++i)
      totals[i] += std::stoull(match[i + 1].str());
  }
  return totals;
}

using HealthTest = CameraTest;

TEST_F(HealthTest, WhatTheFramePathCountedReachesTheHealthLines) {
  source = CreateSource(camera.Url("stats_s=1"), "cam");
  source->Start(StartWith(handler));
  camera.Emit(ColorAndDepth(1000, kSystemTime));
  rs2sim::FrameSpec afterADrop = ColorFrame(1001, kSystemTime);
  afterADrop.skip = 1;
  camera.Emit(Set({afterADrop}));
  ASSERT_TRUE(handler->WaitForPackets(2));
  camera.Emit(Set({ColorFrame(1002, kSystemTime, RS2_FORMAT_YUYV)}));
  rs2sim::FrameSpec noData = ColorFrame(1003, kSystemTime);
  noData.nullData = true;
  camera.Emit(Set({noData}));
  ASSERT_TRUE(log.WaitFor(orvlog::Severity::Error, "<cam> ProcessVideoFrames: invalid frame"));
  // One in the handler, three waiting, the fifth lost.
  handler->BlockPackets();
  camera.Emit(ColorAndDepth(1004, kSystemTime));
  ASSERT_TRUE(handler->WaitForPacketCalls(3));
  for (int t = 1005; t <= 1008; ++t) {
    rs2sim::FramesetSpec set = ColorAndDepth(t, kSystemTime);
    set.frames[1].repeatLast = t == 1006;  // the packet of 1005's depth again
    camera.Emit(set);
  }
  handler->Unblock();
  ASSERT_TRUE(handler->WaitForPackets(6));

  // The frameset lost at the queue is no drop: its numbers reached the module.
  const Totals expected{6, 1, 1, 2, 0, 1, 0, 1};
  EXPECT_TRUE(log.WaitUntil([&](const Lines& lines) { return SumHealthLines(lines) == expected; }))
      << ::testing::PrintToString(SumHealthLines(log.All()));
}

}  // namespace
}  // namespace vs_realsense2_test
