#include <algorithm>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>
#include <address/address_keys.hpp>

#include "options.hpp"

namespace rs_host {
namespace {

ParsedCommandLine Parse(const std::vector<std::string>& args, std::string* err = nullptr) {
  std::ostringstream out;
  std::ostringstream errText;
  auto parsed = ParseCommandLine(args, out, errText);
  if (err != nullptr)
    *err = errText.str();
  return parsed;
}

// --name takes one value, so the address after it stays an address; a source
// without a name gets its default.
TEST(CommandLine, NamesPairWithAddressesInOrder) {
  std::string err;
  const auto options = Parse({"--name", "a", "x://", "--name", "b", "y://", "z://"}, &err).options;
  ASSERT_TRUE(options) << err;
  EXPECT_EQ(options->names, (std::vector<std::string>{"a", "b", "cam2"}));
  EXPECT_EQ(options->addresses, (std::vector<std::string>{"x://", "y://", "z://"}));
}

// Runs of white space as one space, backticks gone: the help text wraps and drops the
// README's code marks.
std::string Collapsed(const std::string& text) {
  std::istringstream words(text);
  std::string collapsed;
  std::string word;
  while (words >> word)
    collapsed += (collapsed.empty() ? "" : " ") + word;
  collapsed.erase(std::remove(collapsed.begin(), collapsed.end(), '`'), collapsed.end());
  return collapsed;
}

TEST(CommandLine, HelpListsEveryAddressKeyWithItsMeaningAndDefault) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(ParseCommandLine({"--help"}, out, err).exitCode, 0);
  const std::string help = Collapsed(out.str());
  for (const auto& key : vs_realsense2::AddressKeys()) {
    const std::string entry =
        Collapsed(key.name + " " + key.meaning + " (default: " + key.byDefault);
    EXPECT_NE(help.find(entry), std::string::npos) << entry;
  }
}

TEST(CommandLine, FramesAloneLiftsTheTimeLimit) {
  const auto seconds = [](const std::vector<std::string>& args) {
    return Parse(args).options.value_or(Options{}).seconds;
  };
  EXPECT_DOUBLE_EQ(seconds({"--frames", "10", "x://"}), 0.0);
  EXPECT_DOUBLE_EQ(seconds({"--frames", "10", "--seconds", "3", "x://"}), 3.0);
  // --frames 0 is no limit at all, so the default run time stays.
  EXPECT_DOUBLE_EQ(seconds({"--frames", "0", "x://"}), 5.0);
}

// A usage error: no options, status 2, and exactly `said` on the error stream.
void ExpectUsageError(const std::vector<std::string>& args, const std::string& said) {
  std::string err;
  const auto parsed = Parse(args, &err);
  EXPECT_FALSE(parsed.options) << said;
  EXPECT_EQ(parsed.exitCode, 2) << said;
  EXPECT_EQ(err, said);
}

// Each refusal is exactly one line; a bad number a plain one, whatever CLI11 would have said
// about its type.
TEST(CommandLine, UsageErrorsExitWithTwoAndSayWhy) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "address is required (one per source), or --list"},
      {{"--list", "x://"}, "--list takes no address"},
      {{"--name", "a", "--name", "b", "x://"}, "2 names given for 1 sources"},
      {{"--name", "a", "--name", "a", "x://", "y://"}, "source names must differ from each other"},
      {{"--seconds", "-0.5", "x://"}, "--seconds must be 0 or more (got -0.5)"},
      {{"--seconds", "abc", "x://"}, "--seconds must be a number of seconds (got abc)"},
      {{"--seconds", "5s", "x://"}, "--seconds must be a number of seconds (got 5s)"},
      {{"--seconds", "nan", "x://"}, "--seconds must be a number of seconds (got nan)"},
      {{"--seconds", "1e999", "x://"}, "--seconds is out of range (got 1e999)"},
      {{"--frames", "-1", "x://"}, "--frames must be 0 or more (got -1)"},
      {{"--frames", "1.5", "x://"}, "--frames must be a whole number (got 1.5)"},
      {{"--frames", "18446744073709551616", "x://"},
       "--frames must be at most 18446744073709551615 (got 18446744073709551616)"},
  };
  for (const auto& [args, expected] : cases)
    ExpectUsageError(args, "rs-host: " + expected + "\n");
  // What CLI11's checks refuse it says under the option's name.
  const std::string help = "\nRun with --help for more information.\n";
  ExpectUsageError(
      {"--log-level", "loud", "x://"},
      "--log-level: log level must be one of trace, debug, info, warning, error" + help);
  ExpectUsageError(
      {"--name", "a/b", "x://"},
      "--name: source name 'a/b' may hold only letters, digits, '-', '_' and '.'" + help);
  const auto options = Parse({"--seconds", "0.25", "--frames", "18446744073709551615", "x://"});
  ASSERT_TRUE(options.options);
  EXPECT_DOUBLE_EQ(options.options->seconds, 0.25);
  EXPECT_EQ(options.options->frames, 18446744073709551615u);
}

#ifdef RS_HOST_WITH_SIM
// Each --unplug and --replug takes one SERIAL@SECONDS, so the address after it stays an
// address; a serial may hold an '@'.
TEST(CommandLine, UnplugAndReplugTakeSerialAtSeconds) {
  std::string err;
  const auto options =
      Parse({"--unplug", "a@3", "--replug", "a@6.5", "--unplug", "b@c@0", "x://"}, &err).options;
  ASSERT_TRUE(options) << err;
  EXPECT_EQ(options->addresses, std::vector<std::string>{"x://"});
  std::vector<std::tuple<bool, std::string, double>> actions;
  for (const auto& action : options->plugActions)
    actions.emplace_back(action.unplug, action.serial, action.seconds);
  EXPECT_EQ(actions, (std::vector<std::tuple<bool, std::string, double>>{
                         {true, "a", 3.0}, {true, "b@c", 0.0}, {false, "a", 6.5}}));
  for (const auto& [args, expected] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--unplug", "a"}, "--unplug must be SERIAL@SECONDS (got a)"},
           {{"--replug", "@3"}, "--replug must be SERIAL@SECONDS (got @3)"},
           {{"--unplug", "a@-1"}, "the seconds of --unplug a@-1 must be 0 or more (got -1)"},
           {{"--replug", "a@"}, "the seconds of --replug a@ must be a number of seconds (got )"}}) {
    auto withAddress = args;
    withAddress.push_back("x://");
    ExpectUsageError(withAddress, "rs-host: " + expected + "\n");
  }
}
#else
TEST(CommandLine, UnplugNeedsTheSimulatedCamera) {
  ExpectUsageError({"--unplug", "a@3", "x://"},
                   "rs-host: --unplug needs a build on the simulated camera (rs2sim)\n");
}
#endif

}  // namespace
}  // namespace rs_host
