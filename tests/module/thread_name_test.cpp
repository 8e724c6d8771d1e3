// The names the module gives its threads, read back from the system.
#include <string>
#include <thread>

#include <gtest/gtest.h>

#if defined(__linux__)
#include <pthread.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

#include "thread_name.hpp"

namespace vs_realsense2 {
namespace {

// The calling thread's name as the system keeps it; empty when it has none
// to give.
std::string NameOfThisThread() {
#if defined(__linux__)
  char name[16] = {};
  return pthread_getname_np(pthread_self(), name, sizeof name) == 0 ? name : "";
#elif defined(_WIN32)
  using GetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PWSTR*);
  const auto get = reinterpret_cast<GetThreadDescriptionFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
  PWSTR description = nullptr;
  if (get == nullptr || FAILED(get(GetCurrentThread(), &description)))
    return "";
  const int length = WideCharToMultiByte(CP_UTF8, 0, description, -1, nullptr, 0, nullptr, nullptr);
  std::string name(length > 0 ? static_cast<std::size_t>(length - 1) : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, description, -1, name.data(), length, nullptr, nullptr);
  LocalFree(description);
  return name;
#else
  return "";
#endif
}

std::string NamedThread(const char* prefix, const std::string& name) {
  std::string seen;
  std::thread([&] {
    NameCurrentThread(prefix, name);
    seen = NameOfThisThread();
  }).join();
  return seen;
}

TEST(ThreadNameTest, ReaderAndSupervisorThreadsCarryTheSourceName) {
#if defined(__linux__)
  EXPECT_EQ(NamedThread("rs-sup:", "cam"), "rs-sup:cam");
  // The kernel keeps 15 bytes: the prefix and the start of the name.
  EXPECT_EQ(NamedThread("rs-read:", "entrance-left"), "rs-read:entranc");
#elif defined(_WIN32)
  if (GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription") == nullptr)
    GTEST_SKIP() << "this Windows keeps no thread descriptions";
  EXPECT_EQ(NamedThread("rs-sup:", "cam"), "rs-sup:cam");
  // No length limit, and the name is UTF-8 turned into UTF-16.
  EXPECT_EQ(NamedThread("rs-read:", "entrance-left-\xc3\xa9"), "rs-read:entrance-left-\xc3\xa9");
#else
  GTEST_SKIP() << "no thread names on this system";
#endif
}

}  // namespace
}  // namespace vs_realsense2
