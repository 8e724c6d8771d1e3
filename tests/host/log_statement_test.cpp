#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "orvlog/orvlog.hpp"
#include "utils/log.hpp"
#include "vs_test_support/log_capture.hpp"

namespace {

using orvlog::Severity;
using vs_test_support::LogCapture;

orvlog::Logger& TestChannel() {
  static utils::LogChannel channel("test.channel", false);
  return channel.Get();
}

TEST(LogStatement, ForbiddenLoggingTouchesNeitherChannelNorOperands) {
  const LogCapture capture(Severity::Trace);
  int channelCalls = 0;
  int operandCalls = 0;
  auto channel = [&]() -> orvlog::Logger& {
    ++channelCalls;
    return TestChannel();
  };
  orvlog::SetLoggingForbidden(true);
  utils::LogTagged(channel, Severity::Error, "cam", "Tag", [&](std::ostream&) { ++operandCalls; });
  orvlog::SetLoggingForbidden(false);
  EXPECT_EQ(channelCalls, 0);
  EXPECT_EQ(operandCalls, 0);
  EXPECT_TRUE(capture.Raw().empty());

  utils::LogTagged(channel, Severity::Error, "cam", "Tag", [&](std::ostream&) { ++operandCalls; });
  EXPECT_EQ(channelCalls, 1);
  EXPECT_EQ(operandCalls, 1);
  EXPECT_EQ(capture.Raw().size(), 1u);
}

TEST(LogStatement, SeverityWithoutSinkBuildsNothing) {
  const LogCapture capture(Severity::Warning);
  int operandCalls = 0;
  utils::LogTagged(TestChannel, Severity::Debug, "cam", "Tag",
                   [&](std::ostream&) { ++operandCalls; });
  EXPECT_EQ(operandCalls, 0);
  EXPECT_TRUE(capture.Raw().empty());

  // The module's suites check its tagged lines word for word, file_test the
  // untagged form (utils' file trace); an empty name has its shape here.
  utils::LogTagged(TestChannel, Severity::Warning, std::string(), "Tag", "lost frames");
  const auto lines = capture.Raw();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].message, "<> Tag: lost frames");
}

TEST(LogChannel, ConcurrentFirstUseCreatesOneChannel) {
  utils::LogChannel channel("race", false);
  std::atomic<int> ready{0};
  orvlog::Logger* seen[2] = {nullptr, nullptr};
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (ready.load() < 2) {
      }
      seen[i] = &channel.Get();
    });
  }
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_EQ(seen[0]->GetName(), "race");
  EXPECT_FALSE(seen[0]->IsUtility());
}

}  // namespace
