// The keys of a source address, one row each: how its value is read, what it means, what the
// source does without it and what a value that cannot be used gets. Reading an address, its
// creation warnings, the README's key table and rs-host's --help all come from this table, so
// adding a key is adding a row.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "address/source_config.hpp"

namespace vs_realsense2 {

// Reads the first value of the key `name` into `config`. Returns the warning when the value
// cannot be used as written; the field then holds what the row's whenUnusable says.
using KeyReader =
    std::function<std::optional<std::string>(std::string_view name, const std::string& value,
                                             const PresetNames& presets, SourceConfig& config)>;

// Where a value's warning goes among the others. Stream sizes, rates and intervals are
// warned as the query is walked, next to its unknown and repeated keys; the other values
// after the walk, in table order.
enum class WarnOrder { InQueryOrder, AfterTheQuery };

struct AddressKey {
  std::string name;
  std::string meaning;       // values it quotes are in `backticks`
  std::string byDefault;     // what the source does when the key is missing
  std::string whenUnusable;  // empty when every value can be used
  WarnOrder order;
  KeyReader read;
};

// Every key a source reads, in the order the README and --help list them.
[[nodiscard]] const std::vector<AddressKey>& AddressKeys();

// The row of `name` (case-sensitive), or null.
[[nodiscard]] const AddressKey* FindAddressKey(std::string_view name);

// The table as the README shows it: a Markdown table, one line per key, ending in a newline.
[[nodiscard]] std::string MarkdownKeyTable();

// The table as plain text for a terminal: per key its name, then its meaning, default and
// what an unusable value gets, wrapped to `width` columns.
[[nodiscard]] std::string PlainKeyList(std::size_t width);

}  // namespace vs_realsense2
