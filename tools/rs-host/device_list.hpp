// rs-host --list: every connected camera and its stream modes, compactly.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace rs_host {

// One stream mode as the library offers it.
struct ModeEntry {
  std::string stream;  // "Depth", "Color", "Infrared 1", ...
  std::string format;  // "Z16", "RGB8", ...
  int width = 0;       // 0 for streams without a picture (motion)
  int height = 0;
  int fps = 0;
};

struct SensorEntry {
  std::string name;
  std::vector<ModeEntry> modes;
};

struct DeviceEntry {
  // (label, value) for each information the device has: name, serial,
  // firmware, USB type, port; what it lacks is left out.
  std::vector<std::pair<std::string, std::string>> infos;
  std::vector<SensorEntry> sensors;
};

// One line per device with its infos, one per sensor, and one per stream
// and format with its sizes, each followed by its rates:
//   Depth Z16  848x480@30/15/6  640x480@30/15/6
void WriteDeviceList(std::ostream& out, const std::vector<DeviceEntry>& devices);

// What the camera library finds now. Throws std::runtime_error when rs-host
// was built without a camera library.
std::vector<DeviceEntry> QueryDevices();

// Prints the list; returns the exit status (0, or 1 when the library failed
// or is missing).
int ListDevices(std::ostream& out, std::ostream& err);

}  // namespace rs_host
