#include "utils/url_parser.hpp"

#include <sstream>
#include <utility>
#include <vector>

namespace utils {

namespace {

[[noreturn]] void ThrowParseError(const std::string& text) {
  std::ostringstream message;
  message << "failed to parse URL: '" << text << "'";
  throw UrlParserError(message.str());
}

// Frees uriparser's list on every exit, the throwing ones included.
class QueryList : private Noncopyable {
 public:
  QueryList() = default;
  ~QueryList() { uriFreeQueryListA(head); }

  UriQueryListA** Out() { return &head; }
  const UriQueryListA* Head() const { return head; }

 private:
  UriQueryListA* head = nullptr;
};

}  // namespace

UrlParser::UrlParser(const std::string& address) : state_{}, uri_{}, text_(address) {
  state_.uri = &uri_;
}

UrlParser::~UrlParser() {
  // An empty text was never handed to uriparser, so there is nothing to free.
  if (!text_.empty())
    uriFreeUriMembersA(&uri_);
}

std::unique_ptr<UrlParser> UrlParser::Parse(const std::string& text, bool normalize) {
  std::unique_ptr<UrlParser> parser(new UrlParser(text));
  if (text.empty())
    return parser;

  bool parsed = uriParseUriA(&parser->state_, parser->text_.c_str()) == URI_SUCCESS;
  if (parsed && normalize) {
    parsed = uriNormalizeSyntaxA(&parser->uri_) == URI_SUCCESS;
  }
  if (!parsed)
    ThrowParseError(text);
  return parser;
}

bool UrlParser::GetQueryParams(QueryParams& out) const {
  const char* first = uri_.query.first;
  const char* afterLast = uri_.query.afterLast;
  if (first == nullptr || afterLast == nullptr || first == afterLast) {
    out.clear();
    return true;
  }

  QueryList list;
  if (uriDissectQueryMallocA(list.Out(), nullptr, first, afterLast) != URI_SUCCESS)
    return false;

  QueryParams params;
  for (const UriQueryListA* item = list.Head(); item != nullptr; item = item->next) {
    params.emplace_back(item->key != nullptr ? item->key : "",
                        item->value != nullptr ? item->value : "");
  }
  out = std::move(params);
  return true;
}

std::string UrlParser::GetScheme() const {
  if (uri_.scheme.first == nullptr || uri_.scheme.afterLast == nullptr)
    return {};
  return std::string(uri_.scheme.first, uri_.scheme.afterLast);
}

std::string UrlParser::Unescape(const std::string& s) {
  if (s.empty())
    return {};
  std::vector<char> buffer(s.begin(), s.end());
  buffer.push_back('\0');
  const char* end = uriUnescapeInPlaceExA(buffer.data(), URI_TRUE, URI_BR_DONT_TOUCH);
  const char* begin = buffer.data();
  return std::string(begin, end);
}

}  // namespace utils
