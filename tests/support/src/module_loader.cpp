#include "vs_test_support/module_loader.hpp"

#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include <vector>

#include <utils/file.hpp>
#else
#include <dlfcn.h>
#endif

namespace vs_test_support {
namespace {

#ifdef _WIN32
void* Open(const std::string& path) {
  std::vector<wchar_t> wide;
  void* const handle =
      utils::File::Utf8ToWide(path.c_str(), wide) ? LoadLibraryW(wide.data()) : nullptr;
  if (handle == nullptr)
    throw std::runtime_error("LoadLibraryW " + path + ": error " + std::to_string(GetLastError()));
  return handle;
}
void Close(void* handle) {
  FreeLibrary(static_cast<HMODULE>(handle));
}
void* Find(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
#else
void* Open(const std::string& path) {
  void* const handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr)
    throw std::runtime_error(std::string("dlopen: ") + dlerror());
  return handle;
}
void Close(void* handle) {
  dlclose(handle);
}
void* Find(void* handle, const char* name) {
  return dlsym(handle, name);
}
#endif

}  // namespace

std::string ModulePath() {
  return VSRS_MODULE_PATH;
}

LoadedModule::LoadedModule(const std::string& path) : handle_(Open(path)) {}

LoadedModule::~LoadedModule() {
  Close(handle_);
}

ProtocolQuery LoadedModule::Query() const {
  void* const symbol = Find(handle_, "run_realsense_protocol_query");
  if (symbol == nullptr)
    throw std::runtime_error("run_realsense_protocol_query not exported");
  return reinterpret_cast<ProtocolQuery>(symbol);
}

}  // namespace vs_test_support
