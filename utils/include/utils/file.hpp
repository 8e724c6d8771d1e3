#pragma once

#include <cstdint>
#include <string>
#ifdef _WIN32
#include <vector>
#endif

#include "utils/noncopyable.hpp"

namespace utils {

// Exclusive owner of one runtime-library file descriptor, opened from a UTF-8
// path. Every open, failed open and close is traced on the "utils" channel.
class File : private Noncopyable {
 public:
  // Open-mode bits; any other bit is ignored. Neither Read nor Write opens
  // read-only. Binary matters on Windows only.
  enum Mode : int {
    Create = 0x01,
    Read = 0x02,
    Write = 0x04,
    Append = 0x08,
    Truncate = 0x10,
    Binary = 0x20,
    // Only a regular file opens: a FIFO, device or socket fails at once
    // (opening a FIFO would otherwise wait for a writer), with EINVAL.
    Regular = 0x40,
  };

  // Throws OpenFileError, text "<system text>: <path>", when the file cannot
  // be opened, and "Not a regular file: <path>" when Regular refused it. A
  // directory cannot be opened.
  File(const std::string& path, int mode);
  ~File();

  // Closes an open descriptor first. On failure returns false with errno
  // describing the failure.
  [[nodiscard]] bool Open(const std::string& path, int mode);
  // Does nothing when no file is open.
  void Close();

  // -1 when no file is open.
  std::int32_t GetFd() const noexcept { return fd_; }

#ifdef _WIN32
  // Converts zero-terminated UTF-8 into UTF-16, terminator included.
  static bool Utf8ToWide(const char* text, std::vector<wchar_t>& out);
#endif

 private:
  std::int32_t fd_ = -1;
};

}  // namespace utils
