#include "utils/url_parser_error.hpp"

namespace utils {

UrlParserError::~UrlParserError() = default;

}  // namespace utils
