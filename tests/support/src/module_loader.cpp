#include "vs_test_support/module_loader.hpp"

#include <dlfcn.h>

#include <stdexcept>

namespace vs_test_support {

std::string ModulePath() {
  return VSRS_MODULE_PATH;
}

LoadedModule::LoadedModule(const std::string& path)
    : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr)
    throw std::runtime_error(std::string("dlopen: ") + dlerror());
}

LoadedModule::~LoadedModule() {
  dlclose(handle_);
}

ProtocolQuery LoadedModule::Query() const {
  void* const symbol = dlsym(handle_, "run_realsense_protocol_query");
  if (symbol == nullptr)
    throw std::runtime_error("run_realsense_protocol_query not exported");
  return reinterpret_cast<ProtocolQuery>(symbol);
}

}  // namespace vs_test_support
