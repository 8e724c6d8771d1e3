// The long-run check's parts: the verdict on growth, the reading of a process
// and of status lines, the plot, the replug timer. The samples file's round
// trip, and the reading of rs-host's own status lines, are what the short run
// (long_run_short) does on every pass.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>
#include <rs2sim/control.hpp>

#include "growth_check.hpp"
#include "plot.hpp"
#include "process_run.hpp"
#include "replug.hpp"
#include "samples.hpp"

namespace long_run {
namespace {

// A sample every 5 s for 2 minutes: 1000 MiB, 11 threads, 9 descriptors,
// 100 packets more each time; `change` alters sample i.
std::vector<Sample> Flat(const std::function<void(int, Sample&)>& change = {}) {
  std::vector<Sample> samples;
  for (int i = 0; i <= 24; ++i) {
    Sample s{5.0 * i, 1'024'000, 11, 9, 100u * static_cast<unsigned>(i + 1), 0};
    if (change)
      change(i, s);
    samples.push_back(s);
  }
  return samples;
}

const Verdict& Find(const std::vector<Verdict>& verdicts, const std::string& figure) {
  for (const auto& v : verdicts)
    if (v.figure == figure)
      return v;
  throw std::runtime_error("no verdict for " + figure);
}

// 40 KiB a sample after the warm-up: the 19 samples from 30 s on split in
// thirds of 6; the medians lie 13 samples apart, 520 KiB.
TEST(CheckGrowth, SteadyGrowthBeyondTheAllowanceFails) {
  const auto leaking = Flat([](int i, Sample& s) { s.rssKiB += 40 * i; });
  const auto failed = CheckGrowth(leaking, 30, Allowance{512, 0, 0});
  const Verdict& rss = Find(failed, "RSS KiB");
  EXPECT_FALSE(rss.ok);
  EXPECT_DOUBLE_EQ(rss.growth, 520);
  EXPECT_DOUBLE_EQ(rss.baseline, 1'024'000 + 40 * 8.5);
  EXPECT_DOUBLE_EQ(rss.peak, 1'024'000 + 40 * 24);
  EXPECT_EQ(rss.note, "grew beyond the allowance");
  EXPECT_FALSE(AllOk(failed));
  EXPECT_TRUE(AllOk(CheckGrowth(leaking, 30, Allowance{520, 0, 0})));
}

TEST(CheckGrowth, StalledSourcesFail) {
  const auto stalled = Flat([](int i, Sample& s) { s.packets = i == 14 ? 1400 : s.packets; });
  const auto verdicts = CheckGrowth(stalled, 30, Allowance{});
  const Verdict& flow = Find(verdicts, "packets");
  EXPECT_FALSE(flow.ok);
  EXPECT_EQ(flow.note, "no packet between 65 s and 70 s");
}

// gnuplot reads the samples file past its header, and a title with a quote
// does not end the script's string early.
TEST(Plot, GnuplotDrawsTheSamplesFileAndSaysWhyItCannot) {
  const std::string dir = ::testing::TempDir();
  const std::string csvPath = dir + "plot-samples-" + std::to_string(getpid()) + ".csv";
  const std::string png = dir + "plot-" + std::to_string(getpid()) + ".png";
  const auto samples = Flat([](int i, Sample& s) { s.rssKiB += 40 * i; });
  {
    std::ofstream csv(csvPath);
    WriteCsvHeader(csv);
    for (const auto& sample : samples)
      WriteCsvLine(csv, sample);
  }
  DrawPlot(PlotScript(samples, 30, "the operator's run", csvPath, png), png + ".gp");
  std::ifstream drawn(png, std::ios::binary);
  std::string header(24, '\0');
  ASSERT_TRUE(drawn.read(header.data(), 24));
  EXPECT_EQ(header.substr(1, 3), "PNG");
  // IHDR: width and height, big-endian, from byte 16.
  EXPECT_EQ(header.substr(16, 8), std::string("\0\0\x03\xc0\0\0\x02\xf8", 8));  // 960x760

  try {
    DrawPlot("plot 'no such file' using 1:2\n", png + ".gp");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("failed (status 1): "), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("no such file"), std::string::npos) << e.what();
  }
  std::remove(csvPath.c_str());
  std::remove(png.c_str());
  std::remove((png + ".gp").c_str());
}

// A thread and a descriptor more show in the next reading of this process.
TEST(ReadProcess, SeesThreadsAndDescriptorsOfAProcess) {
  const auto before = ReadProcess(static_cast<int>(getpid()));
  ASSERT_TRUE(before);
  EXPECT_GT(before->rssKiB, 0);
  std::promise<void> release;
  std::thread waiting([released = release.get_future()] { released.wait(); });
  const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const auto during = ReadProcess(static_cast<int>(getpid()));
  close(fd);
  release.set_value();
  waiting.join();
  ASSERT_TRUE(during);
  EXPECT_EQ(during->threads, before->threads + 1);
  EXPECT_EQ(during->fds, before->fds + 1);
  EXPECT_FALSE(ReadProcess(-1));
}

TEST(ParseStatusLine, SumsPacketsAndRestartsOfEverySource) {
  const std::string line =
      "[ 12.0 s] cam0: 359 pkts 30.0 fps depth yes 640x480 RGB24 lost 0 restarts 2 down 7.5 s "
      "(restarting) | cam1: not running | cam2: 41 pkts 6.0 fps depth yes 1920x1080 RGB24 lost "
      "3 restarts 1 down 0.4 s";
  const auto figures = ParseStatusLine(line);
  ASSERT_TRUE(figures);
  EXPECT_EQ(figures->packets, 400u);
  EXPECT_EQ(figures->restarts, 3u);
  EXPECT_FALSE(ParseStatusLine("Summary after 5.0 s (stopped by time)"));
  EXPECT_FALSE(ParseStatusLine("  packets             149"));
}

// Without the simulator's unplug, the cycle does nothing; with it, camera
// out at each period, back after the absence.
TEST(ReplugCycle, UnplugsOnTimeAndPlugsBack) {
  using std::chrono::seconds;
  const auto start = std::chrono::steady_clock::time_point{} + seconds(1000);
  rs2sim::AddDevice(rs2sim::DefaultCamera("long-run-replug"));
  ReplugCycle cycle("long-run-replug", start, seconds(60), seconds(5));
  cycle.Run(start + seconds(59));
  EXPECT_EQ(cycle.Unplugs(), 0);
  cycle.Run(start + seconds(60));
  if (!ReplugAvailable()) {
    EXPECT_EQ(cycle.Unplugs(), 0);
    GTEST_SKIP() << "rs2sim cannot unplug a device in this build";
  }
  EXPECT_EQ(cycle.Unplugs(), 1);
  EXPECT_TRUE(cycle.Out());
  cycle.Run(start + seconds(64));
  EXPECT_TRUE(cycle.Out());
  cycle.Run(start + seconds(65));
  EXPECT_FALSE(cycle.Out());
  cycle.Run(start + seconds(120));
  EXPECT_EQ(cycle.Unplugs(), 2);
  rs2sim::RemoveDevice("long-run-replug");
}

}  // namespace
}  // namespace long_run
