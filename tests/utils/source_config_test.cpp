#include "utils/source_config.hpp"

#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "utils/url_parser_error.hpp"

namespace vs_realsense2 {

bool operator==(const SourceConfig& a, const SourceConfig& b) {
  const auto fields = [](const SourceConfig& c) {
    return std::tie(c.sn, c.c_width, c.c_height, c.c_fps, c.d_width, c.d_height, c.d_fps,
                    c.record_to_file, c.playback_from_file);
  };
  return fields(a) == fields(b);
}

std::ostream& operator<<(std::ostream& os, const SourceConfig& c) {
  return os << "{sn='" << c.sn << "' c=" << c.c_width << 'x' << c.c_height << '@' << c.c_fps
            << " d=" << c.d_width << 'x' << c.d_height << '@' << c.d_fps << " record='"
            << c.record_to_file << "' playback='" << c.playback_from_file << "'}";
}

namespace {

TEST(ReadSourceConfigTest, EmptyAddressGivesDefaults) {
  EXPECT_EQ(ReadSourceConfig(""), SourceConfig{});
  EXPECT_EQ(ReadSourceConfig("realsense://cam"), SourceConfig{});
}

TEST(ReadSourceConfigTest, EveryKeyFillsItsField) {
  const SourceConfig config = ReadSourceConfig(
      "realsense://host/path?sn=012345&c_width=1280&c_height=720&c_fps=30&d_width=848&d_height=480"
      "&d_fps=15&record_to_file=/tmp/out.bag&playback_from_file=/tmp/in.bag");
  EXPECT_EQ(config,
            (SourceConfig{"012345", 1280, 720, 30, 848, 480, 15, "/tmp/out.bag", "/tmp/in.bag"}));
}

TEST(ReadSourceConfigTest, IntegersAreReadLenientlylyAndNeverNegative) {
  const std::pair<const char*, int> cases[] = {
      {"c_width=640px", 640}, {"c_width=%2B640", 640},   {"c_width=+640", 640},
      {"c_width=abc", 0},     {"c_width=", 0},           {"c_width", 0},
      {"c_width=-5", 0},      {"c_width=2147483648", 0}, {"c_width=-2147483649", 0}};
  for (const auto& [query, width] : cases) {
    EXPECT_EQ(ReadSourceConfig(std::string("realsense://cam?") + query).c_width, width) << query;
  }
}

TEST(ReadSourceConfigTest, KeysAreCaseSensitiveAndTheFirstPairWins) {
  const SourceConfig config = ReadSourceConfig(
      "realsense://cam?C_WIDTH=320&c_width=640&c_width=1280&SN=9&sn=1&sn=2&c_fps=x&c_fps=30");
  EXPECT_EQ(config.c_width, 640);
  EXPECT_EQ(config.sn, "1");
  EXPECT_EQ(config.c_fps, 0);
}

TEST(ReadSourceConfigTest, PathsAreDecodedTwiceAndTheSerialOnce) {
  const SourceConfig config = ReadSourceConfig(
      "realsense://cam?record_to_file=a%2Bb.bag&playback_from_file=x%2525y&sn=a%2Bb%2525");
  EXPECT_EQ(config.record_to_file, "a b.bag");
  EXPECT_EQ(config.playback_from_file, "x%y");
  EXPECT_EQ(config.sn, "a+b%25");
}

TEST(ReadSourceConfigTest, AddressThatIsNoUriThrows) {
  const std::string address = "realsense://cam?sn=1 2";
  try {
    ReadSourceConfig(address);
    FAIL() << "accepted";
  } catch (const utils::UrlParserError& error) {
    EXPECT_EQ(std::string(error.what()), "failed to parse URL: 'realsense://cam?sn=1 2'");
  }
}

}  // namespace
}  // namespace vs_realsense2
