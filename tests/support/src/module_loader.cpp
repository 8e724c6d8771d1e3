#include "vs_test_support/module_loader.hpp"

#include <dlfcn.h>

#include <stdexcept>

namespace vs_test_support {

std::string ModulePath() {
  return VSRS_MODULE_PATH;
}

LoadedModule::LoadedModule() : handle_(dlopen(VSRS_MODULE_PATH, RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr)
    throw std::runtime_error(std::string("dlopen: ") + dlerror());
}

LoadedModule::~LoadedModule() {
  dlclose(handle_);
}

void* LoadedModule::FindSymbol(const char* name) const {
  return dlsym(handle_, name);
}

ProtocolQuery LoadedModule::Query() const {
  void* const symbol = FindSymbol("run_realsense_protocol_query");
  if (symbol == nullptr)
    throw std::runtime_error("run_realsense_protocol_query not exported");
  return reinterpret_cast<ProtocolQuery>(symbol);
}

boost::shared_ptr<vid_db::Protocol> LoadedModule::NewProtocol() const {
  boost::shared_ptr<vid_db::Protocol> protocol;
  Query()(nullptr, protocol);
  return protocol;
}

}  // namespace vs_test_support
