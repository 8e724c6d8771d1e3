// Loads the built module the way a host does (dlopen, LoadLibraryW on
// Windows), then its one export.
#pragma once

#include <string>

#include <boost/shared_ptr.hpp>
#include <vid_db/protocol.hpp>

namespace vs_test_support {

using ProtocolQuery = int (*)(void*, boost::shared_ptr<vid_db::Protocol>&);

// Path of the built module (libvs_realsense2.so, vs_realsense2.dll).
std::string ModulePath();

// Objects obtained from the module must be released before the loader that
// loaded it: their code and vtables live in the module.
class LoadedModule {
 public:
  // `path`: another build of the module, for benchmarks that compare two.
  explicit LoadedModule(const std::string& path = ModulePath());
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  ProtocolQuery Query() const;
  boost::shared_ptr<vid_db::Protocol> NewProtocol() const {
    boost::shared_ptr<vid_db::Protocol> protocol;
    Query()(nullptr, protocol);
    return protocol;
  }

 private:
  void* handle_;
};

}  // namespace vs_test_support
