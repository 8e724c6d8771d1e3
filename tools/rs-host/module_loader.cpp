#include "module_loader.hpp"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <vector>

#include <utils/file.hpp>
#else
#include <dlfcn.h>
#endif

namespace rs_host {
namespace {

// The module's entry point: an unused pointer-sized value and the slot that
// receives the protocol; always returns 0.
using ProtocolQuery = int (*)(void*, boost::shared_ptr<vid_db::Protocol>&);

std::filesystem::path ProgramDirectory() {
#ifdef _WIN32
  std::wstring buffer(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), MAX_PATH);
  buffer.resize(length);
  return std::filesystem::path(buffer).parent_path();
#else
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path{} : self.parent_path();
#endif
}

}  // namespace

#ifdef _WIN32
SharedLibrary::SharedLibrary(const std::string& path) : path_(path) {
  // The path is UTF-8, as every text in rs-host; Windows takes UTF-16.
  std::vector<wchar_t> wide;
  if (utils::File::Utf8ToWide(path.c_str(), wide))
    handle_ = reinterpret_cast<void*>(LoadLibraryW(wide.data()));
  if (handle_ == nullptr) {
    throw ModuleLoadError("cannot load module '" + path + "': Windows error " +
                          std::to_string(GetLastError()));
  }
}

SharedLibrary::~SharedLibrary() {
  FreeLibrary(reinterpret_cast<HMODULE>(handle_));
}

void* SharedLibrary::Symbol(const char* name) const {
  auto* symbol = reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
  if (symbol == nullptr) {
    throw ModuleLoadError("module '" + path_ + "' exports no '" + name + "'");
  }
  return symbol;
}
#else
SharedLibrary::SharedLibrary(const std::string& path) : path_(path) {
  // RTLD_LOCAL keeps the module's symbols to itself, as a server that loads
  // several modules needs.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    throw ModuleLoadError("cannot load module '" + path +
                          "': " + (reason != nullptr ? reason : "unknown error"));
  }
}

SharedLibrary::~SharedLibrary() {
  dlclose(handle_);
}

void* SharedLibrary::Symbol(const char* name) const {
  dlerror();
  void* symbol = dlsym(handle_, name);
  if (symbol == nullptr) {
    throw ModuleLoadError("module '" + path_ + "' exports no '" + name + "'");
  }
  return symbol;
}
#endif

LoadedModule::LoadedModule(const std::string& path) : library_(path) {
  const auto query = reinterpret_cast<ProtocolQuery>(library_.Symbol(kEntryPoint));
  query(nullptr, protocol_);
  if (!protocol_) {
    throw ModuleLoadError("module '" + path + "' returned no protocol object");
  }
  const auto schemes = protocol_->GetSchemes();
  bool served = false;
  std::string list;
  for (const auto& scheme : schemes) {
    served = served || scheme == kScheme;
    list += (list.empty() ? "" : ", ") + scheme;
  }
  if (!served) {
    protocol_.reset();
    throw ModuleLoadError("module '" + path + "' does not serve the scheme '" + kScheme +
                          "' (it serves: " + (list.empty() ? "nothing" : list) + ")");
  }
}

LoadedModule::~LoadedModule() = default;

std::vector<std::string> DefaultModuleCandidates() {
  std::vector<std::string> candidates;
  const auto add = [&candidates](const std::filesystem::path& path) {
    const auto text = path.lexically_normal().u8string();
    for (const auto& known : candidates) {
      if (known == text)
        return;
    }
    candidates.push_back(text);
  };
  const auto programDir = ProgramDirectory();
  if (!programDir.empty()) {
#ifdef _WIN32
    // Windows keeps DLLs beside the programs that load them.
    add(programDir / RS_HOST_MODULE_FILE);
#endif
    add(programDir / ".." / RS_HOST_INSTALL_LIBDIR / RS_HOST_MODULE_FILE);
    add(programDir / ".." / "lib" / RS_HOST_MODULE_FILE);
  }
  add(std::filesystem::path(RS_HOST_BUILD_LIBDIR) / RS_HOST_MODULE_FILE);
  return candidates;
}

std::string FindDefaultModule(const std::vector<std::string>& candidates) {
  for (const auto& candidate : candidates) {
    std::error_code error;
    if (std::filesystem::exists(candidate, error))
      return candidate;
  }
  return candidates.empty() ? std::string{} : candidates.front();
}

}  // namespace rs_host
