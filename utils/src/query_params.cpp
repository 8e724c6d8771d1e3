#include "utils/query_params.hpp"

#include <locale>
#include <sstream>

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

bool GetIntParam(const QueryParams& params, const std::string& key, int* value, bool* ok,
                 bool ignoreCase) {
  std::string text;
  if (!GetParam(params, key, &text, ignoreCase, nullptr))
    return false;

  std::istringstream stream(text);
  // A host that installs a global locale with digit grouping would otherwise
  // change what counts as a number in an address.
  stream.imbue(std::locale::classic());
  int number = 0;
  stream >> number;
  // Text ending right after the digits sets eofbit only, which is a success;
  // no digits or an out-of-range number set failbit.
  const bool read = !stream.fail();
  if (value != nullptr && read)
    *value = number;
  if (ok != nullptr)
    *ok = read;
  return true;
}

}  // namespace utils
