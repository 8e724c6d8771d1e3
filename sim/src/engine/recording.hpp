// rs2sim's own recording format (described in sim/README.md): a header naming the device and its
// streams, then the delivered framesets in order.

#ifndef RS2SIM_SRC_ENGINE_RECORDING_HPP
#define RS2SIM_SRC_ENGINE_RECORDING_HPP

#include <rs2sim/control.hpp>

#include <cstdint>
#include <fstream>
#include <mutex>
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
  // Returns the bytes the frameset took in the file.
  std::uint64_t Append(const SetBlueprint& set);
  // The bytes a frameset would take, without writing it.
  static std::uint64_t SizeOf(const SetBlueprint& set);

 private:
  std::string path_;
  std::ofstream out_;
};

// A recording in progress, shared by the run that feeds it and by every record device handed
// out for it (the pipeline profile's device): it can be paused and resumed, and it can be made to
// fail a write as a full disk does. As in the real library, a failed write ends the recording but
// not the streaming, and destroying a recorder whose write failed ends the process (the real
// library's writer throws out of its destructor there).
class Recorder {
 public:
  // `writeLimit`: the file's size beyond which a write fails; none for a disk that never fills.
  Recorder(const std::string& path, const RecordingHeader& header,
           std::optional<std::uint64_t> writeLimit);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Run thread. Writes the frameset unless paused or failed. Returns the library's
  // notification text when this write failed, otherwise nothing.
  std::optional<std::string> Append(const SetBlueprint& set);
  void Pause();
  void Resume();
  const std::string& Path() const { return path_; }

 private:
  const std::string path_;
  std::mutex mutex_;
  RecordingWriter writer_;  // guarded by mutex_
  const std::optional<std::uint64_t> writeLimit_;
  std::uint64_t bytes_ = 0;  // guarded by mutex_: frameset bytes written
  bool paused_ = false;      // guarded by mutex_
  bool failed_ = false;      // guarded by mutex_
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

#endif  // RS2SIM_SRC_ENGINE_RECORDING_HPP
