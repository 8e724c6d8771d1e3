// Recording a live camera and looping the recording back.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

using vs_test_support::ColorAndDepth;

class RecordPlaybackTest : public CameraTest {
 protected:
  ~RecordPlaybackTest() override {
    std::remove(recording.c_str());
    std::remove(ignored.c_str());
  }

  const std::string recording =
      ::testing::TempDir() + "vsrs-recording-" + std::to_string(getpid()) + ".bag";
  const std::string ignored =
      ::testing::TempDir() + "vsrs-ignored-" + std::to_string(getpid()) + ".bag";
};

bool FileExists(const std::string& path) {
  FILE* const file = std::fopen(path.c_str(), "rb");
  if (file != nullptr)
    std::fclose(file);
  return file != nullptr;
}

TEST_F(RecordPlaybackTest, LiveRecordingPlaysBackInALoop) {
  source = CreateSource(camera.Url("record_to_file=" + recording), "cam");
  source->Start(StartWith(handler));
  EXPECT_EQ(log.Count("<cam> Session: recording to file: " + recording), 1u);
  for (int i = 0; i < 3; ++i)
    camera.Emit(ColorAndDepth(1000 + 33 * i));
  ASSERT_TRUE(handler->WaitForPackets(3));
  source->Stop();
  handler->Clear();
  log.Clear();

  // Playback wins over everything else the address asks for.
  source = CreateSource("realsense://?sn=nobody&c_width=1&playback_from_file=" + recording +
                            "&record_to_file=" + ignored,
                        "replay");
  source->Start(StartWith(handler));
  EXPECT_EQ(log.Count("<replay> Session: playback from file: " + recording), 1u);
  // More packets than recorded framesets: the recording starts over, and
  // each start over is a backward step that takes a new base silently.
  ASSERT_TRUE(handler->WaitForPackets(8));
  source->Stop();
  for (const auto& packet : handler->Packets()) {
    EXPECT_EQ(packet.size, 640u * 480u * 3u);
    EXPECT_EQ(packet.attachments.size(), 1u);
  }
  EXPECT_TRUE(log.Messages(orvlog::Severity::Error).empty());
  std::size_t bases = 0;
  for (const std::string& line : log.Messages(orvlog::Severity::Debug)) {
    if (line.rfind("<replay> MakeSync: devTime: 1000, sysTime: ", 0) == 0) ++bases;
  }
  EXPECT_GE(bases, 2u);
  EXPECT_FALSE(FileExists(ignored));
}

TEST_F(RecordPlaybackTest, PlaybackConvertsSystemTimesToo) {
  rs2sim::RecordingSpec spec;
  spec.device = rs2sim::DefaultCamera("recorded");
  spec.streams = {{RS2_STREAM_COLOR, 0, RS2_FORMAT_RGB8, 640, 480, 30}};
  for (int i = 0; i < 2; ++i) {
    rs2sim::FramesetSpec set;
    set.frames = {vs_test_support::ColorFrame(1000 + 33 * i, RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME)};
    spec.framesets.push_back(set);
  }
  rs2sim::WriteRecording(recording, spec);

  source = CreateSource("realsense://?playback_from_file=" + recording, "replay");
  const std::int64_t before = WallClockMs();
  source->Start(StartWith(handler));
  ASSERT_TRUE(handler->WaitForPackets(2));
  const std::int64_t after = WallClockMs();
  source->Stop();
  // Based on the wall clock at the first frame, then recorded deltas; the
  // recorded 1000 and 1033 never reach the host.
  const auto packets = handler->Packets();
  EXPECT_GE(packets[0].time, before);
  EXPECT_LE(packets[0].time, after);
  EXPECT_EQ(packets[1].time, packets[0].time + 33);
  EXPECT_TRUE(log.Messages(orvlog::Severity::Error).empty());
}

}  // namespace
}  // namespace vs_realsense2_test
