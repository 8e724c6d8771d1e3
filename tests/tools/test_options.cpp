#include <sstream>

#include <gtest/gtest.h>

#include "options.hpp"

namespace rs_host {
namespace {

struct Parsed {
  ParsedCommandLine result;
  std::string out;
  std::string err;
};

Parsed Parse(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  Parsed parsed{ParseCommandLine(args, out, err), {}, {}};
  parsed.out = out.str();
  parsed.err = err.str();
  return parsed;
}

TEST(CommandLine, DefaultsForOneAddress) {
  const auto parsed = Parse({"realsense://"});
  ASSERT_TRUE(parsed.result.options);
  const Options& o = *parsed.result.options;
  EXPECT_EQ(o.addresses, std::vector<std::string>{"realsense://"});
  EXPECT_EQ(o.names, std::vector<std::string>{"cam0"});
  EXPECT_DOUBLE_EQ(o.seconds, 5.0);
  EXPECT_EQ(o.frames, 0u);
  EXPECT_EQ(o.logLevel, orvlog::Severity::Info);
  EXPECT_TRUE(o.modulePath.empty());
  EXPECT_TRUE(o.jsonPath.empty());
  EXPECT_TRUE(o.snapshotDir.empty());
}

TEST(CommandLine, EveryOptionIsRead) {
  const auto parsed =
      Parse({"--seconds", "2.5", "--frames", "40", "--log-level", "debug", "--module", "/x/m.so",
             "--json", "out.json", "--snapshot", "shots", "--name", "left", "a://", "b://"});
  ASSERT_TRUE(parsed.result.options) << parsed.err;
  const Options& o = *parsed.result.options;
  EXPECT_DOUBLE_EQ(o.seconds, 2.5);
  EXPECT_EQ(o.frames, 40u);
  EXPECT_EQ(o.logLevel, orvlog::Severity::Debug);
  EXPECT_EQ(o.modulePath, "/x/m.so");
  EXPECT_EQ(o.jsonPath, "out.json");
  EXPECT_EQ(o.snapshotDir, "shots");
  EXPECT_EQ(o.addresses, (std::vector<std::string>{"a://", "b://"}));
  // The one name given goes to the first source, the second gets its default.
  EXPECT_EQ(o.names, (std::vector<std::string>{"left", "cam1"}));
}

TEST(CommandLine, NameTakesOneValueSoTheAddressAfterItStaysAnAddress) {
  const auto parsed = Parse({"--name", "a", "x://", "--name", "b", "y://"});
  ASSERT_TRUE(parsed.result.options) << parsed.err;
  EXPECT_EQ(parsed.result.options->names, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(parsed.result.options->addresses, (std::vector<std::string>{"x://", "y://"}));
}

TEST(CommandLine, FramesAloneLiftsTheTimeLimit) {
  const auto framesOnly = Parse({"--frames", "10", "x://"});
  ASSERT_TRUE(framesOnly.result.options);
  EXPECT_DOUBLE_EQ(framesOnly.result.options->seconds, 0.0);
  const auto both = Parse({"--frames", "10", "--seconds", "3", "x://"});
  ASSERT_TRUE(both.result.options);
  EXPECT_DOUBLE_EQ(both.result.options->seconds, 3.0);
  // --frames 0 is no limit at all, so the default run time stays.
  const auto zero = Parse({"--frames", "0", "x://"});
  ASSERT_TRUE(zero.result.options);
  EXPECT_DOUBLE_EQ(zero.result.options->seconds, 5.0);
}

TEST(CommandLine, UsageErrorsExitWithTwoAndSayWhy) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{}, "address is required"},
      {{"--log-level", "loud", "x://"}, "log level must be one of"},
      {{"--name", "a/b", "x://"}, "may hold only letters"},
      {{"--name", "a", "--name", "b", "x://"}, "2 names given for 1 sources"},
      {{"--name", "a", "--name", "a", "x://", "y://"}, "must differ"},
      {{"--seconds", "-1", "x://"}, "--seconds"},
      {{"--frames", "many", "x://"}, "--frames"},
      {{"--colour", "x://"}, "--colour"},
  };
  for (const auto& c : cases) {
    const auto parsed = Parse(c.args);
    EXPECT_FALSE(parsed.result.options) << c.expected;
    EXPECT_EQ(parsed.result.exitCode, 2) << c.expected;
    EXPECT_NE(parsed.err.find(c.expected), std::string::npos)
        << "expected '" << c.expected << "' in: " << parsed.err;
  }
}

TEST(CommandLine, HelpShowsEveryOptionAndAnExamplePerMode) {
  const auto parsed = Parse({"--help"});
  EXPECT_FALSE(parsed.result.options);
  EXPECT_EQ(parsed.result.exitCode, 0);
  for (const char* expected :
       {"--seconds", "--frames", "--log-level", "--module", "--name", "--json", "--snapshot",
        "sn=", "record_to_file=", "playback_from_file=", "RS2SIM_DEVICES"}) {
    EXPECT_NE(parsed.out.find(expected), std::string::npos) << expected;
  }
}

TEST(CommandLine, DefaultNamesCountFromZero) {
  EXPECT_EQ(DefaultSourceName(0), "cam0");
  EXPECT_EQ(DefaultSourceName(12), "cam12");
}

}  // namespace
}  // namespace rs_host
