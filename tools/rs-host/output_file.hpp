// The files rs-host writes (the JSON summary, the snapshots). Every failure
// says why, in the system's words, so that an operator can tell a missing
// directory from a full disk or a path that is a directory.
#pragma once

#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

namespace rs_host {

// what(): "cannot write 'PATH': REASON".
class FileError : public std::runtime_error {
 public:
  FileError(const std::string& path, std::string reason)
      : std::runtime_error("cannot write '" + path + "': " + reason), reason_(std::move(reason)) {}

  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// The system's text for an errno value, e.g. "No such file or directory".
std::string SystemReason(int error);

// One file written whole: opened by the constructor, checked by Close. Every
// failure throws FileError.
class OutputFile {
 public:
  enum class Mode {
    Replace,  // created, or emptied when it exists
    Append,   // created when missing, its content kept
  };
  explicit OutputFile(std::string path, Mode mode = Mode::Replace);
  // Closes without a word: only Close tells whether everything reached the file.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const void* data, std::size_t size);
  void Write(const std::string& text) { Write(text.data(), text.size()); }
  // A write may fail only when the buffered bytes go out, so the file is
  // known to be written once this returns.
  void Close();

 private:
  [[noreturn]] void Fail(int error) const;

  const std::string path_;
  std::FILE* file_ = nullptr;
};

}  // namespace rs_host
