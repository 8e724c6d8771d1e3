#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "orvlog/orvlog.hpp"
#include "utils/log.hpp"

namespace {

using orvlog::Severity;

// Collects what reaches one callback sink; removes the sink on destruction.
class Capture {
 public:
  explicit Capture(Severity minimum) {
    id_ = orvlog::AddCallbackSink(minimum, [this](const orvlog::LogLine& line) {
      const std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~Capture() { orvlog::RemoveSink(id_); }
  std::vector<orvlog::LogLine> Lines() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

 private:
  orvlog::SinkId id_;
  mutable std::mutex mutex_;
  std::vector<orvlog::LogLine> lines_;
};

orvlog::Logger& TestChannel() {
  static utils::LogChannel channel("test.channel", false);
  return channel.Get();
}

TEST(LogStatement, ForbiddenLoggingTouchesNeitherChannelNorOperands) {
  const Capture capture(Severity::Trace);
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
  EXPECT_TRUE(capture.Lines().empty());

  utils::LogTagged(channel, Severity::Error, "cam", "Tag", [&](std::ostream&) { ++operandCalls; });
  EXPECT_EQ(channelCalls, 1);
  EXPECT_EQ(operandCalls, 1);
  EXPECT_EQ(capture.Lines().size(), 1u);
}

TEST(LogStatement, SeverityWithoutSinkBuildsNothing) {
  const Capture capture(Severity::Warning);
  int operandCalls = 0;
  utils::LogTagged(TestChannel, Severity::Debug, "cam", "Tag",
                   [&](std::ostream&) { ++operandCalls; });
  EXPECT_EQ(operandCalls, 0);
  EXPECT_TRUE(capture.Lines().empty());

  // The module's suites check its tagged lines word for word, file_test the
  // untagged form (utils' file trace); an empty name has its shape here.
  utils::LogTagged(TestChannel, Severity::Warning, std::string(), "Tag", "lost frames");
  const auto lines = capture.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].message, "<> Tag: lost frames");
  EXPECT_EQ(lines[0].severity, Severity::Warning);
  EXPECT_EQ(lines[0].channel, "test.channel");
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
