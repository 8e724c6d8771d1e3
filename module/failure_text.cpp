#include "failure_text.hpp"

namespace vs_realsense2 {

void WriteRsError(std::ostream& os, const rs2::error& e) {
  os << "rs error calling " << e.get_failed_function() << "(" << e.get_failed_args()
     << "):" << e.what();
}

void WriteFailure(std::ostream& os, const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const rs2::error& e) {
    WriteRsError(os, e);
  } catch (const std::exception& e) {
    os << "exception: " << e.what();
  } catch (...) {
    os << "exception: unknown";
  }
}

}  // namespace vs_realsense2
