// Hostile and broken input: addresses, playback files and record paths. Each
// gives the error or the default the module promises, and a refused start
// leaves no thread or library object behind. How each key's value is read is
// the address suite's (tests/address), an address that is no URI the protocol
// suite's (tests/module).
#include <ostream>

#include <librealsense2/rs.hpp>
#include <utils/error.hpp>
#include <utils/file.hpp>

#include "reliability_support.hpp"

namespace vs_realsense2_test {
namespace {

enum class Outcome { Streams, Awaited, LibraryRefusal, ProbeRefusal };

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

#ifdef _WIN32
const std::string kDirectoryRefusal = "Permission denied: ";

// Wine starts a thread of its own the first time a directory is opened for
// reading; opened once before the cases, it is part of every baseline.
class DirectoryOpenedOnce : public ::testing::Environment {
 public:
  void SetUp() override {
    try {
      const utils::File directory(::testing::TempDir(), utils::File::Read);
    } catch (const utils::OpenFileError&) {
      // Refused, as every directory is: the thread is there now.
    }
  }
};
const auto* const kDirectoryOpenedOnce =
    ::testing::AddGlobalTestEnvironment(new DirectoryOpenedOnce);
#else
const std::string kDirectoryRefusal = "Is a directory: ";
#endif

std::vector<HostileAddress> Corpus() {
  const std::string directory = ::testing::TempDir();
  return {
      {"VeryLongValue", OurCamera("x=" + std::string(100000, 'a')), Outcome::Streams},
      {"EncodedNulInNumber", OurCamera("c_width=%00640"), Outcome::Streams},
      {"EncodedNulKeyAndValue", OurCamera("%00=%00"), Outcome::Streams},
      {"EncodedLineBreakInSerial", "realsense://camera?sn=manual-1%0A", Outcome::Awaited,
       "<cam> Start: waiting for camera manual-1?: not connected (connected: 900000000000, "
       "manual-1)"},
      {"EncodedLineBreakInSerialUnsupervised", "realsense://camera?sn=manual-1%0A&watchdog_ms=0",
       Outcome::LibraryRefusal},
      // The Windows runtime opens no directory: it says so as EACCES.
      {"PlaybackOfADirectory", OurCamera("playback_from_file=" + PercentEncoded(directory)),
       Outcome::ProbeRefusal, kDirectoryRefusal + directory},
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
    try {
      source->Start(StartWith(handler));
      FAIL() << "started";
    } catch (const rs2::error&) {
      // Refused by the library: its one error line.
      EXPECT_EQ(input.outcome, Outcome::LibraryRefusal);
      const Texts errors = log.Messages(kError);
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors[0].rfind("<cam> Start: rs error calling ", 0), 0u) << errors[0];
    } catch (const utils::OpenFileError& e) {
      // Refused by the playback probe, before the library is asked.
      EXPECT_EQ(input.outcome, Outcome::ProbeRefusal);
      EXPECT_EQ(e.what(), input.detail);
      EXPECT_EQ(log.All(), (Lines{{kDebug, "<cam> Start: "}, SdkLine("cam")}));
    }
  }
  ExpectNothingLeft(input.label);
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileAddressTest, ::testing::ValuesIn(Corpus()),
                         [](const ::testing::TestParamInfo<HostileAddress>& info) {
                           return std::string(info.param.label);
                         });

}  // namespace
}  // namespace vs_realsense2_test
