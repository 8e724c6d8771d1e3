#include "utils/file.hpp"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include "windows_headers.hpp"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "utils/error.hpp"
#include "utils/log.hpp"

namespace utils {

namespace {

constexpr const char* kLogName = "utils::File";

#ifdef _WIN32

int ToSystemFlags(int mode) {
  int flags = 0;
  if (mode & File::Create)
    flags |= _O_CREAT;
  if ((mode & File::Read) && (mode & File::Write)) {
    flags |= _O_RDWR;
  } else if (mode & File::Write) {
    flags |= _O_WRONLY;
  } else {
    flags |= _O_RDONLY;
  }
  if (mode & File::Append)
    flags |= _O_APPEND;
  if (mode & File::Truncate)
    flags |= _O_TRUNC;
  if (mode & File::Binary)
    flags |= _O_BINARY;
  return flags;
}

int OpenDescriptor(const std::string& path, int flags) {
  std::vector<wchar_t> widePath;
  if (!File::Utf8ToWide(path.c_str(), widePath))
    return -1;
  int fd = -1;
  const errno_t result = _wsopen_s(&fd, widePath.data(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  if (result != 0) {
    errno = result;
    return -1;
  }
  return fd;
}

void CloseDescriptor(int fd) {
  _close(fd);
}

bool IsRegular(int fd) {
  struct _stat64 status {};
  return _fstat64(fd, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
}

void ClearNonBlocking(int /*fd*/) {}

bool IsSpecial(const std::string& /*path*/) {
  return false;
}

#else

int ToSystemFlags(int mode) {
  // Descriptors must not leak into processes the host spawns.
  int flags = O_CLOEXEC;
  if (mode & File::Create)
    flags |= O_CREAT;
  if ((mode & File::Read) && (mode & File::Write)) {
    flags |= O_RDWR;
  } else if (mode & File::Write) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  if (mode & File::Append)
    flags |= O_APPEND;
  if (mode & File::Truncate)
    flags |= O_TRUNC;
  // Without it, the open of a FIFO waits for a writer before the check for
  // a regular file could refuse it.
  if (mode & File::Regular)
    flags |= O_NONBLOCK;
  return flags;
}

void CloseDescriptor(int fd) {
  ::close(fd);
}

bool IsRegular(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

// A path that exists and is neither a regular file nor a directory. Checked
// before the open because a socket fails to open (ENXIO) rather than open
// for the check after it.
bool IsSpecial(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

// The descriptor of a regular file then behaves as one opened without it.
void ClearNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0)
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

// POSIX lets a directory be opened for reading, Windows does not. A caller
// that probes a recording must see a directory fail the same way everywhere.
int OpenDescriptor(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags, S_IRUSR | S_IWUSR);
  if (fd < 0)
    return -1;
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    CloseDescriptor(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

#endif

}  // namespace

File::File(const std::string& path, int mode) {
  if (!Open(path, mode)) {
    const int error = errno;
    // EINVAL comes from nothing else here: the flags are always valid.
    const bool notRegular = (mode & Regular) && error == EINVAL;
    std::string message =
        (notRegular ? std::string("Not a regular file") : std::string(std::strerror(error))) +
        ": " + path;
    // Building the text may allocate; the Error part must record this error.
    errno = error;
    throw OpenFileError(message, error);
  }
}

File::~File() {
  Close();
}

bool File::Open(const std::string& path, int mode) {
  if (fd_ >= 0)
    Close();

  bool notRegular = (mode & Regular) && IsSpecial(path);
  fd_ = notRegular ? -1 : OpenDescriptor(path, ToSystemFlags(mode));
  // Checked again on the descriptor: the path may have changed in between.
  if (fd_ >= 0 && (mode & Regular)) {
    if (IsRegular(fd_)) {
      ClearNonBlocking(fd_);
    } else {
      CloseDescriptor(fd_);
      fd_ = -1;
      notRegular = true;
    }
  }
  if (notRegular)
    errno = EINVAL;
  // A sink may touch errno; the caller must still see the open's error.
  const int savedErrno = errno;
  LogUntagged(GetUtilsLogger, orvlog::Severity::Trace, kLogName, [&](std::ostream& os) {
    os << "Open(\"" << path << '"';
    if (fd_ >= 0) {
      os << "): fd=" << fd_;
    } else {
      os << ") FAILED: " << (notRegular ? "not a regular file" : std::strerror(savedErrno));
    }
  });
  errno = savedErrno;
  return fd_ >= 0;
}

void File::Close() {
  if (fd_ < 0)
    return;
  LogUntagged(GetUtilsLogger, orvlog::Severity::Trace, kLogName,
              [&](std::ostream& os) { os << "Close(): fd=" << fd_; });
  CloseDescriptor(fd_);
  fd_ = -1;
}

#ifdef _WIN32

bool File::Utf8ToWide(const char* text, std::vector<wchar_t>& out) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (length < 1)
    return false;
  out.resize(static_cast<std::size_t>(length));
  return MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), length) > 0;
}

#endif

}  // namespace utils
