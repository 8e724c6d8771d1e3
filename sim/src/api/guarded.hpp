// Error reporting of the C API: every function with an rs2_error** parameter runs its body
// through Guarded(), which turns exceptions into rs2_error objects carrying the function's name
// and its arguments, and which first consults the fault table.

#ifndef RS2SIM_SRC_API_GUARDED_HPP
#define RS2SIM_SRC_API_GUARDED_HPP

#include <librealsense2/rs.h>

#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "engine/errors.hpp"

struct rs2_error {
  std::string message;
  std::string function;
  std::string args;
  rs2_exception_type type;
};

namespace rs2sim {

// Throws the armed fault of `function`, if any.
void CheckFault(const char* function);

// Argument text in the library's "name:value, name:value" form.
class ArgText {
 public:
  template <class T>
  ArgText&& Add(const char* name, const T& value) && {
    if (!first_)
      out_ << ", ";
    first_ = false;
    out_ << name << ':';
    Write(value);
    return std::move(*this);
  }
  std::string Str() const { return out_.str(); }

 private:
  void Write(const char* text) { out_ << (text ? text : "nullptr"); }
  void Write(const std::string& text) { out_ << text; }
  void Write(rs2_stream value) { out_ << rs2_stream_to_string(value); }
  void Write(rs2_format value) { out_ << rs2_format_to_string(value); }
  void Write(rs2_option value) { out_ << rs2_option_to_string(value); }
  void Write(rs2_camera_info value) { out_ << rs2_camera_info_to_string(value); }
  void Write(rs2_extension value) { out_ << rs2_extension_to_string(value); }
  void Write(rs2_frame_metadata_value value) { out_ << rs2_frame_metadata_to_string(value); }
  template <class T>
  void Write(T* pointer) {
    if (pointer) {
      out_ << static_cast<const void*>(pointer);
    } else {
      out_ << "nullptr";
    }
  }
  template <class T, class = std::enable_if_t<std::is_arithmetic_v<T>>>
  void Write(T value) {
    out_ << value;
  }

  std::ostringstream out_;
  bool first_ = true;
};

void Report(rs2_error** error, rs2_exception_type type, const std::string& message,
            const char* function, const std::string& args);

// Runs `body`; on an exception reports it through `error` and returns `fallback`.
template <class R, class ArgsFn, class Body>
R Guarded(const char* function, rs2_error** error, ArgsFn&& args, R fallback, Body&& body) {
  try {
    CheckFault(function);
    return body();
  } catch (const ApiError& e) {
    Report(error, e.Type(), e.what(), function, args().Str());
  } catch (const std::exception& e) {
    Report(error, RS2_EXCEPTION_TYPE_UNKNOWN, e.what(), function, args().Str());
  }
  return fallback;
}

template <class ArgsFn, class Body>
void GuardedVoid(const char* function, rs2_error** error, ArgsFn&& args, Body&& body) {
  Guarded(function, error, std::forward<ArgsFn>(args), 0, [&] {
    body();
    return 0;
  });
}

}  // namespace rs2sim

#endif  // RS2SIM_SRC_API_GUARDED_HPP
