#include "free_space.hpp"

#include <filesystem>
#include <system_error>

namespace vs_realsense2 {

std::optional<std::uint64_t> FolderFreeBytes(const std::string& folder) {
  const std::filesystem::path path = std::filesystem::u8path(folder.empty() ? "." : folder);
  std::error_code error;
  if (!std::filesystem::is_directory(path, error))
    return std::nullopt;
  const std::filesystem::space_info space = std::filesystem::space(path, error);
  if (error)
    return std::nullopt;
  return space.available;
}

}  // namespace vs_realsense2
