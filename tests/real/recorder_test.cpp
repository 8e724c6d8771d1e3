// What the real library does with a recording that meets a full disk: it
// goes on streaming, and destroying the failed recorder ends the process.
// The module is built around that (it never destroys such a recorder); a
// library that fixes it fails this test, and the keeping can be revisited.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <vs_test_support/child_process.hpp>
#include <vs_test_support/percent_encoding.hpp>

#include "playback_fixture.hpp"

namespace vs_realsense2_test {
namespace {

// The file the failed recorder left (cut, without its index) is refused at
// the start, in the library's words; the start does not hang.
TEST_F(PlaybackTest, AFailedRecorderEndsTheProcessWhenDestroyedAndItsCutFileIsRefusedAtStart) {
  const std::string dir = ::testing::TempDir() + "real-cut/";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  // 30 framesets of 640x480 colour and depth compress to about 260 kB.
  vs_test_support::ChildProcess recorder(
      VSRS_MAKE_RECORDING,
      {"--out", dir + "cut.bag", "--framesets", "30", "--file-size-limit", "100000"});
  std::string text;
  while (recorder.Read(text, std::chrono::seconds(1))) {
  }
  ASSERT_EQ(recorder.WaitForExit(std::chrono::seconds(20)), -1) << text;
  EXPECT_EQ(recorder.EndingSignal(), SIGABRT) << text;
  EXPECT_NE(text.find("terminate called after throwing an instance of 'rosbag::BagIOException'"),
            std::string::npos)
      << text;
  source = CreateSource(
      "realsense://?playback_from_file=" + vs_test_support::PercentEncoded(dir + "cut.bag"),
      "replay");
  try {
    source->Start(StartWith(handler));
    FAIL() << "started";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "Failed to resolve request. Request to "
              "enable_device_from_file(\"" +
                  dir +
                  "cut.bag\") was invalid, Reason: Failed to create ros "
                  "reader: Bag unindexed");
    EXPECT_EQ(log.Messages(kError).size(), 1u);
  }
}

}  // namespace
}  // namespace vs_realsense2_test
