// Source addresses: the query split and the configuration read from it.
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "address/source_config.hpp"
#include "address_test_support.hpp"
#include "utils/url_parser.hpp"

namespace vs_realsense2 {

bool operator==(const SourceConfig& a, const SourceConfig& b) {
  const auto fields = [](const SourceConfig& c) {
    return std::tie(c.sn, c.c_width, c.c_height, c.c_fps, c.d_width, c.d_height, c.d_fps,
                    c.record_to_file, c.playback_from_file, c.watchdog_ms, c.stats_s);
  };
  return fields(a) == fields(b);
}

std::ostream& operator<<(std::ostream& os, const SourceConfig& c) {
  return os << "{sn='" << c.sn << "' c=" << c.c_width << 'x' << c.c_height << '@' << c.c_fps
            << " d=" << c.d_width << 'x' << c.d_height << '@' << c.d_fps << " record='"
            << c.record_to_file << "' playback='" << c.playback_from_file
            << "' watchdog_ms=" << c.watchdog_ms << " stats_s=" << c.stats_s << '}';
}

namespace {

TEST(ReadSourceConfigTest, EveryKeyFillsItsFieldAndOnlyThePathsAreDecodedTwice) {
  EXPECT_EQ(Read(""), SourceConfig{});
  EXPECT_EQ(Read("realsense://host/path?SN=upper&sn=a%2Bb%2525&c_width=1280"
                 "&c_height=720&c_fps=30&d_width=848&d_height=480&d_fps=15"
                 "&record_to_file=a%2Bb.bag&sn=second&watchdog_ms=500&stats_s=0"),
            (SourceConfig{"a+b%25", 1280, 720, 30, 848, 480, 15, "a b.bag", "", 500, 0, {}}));
  EXPECT_EQ(Read("realsense://?playback_from_file=x%2525y&watchdog_ms=500&stats_s=0"),
            (SourceConfig{"", 0, 0, 0, 0, 0, 0, "", "x%y", 500, 0, {}}));
}

using Warnings = std::vector<std::string>;

TEST(ReadSourceConfigTest, EachThingTheAddressAsksInVainIsOneWarning) {
  const std::pair<std::string, Warnings> cases[] = {
      {"realsense://cam?sn=1&c_width=640&c_height=480&c_fps=30&d_width=848&d_height=480&d_fps=30"
       "&record_to_file=a&align=color&c_format=bgr8&json=p.json&preset=Hand&emitter=1"
       "&laser_power=150&depth_exposure=8500&exposure=100&auto_exposure=1&gain=16"
       "&watchdog_ms=0&stats_s=0",
       {}},
      {"REALSENSE://cam?playback_from_file=x.bag", {}},
      {"realsense://cam?record_to_file=r.bag&c_width=x&playback_from_file=p.bag",
       {"c_width \"x\" is not a number; 0 (any) is used",
        "record_to_file ignored: playback_from_file plays a recording, nothing is recorded"}},
      {"realsense://cam?C_WIDTH=640&Sn=1&x=%0Ay&C_WIDTH=1",
       {"unknown key \"C_WIDTH\" ignored; keys are case-sensitive (\"c_width\" is known)",
        "unknown key \"Sn\" ignored; keys are case-sensitive (\"sn\" is known)",
        "unknown key \"x\" ignored; keys are case-sensitive"}},
      {"realsense://cam?c_width=abc&c_height=&c_fps&d_width=-5&d_height=2147483648"
       "&d_fps=-99999999999999999999",
       {"c_width \"abc\" is not a number; 0 (any) is used",
        "c_height \"\" is not a number; 0 (any) is used",
        "c_fps \"\" is not a number; 0 (any) is used",
        "d_width \"-5\" is negative; 0 (any) is used",
        "d_height \"2147483648\" is out of range; 0 (any) is used",
        "d_fps \"-99999999999999999999\" is out of range; 0 (any) is used"}},
      {"realsense://cam?c_width=640px&c_height=%0A480&c_fps=%2B30&d_fps=0x10",
       {"c_width \"640px\" has text after the number; 640 is used",
        "d_fps \"0x10\" has text after the number; 0 is used"}},
      {"realsense://cam?watchdog_ms=-1&stats_s=often",
       {"watchdog_ms \"-1\" is negative; 2000 (the default) is used",
        "stats_s \"often\" is not a number; 60 (the default) is used"}},
      {"realsense://cam?c_width=%0D%0Aforged&c_height=" + std::string(50, '9'),
       {"c_width \"??forged\" is not a number; 0 (any) is used",
        "c_height \"" + std::string(40, '9') + "...\" is out of range; 0 (any) is used"}},
      {"realsense://cam?sn=a&c_width=abc&sn=b&c_width=640&sn=c",
       {"c_width \"abc\" is not a number; 0 (any) is used",
        "key \"sn\" given more than once; its first value is used",
        "key \"c_width\" given more than once; its first value is used"}},
      {"http://cam?sn=1",
       {"scheme \"http\" is not \"realsense\"; the address is read as a "
        "realsense address"}},
      {"?sn=1", {"the address has no scheme; \"realsense\" is assumed"}},
  };
  for (const auto& [address, warnings] : cases)
    EXPECT_EQ(Read(address).addressWarnings, warnings) << address;
}

// A split below its floor is raised, also when the number had text after it.
TEST(ReadSourceConfigTest, SplitsBelowTheirFloorAreRaisedWithOneWarning) {
  const SourceConfig config = Read("realsense://cam?record_split_mb=1MB&record_split_s=5");
  EXPECT_EQ(config.record_split_mb, 50);
  EXPECT_EQ(config.record_split_s, 10);
  EXPECT_EQ(config.addressWarnings,
            (std::vector<std::string>{"record_split_mb \"1MB\" has text after the number; 1 is "
                                      "used, then raised to 50 MB, the shortest split",
                                      "record_split_s=5 raised to 10 s, the shortest split"}));
}

// The ladder's warning names the keys the address gave, and turns both off.
TEST(ReadSourceConfigTest, HardwareResetsWithoutSerialAreOneWarningNamingTheKeysGiven) {
  const std::string why =
      " sn: after a hardware reset another camera could answer to any camera; no hardware reset";
  const SourceConfig after = Read("realsense://cam?reset_after=2");
  EXPECT_EQ(after.addressWarnings, std::vector<std::string>{"reset_after needs" + why});
  const SourceConfig both = Read("realsense://cam?reset_on_start=1&reset_after=2");
  EXPECT_EQ(both.addressWarnings,
            std::vector<std::string>{"reset_after and reset_on_start need" + why});
  EXPECT_EQ(both.reset_after, 0);
  EXPECT_FALSE(both.reset_on_start);
}

TEST(ReadSourceConfigTest, AddressThatIsNoUriThrowsWithItsTextQuoted) {
  for (const std::string address :
       {"realsense://cam?sn=1 2", "realsense://cam/%zz", "http://[::1"}) {
    try {
      Read(address);
      ADD_FAILURE() << "accepted: " << address;
    } catch (const utils::UrlParserError& error) {
      EXPECT_EQ(std::string(error.what()), "failed to parse URL: '" + address + "'");
    }
  }
}

}  // namespace
}  // namespace vs_realsense2
