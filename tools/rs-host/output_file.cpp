#include "output_file.hpp"

#include <cerrno>
#include <system_error>

namespace rs_host {

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

OutputFile::OutputFile(std::string path, Mode mode) : path_(std::move(path)) {
  errno = 0;
  file_ = std::fopen(path_.c_str(), mode == Mode::Replace ? "wb" : "ab");
  if (file_ == nullptr)
    Fail(errno);
}

OutputFile::~OutputFile() {
  if (file_ != nullptr)
    std::fclose(file_);
}

void OutputFile::Write(const void* data, std::size_t size) {
  errno = 0;
  if (size != 0 && std::fwrite(data, 1, size, file_) != size)
    Fail(errno);
}

void OutputFile::Close() {
  std::FILE* const file = file_;
  file_ = nullptr;
  errno = 0;
  if (std::fclose(file) != 0)
    Fail(errno);
}

void OutputFile::Fail(int error) const {
  // A C library that sets no errno still gets a reason rather than "Success".
  throw FileError(path_, SystemReason(error != 0 ? error : EIO));
}

}  // namespace rs_host
