// Writes a source's newest frames as PNG files.
#pragma once

#include <string>
#include <vector>

#include "last_frames.hpp"

namespace rs_host {

struct SnapshotResult {
  std::vector<std::string> written;   // paths of the files written
  std::vector<std::string> missing;   // frames that never arrived: nothing to write
  std::vector<std::string> problems;  // files that could not be written, and why
};

class SnapshotWriter {
 public:
  // Creates `directory` if missing; throws std::runtime_error when it cannot.
  explicit SnapshotWriter(std::string directory);

  // NAME_color.png and NAME_depth.png, and NAME_overlay.png (the colour image with the
  // coloured depth blended in half and half, where there is depth) when both frames have the
  // same size, as depth aligned to colour has.
  SnapshotResult Write(const std::string& sourceName, const KeptFrames& frames) const;

  std::string ColourPath(const std::string& sourceName) const;
  std::string DepthPath(const std::string& sourceName) const;
  std::string OverlayPath(const std::string& sourceName) const;

 private:
  std::string directory_;
};

}  // namespace rs_host
