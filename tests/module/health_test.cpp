// The health line of a running source: what the frame path counted reaches it.
#include <array>
#include <cstdint>
#include <regex>
#include <string>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

// Packets, lost framesets, packets without depth, invalid colour frames and
// restarts, summed over every health line of "<cam>" so far. Lines are
// checked whole: a line of any other shape fails the test.
using Totals = std::array<std::uint64_t, 5>;

Totals SumHealthLines(const Lines& lines) {
  static const std::regex shape(
      "<cam> Health: packets (\\d+) in \\d+\\.\\d s \\(\\d+\\.\\d/s\\); framesets lost at the "
      "queue (\\d+); packets without depth (\\d+); invalid color frames (\\d+); restarts (\\d+); "
      "(last packet \\d+ ms ago|no packet yet)");
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
  camera.Emit(Set({ColorFrame(1001, kSystemTime)}));
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
  for (int t = 1005; t <= 1008; ++t)
    camera.Emit(ColorAndDepth(t, kSystemTime));
  handler->Unblock();
  ASSERT_TRUE(handler->WaitForPackets(6));

  const Totals expected{6, 1, 1, 2, 0};
  EXPECT_TRUE(log.WaitUntil([&](const Lines& lines) { return SumHealthLines(lines) == expected; }))
      << ::testing::PrintToString(SumHealthLines(log.All()));
}

}  // namespace
}  // namespace vs_realsense2_test
