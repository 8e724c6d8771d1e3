#include "thread_name.hpp"

#if defined(__linux__)
#include <pthread.h>
#elif defined(_WIN32)
#include <windows.h>

#include <vector>

#include <utils/file.hpp>
#endif

namespace vs_realsense2 {

#if defined(_WIN32)
namespace {

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);

// Looked up rather than imported: Windows before 10 (1607) has no
// SetThreadDescription, and an import would keep the DLL from loading there.
SetThreadDescriptionFn FindSetThreadDescription() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr)
    return nullptr;
  return reinterpret_cast<SetThreadDescriptionFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")));
}

}  // namespace
#endif

void NameCurrentThread(const char* prefix, const std::string& name) noexcept {
#if defined(__linux__)
  try {
    constexpr std::size_t kMaxLength = 15;  // the kernel's limit, without the terminator
    const std::string full = (std::string(prefix) + name).substr(0, kMaxLength);
    pthread_setname_np(pthread_self(), full.c_str());
  } catch (...) {
  }
#elif defined(_WIN32)
  try {
    static const SetThreadDescriptionFn setDescription = FindSetThreadDescription();
    if (setDescription == nullptr)
      return;
    std::vector<wchar_t> wide;
    if (utils::File::Utf8ToWide((std::string(prefix) + name).c_str(), wide))
      setDescription(GetCurrentThread(), wide.data());
  } catch (...) {
  }
#else
  static_cast<void>(prefix);
  static_cast<void>(name);
#endif
}

}  // namespace vs_realsense2
