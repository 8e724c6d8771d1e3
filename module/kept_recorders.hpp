// Record devices whose write failed, kept for the rest of the process.
#pragma once

#include <cstddef>
#include <string>

#include <librealsense2/rs.hpp>
#include <utils/mutex.hpp>

namespace vs_realsense2 {

// librealsense2 2.54 ends the process when it destroys a recorder whose
// write failed (its bag writer throws out of a destructor), so such a
// device is never let go: one open file and its buffers per failure, which
// the retry spacing bounds. Thread-safe. Returns how many are kept.
std::size_t KeepForProcessLife(const rs2::device& recorder);

// The record device of a source's live session, from the session's start
// until the supervisor has destroyed it: a write failure reported meanwhile
// (on a library thread) keeps exactly that device for the life of the
// process. Thread-safe.
class RecorderHold {
 public:
  void Hold(const rs2::device& device) EXCLUDES(mutex_);
  // Supervisor thread, never under a lock of the source: the device goes
  // now, closing its file, unless it was kept.
  void Release() EXCLUDES(mutex_);
  // Keeps the held device for the life of the process; false when none is
  // held (a notification from a session already gone).
  [[nodiscard]] bool KeepHeld() EXCLUDES(mutex_);

 private:
  utils::Mutex mutex_;
  rs2::device device_ GUARDED_BY(mutex_);
};

// Whether the text of an error notification of a record device's sensor
// says that the library stopped recording that sensor after a write failure
// (streaming goes on).
[[nodiscard]] bool IsRecordingStopped(const std::string& description);

}  // namespace vs_realsense2
