// Errors of the utilities that relate to the operating system.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace utils {

// Keeps the errno of the moment it was constructed, for callers that need
// more than the text.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message);
  ~Error() override;

  std::int32_t GetErrno() const noexcept { return savedErrno_; }

 private:
  std::int32_t savedErrno_;
};

// A file that could not be opened. The text is "<system text>: <path>".
class OpenFileError : public Error {
 public:
  OpenFileError(const std::string& message, std::int32_t errorNumber);
  ~OpenFileError() override;

  std::int32_t GetErrorNumber() const noexcept { return errorNumber_; }

 private:
  std::int32_t errorNumber_;
};

}  // namespace utils
