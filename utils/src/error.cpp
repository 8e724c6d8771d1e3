#include "utils/error.hpp"

#include <cerrno>

namespace utils {

Error::Error(const std::string& message) : std::runtime_error(message), savedErrno_(errno) {}

// The destructors are the key functions that keep each type's vtable and type
// info in one object file, so that catch clauses in other libraries match.
Error::~Error() = default;

OpenFileError::OpenFileError(const std::string& message, std::int32_t errorNumber)
    : Error(message), errorNumber_(errorNumber) {}

OpenFileError::~OpenFileError() = default;

}  // namespace utils
