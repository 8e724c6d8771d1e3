// How much room the recording's filesystem has left, read through one small
// function that tests replace.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vs_realsense2 {

// Bytes an unprivileged writer may still use on the filesystem that holds
// `folder`; nothing when the folder does not exist (or cannot be examined).
// A removed folder gives no write error on Linux: the open file keeps
// growing unseen, so its absence must be looked for.
using FreeSpaceProbe = std::function<std::optional<std::uint64_t>(const std::string& folder)>;

// The machine's answer (statvfs through std::filesystem::space).
[[nodiscard]] std::optional<std::uint64_t> FolderFreeBytes(const std::string& folder);

}  // namespace vs_realsense2
