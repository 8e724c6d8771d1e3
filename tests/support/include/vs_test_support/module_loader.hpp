// Loads the built module the way a host does: dlopen, then its one exported
// function.
#pragma once

#include <string>

#include <boost/shared_ptr.hpp>
#include <vid_db/protocol.hpp>

namespace vs_test_support {

using ProtocolQuery = int (*)(void*, boost::shared_ptr<vid_db::Protocol>&);

// Path of the built libvs_realsense2.so.
std::string ModulePath();

// Objects obtained from the module must be released before the loader that
// loaded it: their code and vtables live in the module.
class LoadedModule {
 public:
  // Throws std::runtime_error with dlerror's text when loading fails.
  LoadedModule();
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  // Null when the module does not export `name`.
  void* FindSymbol(const char* name) const;
  // Throws std::runtime_error when the entry point is missing.
  ProtocolQuery Query() const;
  // A new protocol through the entry point.
  boost::shared_ptr<vid_db::Protocol> NewProtocol() const;

 private:
  void* handle_;
};

}  // namespace vs_test_support
