// What a source does before it ever reaches a camera.
#include <stdexcept>
#include <string>
#include <vector>


#include "module_test.hpp"

namespace vs_realsense2_test {
namespace {

using SourceTest = ModuleTest;

TEST_F(SourceTest, StopWithoutStartOnlyLogsStop) {
  const auto source = CreateSource("realsense://", "front door");
  source->Stop();
  source->Stop();
  EXPECT_EQ(log.Messages(),
            (std::vector<std::string>{"<front door> Stop: ", "<front door> Stop: "}));
  EXPECT_EQ(log.Lines()[0].severity, orvlog::Severity::Debug);
}

TEST_F(SourceTest, StartWithoutHandlerIsRefusedSilently) {
  const auto source = CreateSource("realsense://", "cam");
  try {
    source->Start(vid_db::media::StartParams{});
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "handler is null");
  }
  EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
}  // namespace vs_realsense2_test
