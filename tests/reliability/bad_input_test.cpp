// Hostile and broken input: addresses, playback files and record paths. Each
// gives the error or the default the module promises, and a refused start
// leaves no thread or library object behind.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <librealsense2/rs.hpp>
#include <utils/error.hpp>
#include <utils/url_parser_error.hpp>

#include "camera_test.hpp"
#include "reliability_support.hpp"

namespace vs_reliability {
namespace {

using vs_realsense2_test::AllCountersZero;
using vs_realsense2_test::CameraTest;
using vs_realsense2_test::StartWith;

enum class Outcome { ParserError, Streams, StartRefused };

struct HostileAddress {
  const char* label;
  std::string url;
  Outcome outcome;
  // For Streams: the colour line the start reports.
  std::string color = "Color as RGB8 at 30 Hz; resolution: 1280x720";
};

// Keeps the 100 kB addresses out of test names and reports.
void PrintTo(const HostileAddress& input, std::ostream* os) { *os << input.label; }

std::string OurCamera(const std::string& query) {
  return "realsense://camera?sn=manual-1&" + query;
}

std::vector<HostileAddress> Corpus() {
  return {
      {"VeryLongValue", OurCamera("x=" + std::string(100000, 'a')), Outcome::Streams},
      {"VeryLongWithSpace", OurCamera("x=" + std::string(5000, 'a') + " b"), Outcome::ParserError},
      {"EncodedNulInNumber", OurCamera("c_width=%00640"), Outcome::Streams},
      {"EncodedNulKeyAndValue", OurCamera("%00=%00"), Outcome::Streams},
      {"EncodedLineBreaksBeforeNumbers", OurCamera("c_width=%0A640&c_height=%0D%0A480"),
       Outcome::Streams, "Color as RGB8 at 30 Hz; resolution: 640x480"},
      {"EncodedLineBreakInSerial", "realsense://camera?sn=manual-1%0A", Outcome::StartRefused},
      {"RawLineBreak", "realsense://camera?sn=manual-1\n", Outcome::ParserError},
      {"HugeAndNegativeNumbers",
       OurCamera("c_width=99999999999999999999&c_height=2147483648&c_fps=-30&d_fps=4294967326"),
       Outcome::Streams},
      {"EncodedPlusSign", OurCamera("c_fps=%2B6"), Outcome::Streams,
       "Color as RGB8 at 6 Hz; resolution: 1280x720"},
      {"DuplicateKeys", OurCamera("c_width=640&c_height=480&c_width=1920&c_height=1080"),
       Outcome::Streams, "Color as RGB8 at 30 Hz; resolution: 640x480"},
      {"DuplicateSerials", "realsense://camera?sn=manual-1&sn=someone-else", Outcome::Streams},
      {"KeysInAnotherCase", OurCamera("C_WIDTH=640&C_HEIGHT=480&SN=x"), Outcome::Streams},
      {"UnbalancedBracket", "realsense://[::1?sn=manual-1", Outcome::ParserError},
      {"BadPercentEscape", "realsense://camera?sn=manual-1&c_width=%G0", Outcome::ParserError},
  };
}

class HostileAddressTest : public CameraTest, public ::testing::WithParamInterface<HostileAddress> {
 protected:
  const std::size_t threadsAtStart = ThreadBaseline();
};

TEST_P(HostileAddressTest, GivesItsErrorOrDefaultAndLeavesNothing) {
  const HostileAddress& input = GetParam();
  if (input.outcome == Outcome::ParserError) {
    try {
      CreateSource(input.url, "cam");
      FAIL() << "accepted";
    } catch (const utils::UrlParserError& e) {
      EXPECT_EQ(e.what(), "failed to parse URL: '" + input.url + "'");
    }
  } else {
    source = CreateSource(input.url, "cam");
    if (input.outcome == Outcome::StartRefused) {
      EXPECT_THROW(source->Start(StartWith(handler)), rs2::error);
      ASSERT_EQ(log.Messages(orvlog::Severity::Error).size(), 1u);
      EXPECT_EQ(log.Messages(orvlog::Severity::Error)[0].rfind("<cam> Start: rs error calling ", 0),
                0u);
    } else {
      source->Start(StartWith(handler));
      EXPECT_EQ(log.Count("<cam> PrintProfile: stream: " + input.color), 1u);
      EXPECT_EQ(log.Count("<cam> PrintProfile: stream: Depth as Z16 at 30 Hz; resolution: 848x480"),
                1u);
      EXPECT_TRUE(camera.Emit(vs_test_support::ColorAndDepth(1000)).delivered);
      EXPECT_TRUE(handler->WaitForPackets(1));
      source->Stop();
      handler->Clear();
    }
  }
  EXPECT_EQ(ThreadCount(), threadsAtStart);
  EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters()));
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileAddressTest, ::testing::ValuesIn(Corpus()),
                         [](const ::testing::TestParamInfo<HostileAddress>& info) {
                           return std::string(info.param.label);
                         });

class BadPathTest : public CameraTest {
 protected:
  // A start refused by the playback probe: the probe's error, no library
  // error line, nothing left running.
  void ExpectProbeRefusal(const std::string& path, const std::string& reason) {
    source = CreateSource(camera.Url("playback_from_file=" + path), "cam");
    try {
      source->Start(StartWith(handler));
      FAIL() << path << " accepted";
    } catch (const utils::OpenFileError& e) {
      EXPECT_EQ(e.what(), reason + ": " + path);
    }
    EXPECT_TRUE(log.Messages(orvlog::Severity::Error).empty());
    EXPECT_EQ(log.Count("<cam> Session: playback from file: " + path), 0u);
    EXPECT_EQ(ThreadCount(), threadsAtStart);
    EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters()));
  }

  const std::size_t threadsAtStart = ThreadBaseline();
};

TEST_F(BadPathTest, PlaybackOfADirectoryIsRefusedByTheProbe) {
  ExpectProbeRefusal(::testing::TempDir(), "Is a directory");
}

TEST_F(BadPathTest, PlaybackFromAMissingDirectoryIsRefusedByTheProbe) {
  ExpectProbeRefusal(::testing::TempDir() + "no-such-dir/recording.bag",
                     "No such file or directory");
}

TEST_F(BadPathTest, PlaybackOfAnUnreadableFileIsRefusedByTheProbe) {
  if (geteuid() == 0)
    GTEST_SKIP() << "root reads any file";
  const std::string path = ::testing::TempDir() + "unreadable-" + std::to_string(getpid()) + ".bag";
  std::ofstream(path) << "not for you";
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  ExpectProbeRefusal(path, "Permission denied");
  std::remove(path.c_str());
}

TEST_F(BadPathTest, RecordingIntoAMissingDirectoryIsALibraryErrorAndCreatesNothing) {
  const std::string directory = ::testing::TempDir() + "no-such-record-dir";
  const std::string path = directory + "/recording.bag";
  source = CreateSource(camera.Url("record_to_file=" + path), "cam");
  EXPECT_THROW(source->Start(StartWith(handler)), rs2::error);
  EXPECT_EQ(log.Count("<cam> Session: recording to file: " + path), 1u);
  ASSERT_EQ(log.Messages(orvlog::Severity::Error).size(), 1u);
  EXPECT_EQ(log.Messages(orvlog::Severity::Error)[0].rfind("<cam> Start: rs error calling ", 0),
            0u);
  struct stat status {};
  EXPECT_NE(stat(directory.c_str(), &status), 0);
  EXPECT_EQ(ThreadCount(), threadsAtStart);
  EXPECT_TRUE(AllCountersZero(rs2sim::GetCounters()));
}

}  // namespace
}  // namespace vs_reliability
