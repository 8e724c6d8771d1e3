// Names for the threads the module owns, so that each source's threads are
// told apart in top -H, gdb and crash dumps.
#pragma once

#include <string>

namespace vs_realsense2 {

// Names the calling thread `prefix` + `name`, cut to what the system keeps
// (15 bytes on Linux; on Windows the whole name, where the system has
// SetThreadDescription). Best effort: a failure changes nothing.
void NameCurrentThread(const char* prefix, const std::string& name) noexcept;

}  // namespace vs_realsense2
