// Faults from the library and from the host, alone and combined with frames
// in flight, restarts and full queues: each is survived, reported as the
// module reports it, and leaves nothing behind.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>
#include <librealsense2/rs.hpp>

#include "camera_test.hpp"
#include "reliability_support.hpp"

namespace vs_reliability {
namespace {

using vs_realsense2_test::AllCountersZero;
using vs_realsense2_test::CameraTest;
using vs_realsense2_test::StartWith;
using vs_test_support::ColorAndDepth;

constexpr auto kSystemTime = RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME;

std::vector<rs2_exception_type> AllErrorTypes() {
  std::vector<rs2_exception_type> types;
  for (int t = RS2_EXCEPTION_TYPE_UNKNOWN; t < RS2_EXCEPTION_TYPE_COUNT; ++t)
    types.push_back(static_cast<rs2_exception_type>(t));
  return types;
}

std::string TypeName(rs2_exception_type type) {
  return rs2_exception_type_to_string(type);
}

class FaultTest : public CameraTest {
 protected:
  const std::size_t threadsAtStart = ThreadBaseline();

  void ExpectNothingLeft(const std::string& context) {
    EXPECT_EQ(ThreadCount(), threadsAtStart) << context;
    EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters())) << context;
  }
};

// Every library call of a start, each failing in turn with its own error
// type where the type list allows: the start is refused with that error,
// logged once, undone, and the next start works.
TEST_F(FaultTest, EachLibraryCallOfStartFailingIsRefusedAndUndone) {
  const std::vector<std::string> calls = {
      "rs2_create_context",
      "rs2_create_pipeline",
      "rs2_create_config",
      "rs2_config_enable_device",
      "rs2_config_enable_stream",
      "rs2_pipeline_start_with_config_and_callback_cpp",
      "rs2_pipeline_profile_get_streams",
      "rs2_pipeline_profile_get_device",
      "rs2_query_sensors",
      "rs2_supports_option",
      "rs2_get_option",
  };
  const std::vector<rs2_exception_type> types = AllErrorTypes();
  source = CreateSource(camera.Url(), "cam");
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const std::string& call = calls[i];
    const rs2_exception_type type = types[i % types.size()];
    const std::string context = call + " / " + TypeName(type);
    log.Clear();
    rs2sim::FailNext(call, type, "injected in " + call);
    try {
      source->Start(StartWith(handler));
      ADD_FAILURE() << context << ": started";
      source->Stop();
    } catch (const rs2::error& e) {
      EXPECT_EQ(e.get_type(), type) << context;
      EXPECT_EQ(e.get_failed_function(), call) << context;
      EXPECT_EQ(log.Messages(orvlog::Severity::Error),
                std::vector<std::string>{"<cam> Start: rs error calling " + call + "(" +
                                         e.get_failed_args() + "):injected in " + call})
          << context;
    }
    rs2sim::ClearFaults();
    ExpectNothingLeft(context);
  }
  source->Start(StartWith(handler));
  camera.Emit(ColorAndDepth(1000, kSystemTime));
  EXPECT_TRUE(handler->WaitForPackets(1));
}

TEST_F(FaultTest, PipelineStartFailingWithEveryErrorTypeKeepsTheSourceRestartable) {
  source = CreateSource(camera.Url(), "cam");
  for (const rs2_exception_type type : AllErrorTypes()) {
    rs2sim::FailNext("rs2_pipeline_start_with_config_and_callback_cpp", type, "start refused");
    try {
      source->Start(StartWith(handler));
      ADD_FAILURE() << TypeName(type) << ": started";
    } catch (const rs2::error& e) {
      EXPECT_EQ(e.get_type(), type);
      EXPECT_STREQ(e.what(), "start refused");
    }
    ExpectNothingLeft(TypeName(type));
    // The refusal left the source stopped, so it starts at once.
    source->Start(StartWith(handler));
    const std::size_t before = handler->PacketCount();
    EXPECT_TRUE(camera.Emit(ColorAndDepth(1000.0 + static_cast<int>(type), kSystemTime)).delivered);
    EXPECT_TRUE(handler->WaitForPackets(before + 1)) << TypeName(type);
    source->Stop();
    handler->Clear();
  }
  std::size_t refusals = 0;
  for (const std::string& line : log.Messages(orvlog::Severity::Error))
    refusals += line.rfind("<cam> Start: rs error calling rs2_pipeline_start_with_config", 0) == 0;
  EXPECT_EQ(refusals, AllErrorTypes().size());
}

TEST_F(FaultTest, PipelineStopFailingWhileFramesFlowStillEndsEverything) {
  source = CreateSource(camera.Url(), "cam");
  {
    const Feeder feeder({&camera});
    for (const rs2_exception_type type : AllErrorTypes()) {
      auto guarded = boost::make_shared<GuardedHandler>();
      source->Start(StartWith(guarded));
      ASSERT_TRUE(guarded->WaitForPackets(3)) << TypeName(type);
      log.Clear();
      rs2sim::FailNext("rs2_pipeline_stop", type, "stop refused");
      EXPECT_NO_THROW(source->Stop());
      guarded->Close();
      const std::vector<std::string> errors = log.Messages(orvlog::Severity::Error);
      ASSERT_EQ(errors.size(), 1u) << TypeName(type);
      EXPECT_EQ(errors[0].rfind("<cam> ~Session: rs error calling rs2_pipeline_stop(", 0), 0u);
      EXPECT_EQ(errors[0].substr(errors[0].size() - 14), "):stop refused");
      EXPECT_EQ(guarded->LateCalls(), 0u) << TypeName(type);
    }
  }
  // With the feeder gone nothing may be left streaming or waiting.
  ExpectNothingLeft("after the stop failures");
}

// A timestamp read failing mid-stream ends the reader; the camera keeps
// delivering into the full queue until the host stops the source, which
// restarts cleanly.
class TimestampFaultTest : public FaultTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TimestampFaultTest, EndsTheReaderAndTheNextStartDeliversAgain) {
  StartCamera();
  for (int t = 1; t <= 3; ++t)
    camera.Emit(ColorAndDepth(t, kSystemTime));
  ASSERT_TRUE(handler->WaitForPackets(3));
  rs2sim::FailNext(GetParam(), RS2_EXCEPTION_TYPE_BACKEND, "clock lost");
  camera.Emit(ColorAndDepth(4, kSystemTime));
  ASSERT_TRUE(log.WaitFor("<cam> ReadFrames: exception: clock lost"));
  for (int t = 5; t <= 24; ++t)
    EXPECT_TRUE(camera.Emit(ColorAndDepth(t, kSystemTime)).delivered);
  // Nobody drains the queue: three wait, the other seventeen are lost.
  EXPECT_EQ(log.Count("<cam> ProcessFrame: lost frames"), 17u);
  source->Stop();
  EXPECT_EQ(handler->PacketCount(), 3u);
  handler->Clear();
  ExpectNothingLeft(GetParam());

  source->Start(StartWith(handler));
  camera.Emit(ColorAndDepth(100, kSystemTime));
  EXPECT_TRUE(handler->WaitForPackets(1));
}

INSTANTIATE_TEST_SUITE_P(ReadOfEitherField, TimestampFaultTest,
                         ::testing::Values("rs2_get_frame_timestamp",
                                           "rs2_get_frame_timestamp_domain"));

// A handler that throws what is no std::exception.
class ThrowingHandler : public GuardedHandler {
 public:
  bool OnPacket(const vid_db::media::Packet& packet) override {
    GuardedHandler::OnPacket(packet);
    throw 42;
  }
};

TEST_F(FaultTest, HandlerFailuresOnEveryRestartEndOnlyThatSessionsReader) {
  source = CreateSource(camera.Url(), "cam");
  constexpr int kRestarts = 6;
  for (int i = 0; i < kRestarts; ++i) {
    log.Clear();
    handler->Clear();
    const bool inParams = i % 2 == 0;
    const std::string text = "host failure " + std::to_string(i);
    if (inParams) {
      handler->ThrowOnParams(text);
    } else {
      handler->ThrowOnPacket(text);
    }
    source->Start(StartWith(handler));
    camera.Emit(ColorAndDepth(1000 + i, kSystemTime));
    ASSERT_TRUE(log.WaitFor("<cam> ReadFrames: exception: " + text)) << i;
    // The dead reader leaves the camera to the queue alone.
    for (int t = 0; t < 5; ++t)
      camera.Emit(ColorAndDepth(2000 + 10 * i + t, kSystemTime));
    EXPECT_EQ(log.Count("<cam> ProcessFrame: lost frames"), 2u) << i;
    source->Stop();
    EXPECT_EQ(handler->PacketCount(), 0u) << i;
    ExpectNothingLeft("restart " + std::to_string(i));
  }

  // Something that is no std::exception is contained just the same.
  const auto odd = boost::make_shared<ThrowingHandler>();
  log.Clear();
  source->Start(StartWith(odd));
  camera.Emit(ColorAndDepth(5000, kSystemTime));
  ASSERT_TRUE(odd->WaitForPackets(1));
  source->Stop();
  odd->Close();
  const std::vector<std::string> errors = log.Messages(orvlog::Severity::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("<cam> ReadFrames: exception", 0), 0u);
  ExpectNothingLeft("after a foreign exception");
}

// The queue holds three framesets whatever the camera sends while the host
// is stuck, and every refused frameset is its own line.
TEST_F(FaultTest, BlockedHandlerBoundsMemoryAndLogsEveryLoss) {
  constexpr int kFlood = 200;
  StartCamera();
  handler->BlockPackets();
  camera.Emit(ColorAndDepth(1, kSystemTime));
  ASSERT_TRUE(handler->WaitForPacketCallsEntered(1));
  for (int t = 2; t <= 4; ++t)
    camera.Emit(ColorAndDepth(t, kSystemTime));
  const long framesHeld = rs2sim::GetCounters().framesAlive;
  for (int t = 5; t <= kFlood; ++t) {
    EXPECT_TRUE(camera.Emit(ColorAndDepth(t, kSystemTime)).delivered);
    EXPECT_EQ(rs2sim::GetCounters().framesAlive, framesHeld) << t;
  }
  EXPECT_EQ(log.Count("<cam> ProcessFrame: lost frames"), static_cast<std::size_t>(kFlood - 4));
  EXPECT_EQ(log.Messages(orvlog::Severity::Warning).size(), static_cast<std::size_t>(kFlood - 4));

  handler->Unblock();
  ASSERT_TRUE(handler->WaitForPackets(4));
  source->Stop();
  std::vector<std::int64_t> times;
  for (const auto& packet : handler->Packets())
    times.push_back(packet.time);
  EXPECT_EQ(times, (std::vector<std::int64_t>{1, 2, 3, 4}));
}

// Frameset i was filled with the byte i + 1, colour and depth alike.
void CheckFills(const std::vector<vid_db::media::Packet>& packets) {
  for (std::size_t i = 0; i < packets.size(); ++i) {
    const auto fill = static_cast<std::uint8_t>(i + 1);
    const auto& packet = packets[i];
    ASSERT_EQ(packet.size, 640u * 480u * 3u);
    EXPECT_EQ(std::count(packet.data, packet.data + packet.size, fill),
              static_cast<std::ptrdiff_t>(packet.size))
        << i;
    const auto depth =
        boost::dynamic_pointer_cast<vid_db::media::DepthFrame>(packet.attachments.at("depth"));
    ASSERT_TRUE(depth);
    EXPECT_EQ(std::count(depth->GetData(), depth->GetData() + depth->GetSize(), fill),
              static_cast<std::ptrdiff_t>(depth->GetSize()))
        << i;
  }
}

// Packets the host keeps stay whole after Stop, after the source is gone and
// after the protocol is gone; only the host's release frees them.
TEST_F(FaultTest, KeptPacketsOutliveTheSourceAndTheProtocol) {
  constexpr int kPackets = 12;
  StartCamera();
  for (int i = 0; i < kPackets; ++i) {
    rs2sim::FramesetSpec set = ColorAndDepth(1000 + i, kSystemTime);
    for (auto& frame : set.frames)
      frame.fill = static_cast<std::uint8_t>(i + 1);
    ASSERT_TRUE(camera.Emit(set).delivered);
  }
  ASSERT_TRUE(handler->WaitForPackets(kPackets));
  source->Stop();
  source.reset();
  protocol.reset();

  EXPECT_EQ(rs2sim::GetCounters().framesKept, 2 * kPackets);
  CheckFills(handler->Packets());
  handler->Clear();
  EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters()));
}

}  // namespace
}  // namespace vs_reliability
