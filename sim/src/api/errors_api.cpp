// The error objects of the C API: how Guarded() fills them, consulting the fault table first,
// and the functions that read and free them.

#include "api/guarded.hpp"
#include "engine/registry.hpp"

namespace rs2sim {

void CheckFault(const char* function) {
  TheRegistry().faults.Check(function);
}

void Report(rs2_error** error, rs2_exception_type type, const std::string& message,
            const char* function, const std::string& args) {
  if (error)
    *error = new rs2_error{message, function, args, type};
}

}  // namespace rs2sim

extern "C" {

rs2_exception_type rs2_get_librealsense_exception_type(const rs2_error* error) {
  return error ? error->type : RS2_EXCEPTION_TYPE_UNKNOWN;
}
const char* rs2_get_failed_function(const rs2_error* error) {
  return error ? error->function.c_str() : nullptr;
}
const char* rs2_get_failed_args(const rs2_error* error) {
  return error ? error->args.c_str() : nullptr;
}
const char* rs2_get_error_message(const rs2_error* error) {
  return error ? error->message.c_str() : nullptr;
}
void rs2_free_error(rs2_error* error) {
  delete error;
}

}  // extern "C"
