// The key table as documentation: Markdown for the README, plain text for --help.
#include <algorithm>
#include <sstream>

#include "address/address_keys.hpp"

namespace vs_realsense2 {
namespace {

constexpr const char* kNothing = "—";  // a key every value of which can be used

std::string WithoutBackticks(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '`'), text.end());
  return text;
}

// Wraps `text` at spaces into lines of at most `width` columns, each after `indent` spaces;
// the first line continues where the caller left off at column `column`.
std::string Wrapped(const std::string& text, std::size_t indent, std::size_t column,
                    std::size_t width) {
  std::istringstream words(text);
  std::string out;
  std::string word;
  bool lineEmpty = true;
  while (words >> word) {
    // Columns count characters, not the bytes of a UTF-8 sequence.
    const auto length =
        static_cast<std::size_t>(std::count_if(word.begin(), word.end(), [](char c) {
          return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    if (!lineEmpty && column + 1 + length > width) {
      out += '\n' + std::string(indent, ' ');
      column = indent;
      lineEmpty = true;
    }
    if (!lineEmpty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += length;
    lineEmpty = false;
  }
  return out;
}

}  // namespace

std::string MarkdownKeyTable() {
  std::ostringstream table;
  table << "| key | meaning | default | a value that cannot be used |\n|---|---|---|---|\n";
  for (const AddressKey& key : AddressKeys()) {
    table << "| `" << key.name << "` | " << key.meaning << " | " << key.byDefault << " | "
          << (key.whenUnusable.empty() ? kNothing : key.whenUnusable) << " |\n";
  }
  return table.str();
}

std::string PlainKeyList(std::size_t width) {
  constexpr std::size_t kIndent = 2;
  constexpr std::size_t kTextColumn = 22;
  std::string list;
  for (const AddressKey& key : AddressKeys()) {
    std::string text =
        WithoutBackticks(key.meaning) + " (default: " + WithoutBackticks(key.byDefault);
    if (!key.whenUnusable.empty())
      text += "; if unusable: " + key.whenUnusable;
    text += ")";
    std::string line = std::string(kIndent, ' ') + key.name;
    line.resize(std::max(kTextColumn, line.size() + 1), ' ');
    list += line + Wrapped(text, kTextColumn, line.size(), width) + '\n';
  }
  return list;
}

}  // namespace vs_realsense2
