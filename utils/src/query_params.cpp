#include "utils/query_params.hpp"

#include <locale>

namespace utils {

namespace {

// Keys are protocol tokens, so the host's global locale must not change how
// they compare.
bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  const auto& ctype = std::use_facet<std::ctype<char>>(std::locale::classic());
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ctype.toupper(a[i]) != ctype.toupper(b[i]))
      return false;
  }
  return true;
}

}  // namespace

std::string LowerCase(std::string_view text) {
  const auto& ctype = std::use_facet<std::ctype<char>>(std::locale::classic());
  std::string lower(text);
  for (char& c : lower)
    c = ctype.tolower(c);
  return lower;
}

bool GetParam(const QueryParams& params, const std::string& key, std::string* value,
              bool ignoreCase, std::size_t* index) {
  for (std::size_t i = 0; i < params.size(); ++i) {
    const auto& [name, text] = params[i];
    if (ignoreCase ? EqualIgnoringCase(name, key) : name == key) {
      if (value != nullptr)
        *value = text;
      if (index != nullptr)
        *index = i;
      return true;
    }
  }
  return false;
}

}  // namespace utils
