// Faults of the library and the host, alone and with frames in flight,
// restarts and full queues: survived, reported, and leaving nothing behind.
#include <algorithm>
#include <chrono>

#include <librealsense2/rs.hpp>

#include "reliability_support.hpp"

namespace vs_realsense2_test {
namespace {

std::vector<rs2_exception_type> AllErrorTypes() {
  std::vector<rs2_exception_type> types;
  for (int t = RS2_EXCEPTION_TYPE_UNKNOWN; t < RS2_EXCEPTION_TYPE_COUNT; ++t)
    types.push_back(static_cast<rs2_exception_type>(t));
  return types;
}

class FaultTest : public ReliabilityTest {
 protected:
  // Once the host drops its packets nothing is left, and the source starts
  // and delivers again.
  void ExpectRecovered(const std::string& context) {
    SCOPED_TRACE(context);
    handler->Clear();
    ExpectNothingLeft(context);
    source->Start(StartWith(handler));
    Deliver(ColorAndDepth(++restarts, kSystemTime));
    source->Stop();
  }

  int restarts = 0;
};

// Each call of a start fails in turn, with each error type: thrown, logged once, undone.
TEST_F(FaultTest, EachLibraryCallOfStartFailingWithEachErrorTypeIsRefusedAndUndone) {
  // clang-format off
  const Texts calls = {
      "rs2_create_context", "rs2_create_pipeline", "rs2_create_config", "rs2_config_enable_device",
      "rs2_config_enable_stream", "rs2_pipeline_start_with_config_and_callback_cpp",
      "rs2_pipeline_profile_get_streams", "rs2_pipeline_profile_get_device", "rs2_query_sensors",
      "rs2_supports_option", "rs2_get_option"};
  // clang-format on
  const std::vector<rs2_exception_type> types = AllErrorTypes();
  source = CreateSource(camera.Url(), "cam");
  for (std::size_t i = 0; i < std::max(calls.size(), types.size()); ++i) {
    const std::string& call = calls[i % calls.size()];
    const rs2_exception_type type = types[i % types.size()];
    const std::string context = call + " / " + rs2_exception_type_to_string(type);
    SCOPED_TRACE(context);
    log.Clear();
    rs2sim::FailNext(call, type, "injected");
    // The first sensor queries are the notifications' listener's and the
    // temperatures', which a start survives.
    for (int survived = 0; call == "rs2_query_sensors" && survived < 2; ++survived)
      rs2sim::FailNext(call, type, "injected");
    try {
      source->Start(StartWith(handler));
      ADD_FAILURE() << "started";
      source->Stop();
    } catch (const rs2::error& e) {
      EXPECT_EQ(e.get_type(), type);
      EXPECT_EQ(log.Messages(kError), Texts{"<cam> Start: rs error calling " + call + "(" +
                                            e.get_failed_args() + "):injected"});
    }
    rs2sim::ClearFaults();
    ExpectRecovered(context);
  }
}

TEST_F(FaultTest, PipelineStopFailingWhileFramesFlowStillEndsEverything) {
  source = CreateSource(camera.Url(), "cam");
  {
    const Feeder feeder(camera);
    for (const rs2_exception_type type : AllErrorTypes()) {
      auto flowing = boost::make_shared<RecordingHandler>();
      const boost::weak_ptr<RecordingHandler> watched = flowing;
      source->Start(StartWith(flowing));
      ASSERT_TRUE(flowing->WaitForPackets(3)) << type;
      log.Clear();
      rs2sim::FailNext("rs2_pipeline_stop", type, "stop refused");
      EXPECT_NO_THROW(source->Stop());
      const Texts errors = log.Messages(kError);
      ASSERT_EQ(errors.size(), 1u) << type;
      EXPECT_EQ(errors[0].rfind("<cam> ~Session: rs error calling rs2_pipeline_stop(", 0), 0u);
      EXPECT_EQ(errors[0].substr(errors[0].size() - 14), "):stop refused");
      // Released, so it can get no call any more.
      flowing.reset();
      EXPECT_TRUE(watched.expired()) << type;
    }
  }
  ExpectRecovered("after the stop failures");
}

// A handler that throws what is no std::exception.
class ForeignThrowingHandler : public RecordingHandler {
 public:
  bool OnPacket(const vid_db::media::Packet& packet) override {
    RecordingHandler::OnPacket(packet);
    throw 42;
  }
};

struct ReaderFault {
  const char* label;
  const char* failingCall;  // a library call failing at the second packet
  bool foreign;             // a throw from OnPacket that is no std::exception
  std::string line;
  std::string calls;
};

// Unsupervised, a failure in OnParams, a throw of no std::exception from
// OnPacket or a timestamp read failing mid-stream, on every restart: each
// ends only that session's reader, with one line; the camera keeps
// delivering into the full queue until the host stops the source.
TEST_F(FaultTest, ReaderFailuresOnEveryRestartEndOnlyThatSessionsReader) {
  const std::vector<ReaderFault> faults = {
      {"OnParams", nullptr, false, "host failure", "A"},
      {"foreign", nullptr, true, "unknown", "AP"},
      {"timestamp", "rs2_get_frame_timestamp", false, "clock lost", "AP"},
      {"domain", "rs2_get_frame_timestamp_domain", false, "clock lost", "AP"}};
  source = CreateSource(camera.Url("watchdog_ms=0"), "cam");
  double time = 1000;
  for (int round = 0; round < 2; ++round) {
    for (const ReaderFault& fault : faults) {
      SCOPED_TRACE(fault.label);
      log.Clear();
      auto failing = fault.foreign ? boost::make_shared<ForeignThrowingHandler>()
                                   : boost::make_shared<RecordingHandler>();
      if (!fault.foreign && fault.failingCall == nullptr)
        failing->ThrowOnParams(fault.line);
      source->Start(StartWith(failing));
      if (fault.failingCall != nullptr) {
        camera.Emit(ColorAndDepth(++time, kSystemTime));
        ASSERT_TRUE(failing->WaitForPackets(1));
        // The first packet's description reads the domain too, after its call.
        ASSERT_TRUE(log.WaitFor(kInfo,
                                "<cam> Frames: time domain: system time; frame counter metadata: "
                                "available"));
        rs2sim::FailNext(fault.failingCall, RS2_EXCEPTION_TYPE_BACKEND, fault.line);
      }
      camera.Emit(ColorAndDepth(++time, kSystemTime));
      const std::string line = "<cam> ReadFrames: exception: " + fault.line;
      ASSERT_TRUE(log.WaitFor(kError, line));
      // Three wait for the dead reader, two are lost.
      for (int t = 0; t < 5; ++t)
        camera.Emit(ColorAndDepth(++time, kSystemTime));
      source->Stop();
      EXPECT_EQ(vs_test_support::LostFramesLogged(log.Messages(kWarning), "cam"), 2u);
      EXPECT_EQ(log.Messages(kError), Texts{line});
      EXPECT_EQ(failing->Calls(), fault.calls);
      failing.reset();
      ExpectNothingLeft(fault.label);
    }
  }
  ExpectRecovered("after the reader failures");
}

// While the host is stuck the three oldest framesets wait; the refused ones
// are counted in a few lines, not one line each.
TEST_F(FaultTest, BlockedHandlerBoundsMemoryAndCountsEveryLoss) {
  constexpr int kFlood = 200;
  StartCamera();
  handler->BlockPackets();
  camera.Emit(ColorAndDepth(1, kSystemTime));
  ASSERT_TRUE(handler->WaitForPacketCalls(1));
  for (int t = 2; t <= 4; ++t)
    camera.Emit(ColorAndDepth(t, kSystemTime));
  const long framesHeld = rs2sim::GetCounters().framesAlive;
  const auto floodBegan = std::chrono::steady_clock::now();
  for (int t = 5; t <= kFlood; ++t) {
    EXPECT_TRUE(camera.Emit(ColorAndDepth(t, kSystemTime)).delivered);
    EXPECT_EQ(rs2sim::GetCounters().framesAlive, framesHeld) << t;
  }
  handler->Unblock();
  ASSERT_TRUE(handler->WaitForPackets(4));
  source->Stop();
  const auto floodSeconds = std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::steady_clock::now() - floodBegan)
                                .count();
  std::vector<std::int64_t> times;
  for (const auto& packet : handler->Packets())
    times.push_back(packet.time);
  EXPECT_EQ(times, (std::vector<std::int64_t>{1, 2, 3, 4}));
  const Texts warnings = log.Messages(kWarning);
  EXPECT_EQ(vs_test_support::LostFramesLogged(warnings, "cam"), kFlood - 4u);
  ASSERT_FALSE(warnings.empty());
  EXPECT_EQ(warnings.front(), "<cam> ProcessFrame: lost frames");
  // A line for the first loss and at most one sum a second (and one for the
  // second under way), however long a sanitizer makes the flood: not a line
  // per loss.
  EXPECT_LE(warnings.size(), static_cast<std::size_t>(floodSeconds) + 3) << floodSeconds << " s";
}

// Packets the host keeps stay whole after Stop, after the source is gone and
// after the protocol is gone; only the host's release frees them.
TEST_F(FaultTest, KeptPacketsOutliveTheSourceAndTheProtocol) {
  constexpr std::size_t kPackets = 12;
  StartCamera();
  for (std::size_t i = 0; i < kPackets; ++i) {
    rs2sim::FramesetSpec set = ColorAndDepth(1000.0 + static_cast<double>(i), kSystemTime);
    for (auto& frame : set.frames)
      frame.fill = static_cast<std::uint8_t>(i + 1);
    Deliver(set);
  }
  source->Stop();
  source.reset();
  protocol.reset();

  EXPECT_EQ(rs2sim::GetCounters().framesKept, 2 * static_cast<long>(kPackets));
  for (std::size_t i = 0; i < kPackets; ++i) {
    const vid_db::media::Packet packet = handler->Packets()[i];
    const auto& depth =
        dynamic_cast<const vid_db::media::PackBuf&>(*packet.attachments.at("depth"));
    const auto fill = static_cast<std::uint8_t>(i + 1);
    EXPECT_EQ(std::count(packet.data, packet.data + packet.size, fill), 640 * 480 * 3) << i;
    EXPECT_EQ(std::count(depth.GetData(), depth.GetData() + depth.GetSize(), fill), 640 * 480 * 2)
        << i;
  }
  handler->Clear();
  EXPECT_TRUE(AllCountersZero());
}

}  // namespace
}  // namespace vs_realsense2_test
