#include "library_context.hpp"

#include <memory>

namespace vs_realsense2 {

rs2::context OpenContext() {
  rs2_error* e = nullptr;
  std::shared_ptr<rs2_context> handle(rs2_create_context(kApiVersion, &e), rs2_delete_context);
  rs2::error::handle(e);
  return rs2::context(handle);
}

}  // namespace vs_realsense2
