#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "orvlog/orvlog.hpp"
#include "vs_test_support/log_capture.hpp"

namespace {

using orvlog::Severity;

TEST(OrvlogSinks, HasSinkFollowsTheLowestMinimumOfTheInstalledSinks) {
  const orvlog::Logger logger("sinks", false);
  EXPECT_FALSE(logger.HasSink(Severity::Error));
  const orvlog::SinkId warn = orvlog::AddCallbackSink(Severity::Warning, [](auto&) {});
  EXPECT_FALSE(logger.HasSink(Severity::Info));
  EXPECT_TRUE(logger.HasSink(Severity::Warning));
  EXPECT_TRUE(logger.HasSink(Severity::Error));
  const orvlog::SinkId debug = orvlog::AddCallbackSink(Severity::Debug, [](auto&) {});
  EXPECT_TRUE(logger.HasSink(Severity::Debug));
  EXPECT_FALSE(logger.HasSink(Severity::Trace));
  EXPECT_TRUE(orvlog::RemoveSink(debug));
  EXPECT_FALSE(orvlog::RemoveSink(debug));
  EXPECT_FALSE(logger.HasSink(Severity::Debug));
  EXPECT_TRUE(orvlog::RemoveSink(warn));
  EXPECT_FALSE(logger.HasSink(Severity::Error));
}

TEST(OrvlogSinks, EachSinkGetsOnlyItsSeveritiesWithStampedLines) {
  const orvlog::Logger logger("viroz.realsense", false);
  const vs_test_support::LogCapture errorSink(Severity::Error);
  const vs_test_support::LogCapture allSink(Severity::Trace);
  for (Severity s :
       {Severity::Trace, Severity::Debug, Severity::Info, Severity::Warning, Severity::Error}) {
    const boost::shared_ptr<orvlog::LogRecord> record(new orvlog::LogRecord(s));
    record->SetMessage(orvlog::SeverityName(s));
    logger.PushRecord(record);
  }
  const auto errors = errorSink.Raw();
  const auto all = allSink.Raw();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].severity, Severity::Error);
  ASSERT_EQ(all.size(), 5u);
  // UTC time with milliseconds, severity, channel, thread id, message.
  const std::regex shape(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z warning +\[viroz\.realsense\] \[\d+\] warning)");
  EXPECT_TRUE(std::regex_match(all[3].formatted, shape)) << all[3].formatted;
}

}  // namespace
