#pragma once

#include <memory>
#include <string>

#include <uriparser/Uri.h>

#include "utils/noncopyable.hpp"
#include "utils/query_params.hpp"
#include "utils/url_parser_error.hpp"

namespace utils {

// One parsed address. The parsed ranges point into the object's own copy of
// the text, which is why the object stays where Parse created it: it is
// neither copied nor moved.
class UrlParser : private Noncopyable {
 public:
  // Parses `text` and, when `normalize` is set, applies every syntax
  // normalisation. An empty text yields an address without any component.
  // Throws UrlParserError "failed to parse URL: '<text>'".
  static std::unique_ptr<UrlParser> Parse(const std::string& text, bool normalize);

  // Percent-decodes `s` once, "+" becoming a space; a "%" without two hex
  // digits after it stays as it is, line breaks are kept.
  static std::string Unescape(const std::string& s);

  ~UrlParser();

  // Replaces `out` by the query's decoded pairs (an item without "=" has an
  // empty value; empty items are skipped). False, with `out` untouched, when
  // the query cannot be split.
  [[nodiscard]] bool GetQueryParams(QueryParams& out) const;

  // The scheme as parsed (lower case once normalised); empty when there is none.
  std::string GetScheme() const;

 private:
  explicit UrlParser(const std::string& address);

  UriParserStateA state_;
  UriUriA uri_;
  std::string text_;
};

}  // namespace utils
