// How the engine refuses a call: an ApiError carries the library's exception type, which the C
// API's Guarded() hands to the caller as an rs2_error.

#ifndef RS2SIM_SRC_ENGINE_ERRORS_HPP
#define RS2SIM_SRC_ENGINE_ERRORS_HPP

#include <librealsense2/rs.h>

#include <stdexcept>
#include <string>

namespace rs2sim {

class ApiError : public std::runtime_error {
 public:
  ApiError(rs2_exception_type type, const std::string& message)
      : std::runtime_error(message), type_(type) {}
  rs2_exception_type Type() const { return type_; }

 private:
  rs2_exception_type type_;
};

[[noreturn]] inline void Fail(rs2_exception_type type, const std::string& message) {
  throw ApiError(type, message);
}

template <class T>
T* NotNull(T* pointer, const char* name) {
  if (!pointer) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE,
         std::string("null pointer passed for argument \"") + name + "\"");
  }
  return pointer;
}

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_ERRORS_HPP
