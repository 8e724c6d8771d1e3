// Source addresses: the query split and the configuration read from it.
#include <ostream>
#include <string>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "utils/source_config.hpp"
#include "utils/url_parser.hpp"

namespace vs_realsense2 {

bool operator==(const SourceConfig& a, const SourceConfig& b) {
  const auto fields = [](const SourceConfig& c) {
    return std::tie(c.sn, c.c_width, c.c_height, c.c_fps, c.d_width, c.d_height, c.d_fps,
                    c.record_to_file, c.playback_from_file, c.watchdog_ms);
  };
  return fields(a) == fields(b);
}

std::ostream& operator<<(std::ostream& os, const SourceConfig& c) {
  return os << "{sn='" << c.sn << "' c=" << c.c_width << 'x' << c.c_height << '@' << c.c_fps
            << " d=" << c.d_width << 'x' << c.d_height << '@' << c.d_fps << " record='"
            << c.record_to_file << "' playback='" << c.playback_from_file
            << "' watchdog=" << c.watchdog_ms << "}";
}

namespace {

using utils::QueryParams;

TEST(ReadSourceConfigTest, EveryKeyFillsItsFieldAndOnlyThePathsAreDecodedTwice) {
  EXPECT_EQ(ReadSourceConfig(""), SourceConfig{});
  EXPECT_EQ(ReadSourceConfig("realsense://host/path?SN=upper&sn=a%2Bb%2525&c_width=1280"
                             "&c_height=720&c_fps=30&d_width=848&d_height=480&d_fps=15"
                             "&record_to_file=a%2Bb.bag&playback_from_file=x%2525y&sn=second"),
            (SourceConfig{"a+b%25", 1280, 720, 30, 848, 480, 15, "a b.bag", "x%y", 2000, {}}));
}

TEST(ReadSourceConfigTest, CountsAreReadLenientlyAndNeverNegative) {
  const std::pair<const char*, int> cases[] = {{"c_width=640px", 640},
                                               {"c_width=%2B640", 640},
                                               {"c_width=abc", 0},
                                               {"c_width=", 0},
                                               {"c_width", 0},
                                               {"c_width=-5", 0},
                                               {"c_width=2147483648", 0},
                                               {"C_WIDTH=320&c_width=640&c_width=1280", 640}};
  for (const auto& [query, width] : cases) {
    SourceConfig expected;
    expected.c_width = width;
    EXPECT_EQ(ReadSourceConfig(std::string("realsense://cam?") + query), expected) << query;
  }
}

TEST(ReadSourceConfigTest, WatchdogIsOnByDefaultAndOnlyAReadableValueChangesIt) {
  const std::pair<const char*, int> cases[] = {{"", 2000},
                                               {"watchdog_ms=0", 0},
                                               {"watchdog_ms=150", 150},
                                               {"watchdog_ms=abc", 2000},
                                               {"watchdog_ms=", 2000},
                                               {"watchdog_ms=-1", 2000},
                                               {"WATCHDOG_MS=0", 2000}};
  for (const auto& [query, watchdog] : cases) {
    EXPECT_EQ(ReadSourceConfig(std::string("realsense://cam?") + query).watchdog_ms, watchdog)
        << query;
  }
}

TEST(ReadSourceConfigTest, AddressThatIsNoUriThrowsWithItsTextQuoted) {
  for (const std::string address :
       {"realsense://cam?sn=1 2", "realsense://cam/%zz", "http://[::1"}) {
    try {
      ReadSourceConfig(address);
      ADD_FAILURE() << "accepted: " << address;
    } catch (const utils::UrlParserError& error) {
      EXPECT_EQ(std::string(error.what()), "failed to parse URL: '" + address + "'");
    }
  }
}

TEST(UrlParserTest, QuerySplitsIntoDecodedPairsInOrder) {
  const std::pair<const char*, QueryParams> cases[] = {
      {"", {}},
      {"realsense://cam?", {}},
      {"realsense://cam?a=1&&b", {{"a", "1"}, {"b", ""}}},
      {"realsense://cam?k=x=y", {{"k", "x=y"}}},
      {"realsense://cam?k=%41+B&k=2#frag", {{"k", "A B"}, {"k", "2"}}}};
  for (const auto& [address, pairs] : cases) {
    QueryParams params{{"stale", "pair"}};
    EXPECT_TRUE(utils::UrlParser::Parse(address, true)->GetQueryParams(params)) << address;
    EXPECT_EQ(params, pairs) << address;
  }
}

TEST(GetIntParamTest, ReadsTheLeadingNumberAndStoresOnlyASuccessfulRead) {
  const QueryParams params{{"n", "12abc"}, {"empty", ""}};
  int value = 7;
  bool ok = false;
  EXPECT_TRUE(utils::GetIntParam(params, "n", &value, &ok, false));
  EXPECT_TRUE(ok);
  EXPECT_EQ(value, 12);
  EXPECT_TRUE(utils::GetIntParam(params, "empty", &value, &ok, false));
  EXPECT_FALSE(ok);
  EXPECT_EQ(value, 12);
}

}  // namespace
}  // namespace vs_realsense2
