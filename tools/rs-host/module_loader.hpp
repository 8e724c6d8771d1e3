// Loading the module at run time, as a video server does, and asking it for
// its protocol object.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "vid_db/protocol.hpp"

namespace rs_host {

class ModuleLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Owns one loaded shared library; unloads it on destruction.
class SharedLibrary {
 public:
  explicit SharedLibrary(const std::string& path);  // throws ModuleLoadError
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported symbol; throws ModuleLoadError when missing.
  void* Symbol(const char* name) const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  void* handle_ = nullptr;  // HMODULE under Windows
};

// The module and its protocol object. Every object the protocol creates runs
// code of the library, so all of them must be released before this object.
class LoadedModule {
 public:
  static constexpr const char* kEntryPoint = "run_realsense_protocol_query";
  static constexpr const char* kScheme = "realsense";

  // Throws ModuleLoadError when the library, its entry point or the scheme
  // "realsense" is missing.
  explicit LoadedModule(const std::string& path);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  vid_db::Protocol& Protocol() const { return *protocol_; }
  const std::string& Path() const { return library_.Path(); }

 private:
  SharedLibrary library_;  // first member: unloaded after the protocol is gone
  boost::shared_ptr<vid_db::Protocol> protocol_;
};

// Where to look for the module when --module is not given, most likely first:
// beside the program (build tree or install prefix), then the build tree.
std::vector<std::string> DefaultModuleCandidates();

// The first candidate that exists, or the first one when none does (so that
// the error message names a sensible path).
std::string FindDefaultModule(const std::vector<std::string>& candidates);

}  // namespace rs_host
