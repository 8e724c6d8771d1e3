// Loads the installed module as a server would and lists its schemes.
#include <dlfcn.h>

#include <cstdio>

#include <vid_db/protocol.hpp>

using Query = int (*)(void*, boost::shared_ptr<vid_db::Protocol>&);

int main() {
  void* module = dlopen(MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  const auto query = reinterpret_cast<Query>(dlsym(module, "run_realsense_protocol_query"));
  if (query == nullptr)
    return 1;
  int status = 1;
  {
    boost::shared_ptr<vid_db::Protocol> protocol;
    query(nullptr, protocol);
    for (const std::string& scheme : protocol->GetSchemes()) {
      std::printf("scheme: %s\n", scheme.c_str());
      if (scheme == "realsense")
        status = 0;
    }
  }
  dlclose(module);
  return status;
}
