#pragma once

#include <stdexcept>

namespace utils {

// An address that is not a valid URI. The text names the address.
class UrlParserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // Defined out of line so that the type's vtable and type info live in one
  // object file, and catch clauses in other libraries match it.
  ~UrlParserError() override;
};

}  // namespace utils
