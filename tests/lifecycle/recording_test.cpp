// Recording for days on stepped time: files never overwritten, rotation by
// time and size, the series' budget, and live video that goes on whatever
// the disk does (its free space is the test's).
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "stepped_source_test.hpp"

namespace vs_realsense2_test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMb = 1024 * 1024;

std::string RecordingTo(const std::string& path) {
  return "<cam> Session: recording to file: " + path;
}

class RecordingTest : public SteppedSourceTest {
 protected:
  RecordingTest() {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }

  // Started on the test's disk, its first lines kept.
  void StartRecording(const std::string& query) {
    vid_db::media::SourceSettings settings;
    settings.url =
        camera.Url("stats_s=0&record_to_file=" + PercentEncoded(dir + "cam.bag") + "&" + query);
    settings.name = "cam";
    source = boost::make_shared<vs_realsense2::MediaSource>(
        settings, clock, [free = freeBytes](const std::string& folder) {
          return fs::is_directory(folder) ? std::optional<std::uint64_t>(free->load())
                                          : std::nullopt;
        });
    source->Start(StartWith(handler));
    ASSERT_TRUE(clock->Settle());
  }

  // Packets at one a second, each a frameset (written twice: Deliver's
  // repeat), the clock stepped after each. The handler lets each go, so that
  // the camera's frame pool never runs dry.
  void Stream(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      Deliver(next, ++packets);
      handler->Clear();
      next += 1000;
      Step(1000);
    }
  }

  Texts Files() const {
    Texts files;
    for (const auto& entry : fs::directory_iterator(dir))
      files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
  }

  void Write(const std::string& name, std::uint64_t bytes) {
    std::ofstream(dir + name) << std::string(bytes, 'x');
  }

  const std::string dir = ::testing::TempDir() + "recording-" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
  const std::shared_ptr<std::atomic<std::uint64_t>> freeBytes =
      std::make_shared<std::atomic<std::uint64_t>>(100'000 * kMb);
  double next = 10'000;
  std::size_t packets = 0;
};

const std::regex kSeriesName(R"(cam-\d{8}T\d{6}Z(-\d+)?\.bag)");

TEST_F(RecordingTest, ExistingFileIsKeptAndEachRestartNamesTheFileItWasWriting) {
  Write("cam.bag", 3);
  StartRecording("watchdog_ms=100");
  EXPECT_EQ(log.Count(kInfo,
                      "<cam> Start: keeping " + dir + "cam.bag, recording to " + dir + "cam-1.bag"),
            1u);
  EXPECT_EQ(log.Count(kInfo, RecordingTo(dir + "cam-1.bag")), 1u);
  Deliver(next, 1);
  EndReader(ColorAndDepth(next + 100, kSystemTime));
  Step(1000);
  EXPECT_EQ(log.Count(kInfo, "<cam> Restart: keeping " + dir + "cam-1.bag, recording to " + dir +
                                 "cam-2.bag"),
            1u);
  EXPECT_EQ(fs::file_size(dir + "cam.bag"), 3u);
}

TEST_F(RecordingTest, RotationByTimeAnnouncesEachFileAndEveryClosedFilePlaysBack) {
  StartRecording("record_split_s=10");
  Stream(25);
  source->Stop();
  const Texts files = Files();
  ASSERT_EQ(files.size(), 3u);
  for (const std::string& file : files) {
    EXPECT_TRUE(std::regex_match(file, kSeriesName)) << file;
    EXPECT_EQ(log.Count(kInfo, RecordingTo(dir + file)), 1u) << file;
  }
  // Each new file is a new session: its first packet is announced again,
  // and no packet was lost or restarted for it.
  EXPECT_EQ(handler->Calls(),
            "A" + std::string(10, 'P') + "A" + std::string(10, 'P') + "A" + std::string(5, 'P'));
  EXPECT_TRUE(log.Messages(kWarning).empty());

  for (std::size_t i = 0; i + 1 < files.size(); ++i) {
    const auto player = boost::make_shared<RecordingHandler>();
    const auto playback = CreateSourceAt(
        "realsense://?playback_from_file=" + PercentEncoded(dir + files[i]), "replay");
    playback->Start(StartWith(player));
    // More packets than the file holds (ten, each recorded twice): it plays
    // in a loop.
    EXPECT_TRUE(player->WaitForPackets(12)) << files[i];
    playback->Stop();
  }
}

// A new file is no restart: a loss right after it is restarted as if the
// file had not changed (the build before it lies 18 seconds back).
TEST_F(RecordingTest, RotationBySizeComesWhenTheFileReachesItsSizeAndIsNoRestart) {
  StartRecording("record_split_mb=40");
  const std::string raised =
      "<cam> MediaSource: record_split_mb=40 raised to 50 MB, the shortest split";
  EXPECT_EQ(log.Messages(kWarning), Texts{raised});
  // 640x480 colour and depth: 1.5 MB a frameset, 3 MB a packet here.
  Stream(17);
  EXPECT_EQ(Files().size(), 1u);
  Stream(1);
  const Texts files = Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_GE(std::max(fs::file_size(dir + files[0]), fs::file_size(dir + files[1])), 50 * kMb);
  handler->ThrowOnPacket("host failure");
  ASSERT_TRUE(camera.Emit(ColorAndDepth(next, kSystemTime)).delivered);
  ASSERT_TRUE(log.WaitFor(kWarning, "<cam> Watchdog: reader ended, restarting"));
  EXPECT_EQ(log.Messages(kWarning), (Texts{raised, "<cam> Watchdog: reader ended, restarting"}));
}

TEST_F(RecordingTest, BudgetDeletesTheOldestFilesOfTheSeriesAndNothingElse) {
  const Texts others = {"cam.bag", "cam-20200101T000000Z.txt", "other-20200101T000000Z.bag",
                        "cam-2020.bag", "cam-20200101T000000Z-01.bag"};
  for (const std::string& other : others)
    Write(other, kMb);
  Write("cam-20200102T000000Z.bag", kMb);
  Write("cam-20200101T000000Z-2.bag", kMb);
  Write("cam-20200101T000000Z.bag", kMb);
  // The series once each new file is open (the device line comes after the
  // start): room was made for it first.
  std::atomic<std::size_t> mostFiles{0};
  const OnLine opened("PrintDevice: ", [&] {
    mostFiles = std::max(mostFiles.load(), Files().size() - others.size());
  });
  StartRecording("record_split_s=10&record_keep_files=3");
  const auto deleted = [&](const std::string& name) {
    return "<cam> Recording: deleted " + dir + name +
           " (1.0 MB), the oldest of the series, for record_keep_mb=0, record_keep_files=3";
  };
  EXPECT_EQ(log.Count(kInfo, deleted("cam-20200101T000000Z.bag")), 1u);
  Stream(10);
  EXPECT_EQ(log.Count(kInfo, deleted("cam-20200101T000000Z-2.bag")), 1u);
  const Texts files = Files();
  ASSERT_EQ(files.size(), others.size() + 3);
  for (const std::string& other : others)
    EXPECT_NE(std::find(files.begin(), files.end(), other), files.end()) << other;
  EXPECT_NE(std::find(files.begin(), files.end(), "cam-20200102T000000Z.bag"), files.end());
  EXPECT_EQ(mostFiles.load(), 3u);
}

TEST_F(RecordingTest, BudgetInMegabytesCountsTheOpenFile) {
  Write("cam-20200101T000000Z.bag", kMb);
  Write("cam-20200102T000000Z.bag", kMb);
  StartRecording("record_split_s=10&record_keep_mb=6");
  EXPECT_EQ(log.CountMatching(kInfo, "<cam> Recording: deleted .*"), 0u);
  // Ten packets, 30 MB, in the first file: at the rotation the series holds
  // 32 MB, and only the new file fits.
  Stream(10);
  EXPECT_EQ(log.CountMatching(kInfo,
                              "<cam> Recording: deleted .*, for record_keep_mb=6, "
                              "record_keep_files=0"),
            3u);
  const Texts files = Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(log.Count(kInfo, RecordingTo(dir + files[0])), 1u);
}

// Where each step lies (the margin above the limit, half the limit) and when
// a closed file's next one opens are the guard's suite; this one checks what
// the source does at them.
TEST_F(RecordingTest, LowSpacePausesAndResumesWhilePacketsFlowAndBelowHalfTheLimitCloses) {
  StartRecording("watchdog_ms=2000");
  const std::string file = dir + "cam.bag";
  Stream(2);
  freeBytes->store(1000 * kMb);
  Stream(1);
  const std::uintmax_t paused = fs::file_size(file);
  const std::string pausedLine = "<cam> Recording: 1000.0 MB free for " + file +
                                 ", below record_min_free_mb=1024: recording paused, live video "
                                 "goes on";
  EXPECT_EQ(log.Messages(kWarning), Texts{pausedLine});
  Stream(3);
  EXPECT_EQ(fs::file_size(file), paused);
  freeBytes->store(1300 * kMb);
  Stream(2);
  EXPECT_EQ(log.Messages(kInfo).back(),
            "<cam> Recording: 1300.0 MB free again: recording to " + file + " resumed");
  EXPECT_GT(fs::file_size(file), paused);
  EXPECT_EQ(handler->Calls(), "A" + std::string(8, 'P'));
  freeBytes->store(500 * kMb);
  Stream(1);
  EXPECT_EQ(log.Messages(kWarning),
            (Texts{pausedLine, "<cam> Recording: 500.0 MB free: closing " + file +
                                   " while there is room; live video goes on without recording"}));
}

TEST_F(RecordingTest, FolderMissingAtStartOrRemovedLaterIsAnErrorAndLiveVideoGoesOn) {
  fs::remove_all(dir);
  StartRecording("");
  const Texts atStart = {"<cam> Recording: cannot record to " + dir +
                         "cam.bag: its folder does not exist; streaming without recording"};
  EXPECT_EQ(log.Messages(kError), atStart);
  Stream(2);
  EXPECT_EQ(handler->Calls(), "APP");
#ifdef _WIN32
  GTEST_SKIP() << "Windows refuses to remove a folder while a file in it is open";
#endif
  source->Stop();
  fs::create_directories(dir);
  StartRecording("");
  Stream(1);
  fs::remove_all(dir);
  Stream(2);
  EXPECT_EQ(log.Messages(kError),
            (Texts{atStart[0], "<cam> Recording: the folder of " + dir +
                                   "cam.bag no longer exists: closing it; live video goes on "
                                   "without recording"}));
  EXPECT_EQ(handler->Calls(), "APPAPPAP");
}

// The library meets a full disk by stopping the recorder and streaming on;
// destroying that recorder would end the process (rs2sim ends it too), so
// the new session a minute later (not before) must leave it alive.
TEST_F(RecordingTest, WriteFailureKeepsLiveVideoAndItsRecorderAndANewFileComesAMinuteLater) {
  rs2sim::FailRecordingWrites(4 * kMb);  // within the second packet
  StartRecording("");
  Stream(1);
  // The failure reaches the supervisor from the library's thread: its file is
  // closed at this second, not at the next.
  Deliver(next, ++packets);
  ASSERT_TRUE(log.WaitForMatching(kError, "<cam> Recording: writing .*"));
  handler->Clear();
  next += 1000;
  Step(1000);
  const std::string file = dir + "cam.bag";
  const std::string failure =
      "Stopping recording for sensor (streaming will continue). (Error: Failed to write message "
      "to " +
      file + ": No space left on device)";
  const Texts errors = log.Messages(kError);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].rfind("<cam> Notification: Unknown Error from Stereo Module: Stopping", 0),
            0u)
      << errors[0];
  EXPECT_EQ(errors[1], "<cam> Recording: writing " + file + " failed: " + failure +
                           "; live video goes on; its record device is kept open for the life of "
                           "the process (librealsense2 ends the process when it closes one that "
                           "failed); a new file in 60 s");
  Stream(58);
  EXPECT_EQ(Files(), Texts{"cam.bag"});
  Stream(2);
  EXPECT_EQ(Files(), (Texts{"cam-1.bag", "cam.bag"}));
  EXPECT_EQ(log.Count(kInfo, RecordingTo(dir + "cam-1.bag")), 1u);
  source->Stop();
  EXPECT_EQ(handler->Calls(), "A" + std::string(61, 'P') + "AP");
  EXPECT_EQ(log.Messages(kError).size(), 2u);
}

}  // namespace
}  // namespace vs_realsense2_test
