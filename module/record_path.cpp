#include "record_path.hpp"

#include <filesystem>
#include <system_error>

namespace vs_realsense2 {
namespace {

bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  // An entry that cannot be examined counts as taken: better a new name
  // than a recording overwritten.
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  return status.type() != std::filesystem::file_type::not_found;
}

}  // namespace

std::string NextFreeRecordPath(const std::string& path) {
  const std::filesystem::path original = std::filesystem::u8path(path);
  if (!Exists(original))
    return path;
  const std::string stem = original.stem().u8string();
  const std::string extension = original.extension().u8string();
  for (unsigned number = 1;; ++number) {
    std::filesystem::path candidate = original;
    candidate.replace_filename(
        std::filesystem::u8path(stem + "-" + std::to_string(number) + extension));
    if (!Exists(candidate))
      return candidate.u8string();
  }
}

}  // namespace vs_realsense2
