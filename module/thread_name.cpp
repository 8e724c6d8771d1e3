#include "thread_name.hpp"

#if defined(__linux__)
#include <pthread.h>
#elif defined(_WIN32)
#include <windows.h>
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
    const std::string full = std::string(prefix) + name;
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, full.data(), static_cast<int>(full.size()), nullptr, 0);
    if (length <= 0)
      return;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, full.data(), static_cast<int>(full.size()), wide.data(),
                        length);
    setDescription(GetCurrentThread(), wide.c_str());
  } catch (...) {
  }
#else
  static_cast<void>(prefix);
  static_cast<void>(name);
#endif
}

}  // namespace vs_realsense2
