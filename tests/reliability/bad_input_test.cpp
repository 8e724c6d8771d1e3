// Hostile and broken input: addresses, playback files and record paths. Each
// gives the error or the default the module promises, and a refused start
// leaves no thread or library object behind. How each key's value is read is
// the address suite's (tests/address), an address that is no URI the protocol
// suite's (tests/module), each refusal of the library the fault suite's, and
// the texts of the playback probe's refusals (a directory among them) the
// utils suite's.
#include <ostream>

#include <utils/error.hpp>

#include "reliability_support.hpp"

namespace vs_realsense2_test {
namespace {

enum class Outcome { Streams, Awaited, ProbeRefusal };

struct HostileAddress {
  const char* label;
  std::string url;
  Outcome outcome;
  // Streams: the colour stream the start reports; Awaited: the warning;
  // ProbeRefusal: the error.
  std::string detail = "Color as RGB8 at 30 Hz; resolution: 1280x720";
};

// Keeps the 100 kB addresses out of test names and reports.
void PrintTo(const HostileAddress& input, std::ostream* os) {
  *os << input.label;
}

std::string OurCamera(const std::string& query) {
  return "realsense://camera?sn=manual-1&" + query;
}

std::vector<HostileAddress> Corpus() {
  const std::string directory = ::testing::TempDir();
  return {
      {"VeryLongValue", OurCamera("x=" + std::string(100000, 'a')), Outcome::Streams},
      {"EncodedNulInNumber", OurCamera("c_width=%00640"), Outcome::Streams},
      {"EncodedNulKeyAndValue", OurCamera("%00=%00"), Outcome::Streams},
      {"EncodedLineBreakInSerial", "realsense://camera?sn=manual-1%0A", Outcome::Awaited,
       "<cam> Start: waiting for camera manual-1?: not connected (connected: 900000000000, "
       "manual-1)"},
      {"PlaybackOfAMissingFile",
       OurCamera("playback_from_file=" + PercentEncoded(directory + "no-such-recording.bag")),
       Outcome::ProbeRefusal, "No such file or directory: " + directory + "no-such-recording.bag"},
      // Live video does not need the disk: an Error line, and no recording.
      {"RecordingIntoAMissingDirectory",
       OurCamera("record_to_file=" + PercentEncoded(directory + "no-such-dir/recording.bag")),
       Outcome::Streams},
  };
}

class HostileAddressTest : public ReliabilityTest,
                           public ::testing::WithParamInterface<HostileAddress> {};

TEST_P(HostileAddressTest, GivesItsErrorOrDefaultAndLeavesNothing) {
  const HostileAddress& input = GetParam();
  source = CreateSource(input.url, "cam");
  if (input.outcome == Outcome::Awaited) {
    source->Start(StartWith(handler));
    source->Stop();
    EXPECT_EQ(log.Messages(kWarning), Texts{input.detail});
  } else if (input.outcome == Outcome::Streams) {
    source->Start(StartWith(handler));
    EXPECT_EQ(Reported(input.detail), 1u);
    EXPECT_EQ(Reported("Depth as Z16 at 30 Hz; resolution: 848x480"), 1u);
    Deliver(ColorAndDepth(1000));
    source->Stop();
    handler->Clear();
  } else {
    // Refused by the playback probe, before the library is asked.
    EXPECT_EQ(ThrownText<utils::OpenFileError>([&] { source->Start(StartWith(handler)); }),
              input.detail);
    EXPECT_EQ(log.All(), (Lines{{kDebug, "<cam> Start: "}, SdkLine("cam")}));
  }
  ExpectNothingLeft(input.label);
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileAddressTest, ::testing::ValuesIn(Corpus()),
                         [](const ::testing::TestParamInfo<HostileAddress>& info) {
                           return std::string(info.param.label);
                         });

}  // namespace
}  // namespace vs_realsense2_test
