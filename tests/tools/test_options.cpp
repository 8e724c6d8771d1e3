#include <algorithm>
#include <sstream>

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

TEST(CommandLine, UsageErrorsExitWithTwoAndSayWhy) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "address is required (one per source), or --list"},
      {{"--list", "x://"}, "--list takes no address"},
      {{"--log-level", "loud", "x://"}, "log level must be one of"},
      {{"--name", "a/b", "x://"}, "may hold only letters"},
      {{"--name", "a", "--name", "b", "x://"}, "2 names given for 1 sources"},
      {{"--name", "a", "--name", "a", "x://", "y://"}, "must differ"},
      {{"--seconds", "-1", "x://"}, "--seconds"},
      {{"--frames", "many", "x://"}, "--frames"},
  };
  for (const auto& [args, expected] : cases) {
    std::string err;
    const auto parsed = Parse(args, &err);
    EXPECT_FALSE(parsed.options) << expected;
    EXPECT_EQ(parsed.exitCode, 2) << expected;
    EXPECT_NE(err.find(expected), std::string::npos) << expected << " not in: " << err;
  }
}

}  // namespace
}  // namespace rs_host
