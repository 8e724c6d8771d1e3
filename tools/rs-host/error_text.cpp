#include "error_text.hpp"

#include <cstdlib>
#include <memory>

#if defined(__GNUG__)
#include <cxxabi.h>
#endif

namespace rs_host {

std::string TypeName(const std::type_info& type) {
#if defined(__GNUG__)
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  if (status == 0 && name)
    return name.get();
#endif
  return type.name();
}

std::string DescribeException(const std::exception& error) {
  return TypeName(typeid(error)) + ": " + error.what();
}

}  // namespace rs_host
