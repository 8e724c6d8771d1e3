// How a failure is shown to the user: the exception's type and its text.
#pragma once

#include <exception>
#include <string>
#include <typeinfo>

namespace rs_host {

// The readable name of a type ("utils::UrlParserError", not "N5utils14...").
std::string TypeName(const std::type_info& type);

// "type: text"
std::string DescribeException(const std::exception& error);

}  // namespace rs_host
