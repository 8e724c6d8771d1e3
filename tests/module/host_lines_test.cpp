// The module's restart lines, as the module writes them and rs-host's parser reads them: a
// text changed on one side only fails here. (The lost-frames line is one fixed text, checked
// exactly on both sides: delivery_test.cpp and test_figures.cpp.)
#include <string>
#include <vector>

#include <module_log_lines.hpp>

#include "camera_test.hpp"
#include "module_events.hpp"

namespace vs_realsense2_test {
namespace {

using rs_host::ModuleEvent;

std::vector<ModuleEvent> EventsOf(const vs_test_support::Lines& lines) {
  std::vector<ModuleEvent> events;
  for (const Line& line : lines) {
    const orvlog::LogLine raw{line.severity, vs_realsense2::log_lines::kChannel, line.message, {}};
    if (const auto event = rs_host::ParseModuleLine(raw)) {
      EXPECT_EQ(event->source, "cam") << line.message;
      events.push_back(event->event);
    }
  }
  return events;
}

using HostLinesTest = CameraTest;

TEST_F(HostLinesTest, RsHostCountsTheRestartItsFailedTriesAndTheReturn) {
  StartCamera("watchdog_ms=100");
  ASSERT_TRUE(camera.Emit(ColorAndDepth(1000, kSystemTime)).delivered);
  ASSERT_TRUE(handler->WaitForPacketCalls(1));
  ASSERT_TRUE(rs2sim::UnplugDevice(camera.Serial()));
  ASSERT_TRUE(log.WaitForMatching(kWarning, "<cam> Restart: try 1 failed: .*"));
  ASSERT_TRUE(rs2sim::ReplugDevice(camera.Serial()));
  ASSERT_TRUE(log.WaitForMatching(kInfo, "<cam> Restart: streaming again .*"));

  // How many tries fail before the replug is seen depends on timing, not their order.
  const std::vector<ModuleEvent> events = EventsOf(log.All());
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front(), ModuleEvent::RestartBegins);
  EXPECT_EQ(events.back(), ModuleEvent::StreamingAgain);
  for (std::size_t i = 1; i + 1 < events.size(); ++i)
    EXPECT_EQ(events[i], ModuleEvent::RestartTryFailed) << i;
}

}  // namespace
}  // namespace vs_realsense2_test
