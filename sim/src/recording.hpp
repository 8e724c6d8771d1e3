// rs2sim's own recording format (described in sim/README.md): a header naming the device and its
// streams, then the delivered framesets in order.

#ifndef RS2SIM_SRC_RECORDING_HPP
#define RS2SIM_SRC_RECORDING_HPP

#include <rs2sim/control.hpp>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "blueprint.hpp"

namespace rs2sim {

struct RecordingHeader {
  DeviceSpec device;
  std::vector<StreamMode> streams;
};

class RecordingWriter {
 public:
  // Throws ApiError when the file cannot be created.
  RecordingWriter(const std::string& path, const RecordingHeader& header);
  void Append(const SetBlueprint& set);

 private:
  std::string path_;
  std::ofstream out_;
};

class RecordingReader {
 public:
  // Throws ApiError when the file is missing or is no rs2sim recording with at least one frameset.
  explicit RecordingReader(const std::string& path);

  const RecordingHeader& Header() const { return header_; }
  // The next frameset, or nothing at the end of the recording (or where it is damaged).
  std::optional<SetBlueprint> Next();
  void Rewind();

 private:
  std::string path_;
  std::ifstream in_;
  RecordingHeader header_;
  std::streampos firstSet_;
};

}  // namespace rs2sim

#endif  // RS2SIM_SRC_RECORDING_HPP
