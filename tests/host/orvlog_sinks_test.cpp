#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "orvlog/orvlog.hpp"
#include "vs_test_support/log_capture.hpp"

namespace {

int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return ::getpid();
#endif
}

using orvlog::Severity;

void Push(const orvlog::Logger& logger, Severity severity, const std::string& message) {
  const boost::shared_ptr<orvlog::LogRecord> record(new orvlog::LogRecord(severity));
  record->SetMessage(message);
  logger.PushRecord(record);
}

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
       {Severity::Trace, Severity::Debug, Severity::Info, Severity::Warning, Severity::Error})
    Push(logger, s, orvlog::SeverityName(s));
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

TEST(OrvlogSinks, FileSinkRotatesBySize) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("orvlog-" + std::to_string(ProcessId()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "server.log").string();
  const orvlog::Logger logger("rotate", false);
  const orvlog::SinkId id = orvlog::AddFileSink(path, Severity::Info, 4096, 2);
  const std::string text(100, 'x');
  for (int i = 0; i < 200; ++i)
    Push(logger, Severity::Info, text);
  Push(logger, Severity::Debug, "below the minimum");
  orvlog::RemoveSink(id);

  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_TRUE(std::filesystem::exists(dir / "server.1.log"));
  EXPECT_TRUE(std::filesystem::exists(dir / "server.2.log"));
  EXPECT_FALSE(std::filesystem::exists(dir / "server.3.log"));
  EXPECT_LE(std::filesystem::file_size(path), 4096u);
  {
    // Closed before the removal: Windows removes no open file.
    std::ifstream in(path);
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(content.find("below the minimum"), std::string::npos);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
