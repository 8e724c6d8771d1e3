// The address keys of depth alignment, colour format and camera controls.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "address/source_config.hpp"
#include "address_test_support.hpp"

namespace vs_realsense2 {
namespace {

using Warnings = std::vector<std::string>;

TEST(ControlParamsTest, EveryKeyFillsItsFieldAndOnlyTheJsonPathIsDecodedTwice) {
  const SourceConfig config = Read(
      "realsense://?align=Color&c_format=BGR8&json=%252Fetc%252Fa%2520b%252B.json"
      "&preset=high%20accuracy&emitter=0&laser_power=150&depth_exposure=8500"
      "&exposure=156.5&auto_exposure=1&gain=64");
  EXPECT_TRUE(config.align);
  EXPECT_EQ(config.c_format, ColorFormat::Bgr8);
  EXPECT_EQ(config.json, "/etc/a b+.json");
  EXPECT_EQ(config.preset, "high accuracy");
  EXPECT_EQ(config.emitter, 0.0f);
  EXPECT_EQ(config.laser_power, 150.0f);
  EXPECT_EQ(config.depth_exposure, 8500.0f);
  EXPECT_EQ(config.exposure, 156.5f);
  EXPECT_EQ(config.auto_exposure, 1.0f);
  EXPECT_EQ(config.gain, 64.0f);
  EXPECT_TRUE(config.addressWarnings.empty());
  EXPECT_TRUE(config.HasControls());
  // A preset name the camera lacks is still a control: a start says so in playback, and skips
  // the unknown name live.
  EXPECT_TRUE(Read("realsense://?preset=outdoor").HasControls());
}

TEST(ControlParamsTest, TextsThatCannotBeUsedAreWarningsThatListWhatIsValid) {
  const SourceConfig config = Read(
      "realsense://?align=depth&c_format=yuyv&emitter=on&laser_power=150mW&depth_exposure="
      "&exposure=1e99&auto_exposure=2&gain=6%2C5");
  EXPECT_FALSE(config.align);
  EXPECT_EQ(config.c_format, ColorFormat::Rgb8);
  EXPECT_FALSE(config.emitter || config.laser_power || config.depth_exposure || config.exposure ||
               config.auto_exposure || config.gain);
  EXPECT_EQ(config.addressWarnings,
            (Warnings{
                "align: \"depth\" is not valid (valid: color); not applied",
                "c_format: \"yuyv\" is not valid (valid: rgb8, bgr8); not applied",
                "emitter: \"on\" is no number (valid: 0, 1 or 2); not applied",
                "laser_power: \"150mW\" is no number (valid: a number in milliwatts); not applied",
                "depth_exposure: \"\" is no number (valid: a number in microseconds); not applied",
                "exposure: \"1e99\" is no number (valid: a number in microseconds); not applied",
                "auto_exposure: \"2\" is not valid (valid: 0, 1); not applied",
                "gain: \"6,5\" is no number (valid: a number); not applied",
            }));
  EXPECT_EQ(Read("realsense://?auto_exposure=yes").addressWarnings,
            (Warnings{"auto_exposure: \"yes\" is no number (valid: 0, 1); not applied"}));
  // A value's line break cannot forge a line of its own, nor a long one fill the log.
  EXPECT_EQ(Read("realsense://?align=x%0AError:%20forged&c_format=" + std::string(60, 'b'))
                .addressWarnings,
            (Warnings{"align: \"x?Error: forged\" is not valid (valid: color); not applied",
                      "c_format: \"" + std::string(40, 'b') +
                          "...\" is not valid (valid: rgb8, bgr8); not applied"}));
}

}  // namespace
}  // namespace vs_realsense2
