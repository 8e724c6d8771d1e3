// Reading an address the way the module does, with the camera library's preset names.
#pragma once

#include <string>

#include "address/source_config.hpp"

namespace vs_realsense2 {

inline const PresetNames& TestPresetNames() {
  static const PresetNames names = {"Custom", "Default", "Hand", "High Accuracy"};
  return names;
}

inline SourceConfig Read(const std::string& url) {
  return ReadSourceConfig(url, TestPresetNames());
}

}  // namespace vs_realsense2
