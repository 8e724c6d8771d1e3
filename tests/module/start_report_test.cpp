// What a start says about the library and the device it opened.
#include <string>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

using StartReportTest = CameraTest;

// The library's version, once per loaded module: the lifecycle suite's.
TEST_F(StartReportTest, DeviceLineLeavesOutUnknownInfosAndQuotesNoControlCharacter) {
  const ManualCamera usb2("usb2-cam", [](rs2sim::DeviceSpec& device) {
    device.name = "D435\r\nforged line";
    device.firmware.clear();
    device.usbType = "2.1";
    device.physicalPort =
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/video4linux/video2";
  });
  const ManualCamera bare("bare", [](rs2sim::DeviceSpec& device) {
    device.name.clear();
    device.firmware.clear();
    device.usbType.clear();
  });
  source = CreateSource(usb2.Url(), "cam");
  source->Start(StartWith(handler));
  const auto other = CreateSource(bare.Url(), "bare");
  other->Start(StartWith(handler));
  constexpr orvlog::Severity kInfo = orvlog::Severity::Info;
  constexpr orvlog::Severity kWarning = orvlog::Severity::Warning;
  Lines lines;
  for (const Line& line : log.All()) {
    if (line.severity >= kInfo)
      lines.push_back(line);
  }
  EXPECT_EQ(lines, (Lines{
                       SdkLine("cam"),
                       {kInfo,
                        "<cam> PrintDevice: device: D435??forged line, serial number usb2-cam, USB "
                        "2.1, port /sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/"
                        "video4linux/video2"},
                       {kWarning,
                        "<cam> PrintDevice: USB 2.1 connection: reduced bandwidth, fewer modes "
                        "and lower rates; use a USB 3 port and cable"},
                       {kInfo, "<bare> PrintDevice: device: serial number bare"},
                   }));
  other->Stop();
}

}  // namespace
}  // namespace vs_realsense2_test
