// How the module's lines write a failure, wherever it is caught.
#pragma once

#include <exception>
#include <ostream>

#include <librealsense2/rs.hpp>

namespace vs_realsense2 {

// "rs error calling <function>(<args>):<message>", as the error carries them.
void WriteRsError(std::ostream& os, const rs2::error& e);

// A librealsense2 error as WriteRsError does, anything else as
// "exception: <text>" ("exception: unknown" for what is no std::exception).
void WriteFailure(std::ostream& os, const std::exception_ptr& failure);

}  // namespace vs_realsense2
