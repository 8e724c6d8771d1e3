// The key table against what it promises: the README shows it, and each row's promise about
// an unusable value is what the reader does.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "address/address_keys.hpp"
#include "address_test_support.hpp"

namespace vs_realsense2 {
namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A document's key table: the lines from its header row to the first line that is no row.
std::string KeyTableIn(const std::string& document) {
  std::ifstream readme(document);
  std::string table;
  std::string line;
  while (std::getline(readme, line)) {
    if (table.empty() && line.rfind("| key | meaning |", 0) != 0)
      continue;
    if (line.empty() || line.front() != '|')
      break;
    table += line + '\n';
  }
  return table;
}

TEST(AddressKeysTest, TheDocumentsShowTheTableAsItPrintsItself) {
  for (const char* document : {"README.md", "docs/INTEGRATION.md"}) {
    const std::string table = KeyTableIn(std::string(VSRS_SOURCE_DIR) + "/" + document);
    ASSERT_FALSE(table.empty()) << "no key table in " << document;
    EXPECT_EQ(table, MarkdownKeyTable()) << "the key table of " << document << " is out of date";
  }
}

TEST(AddressKeysTest, AnUnusableValueGetsWhatItsRowSays) {
  int checked = 0;
  for (const AddressKey& key : AddressKeys()) {
    if (key.whenUnusable.empty())
      continue;
    ++checked;
    // A control byte and a letter: no number, no name of any choice or preset.
    const SourceConfig config = Read("realsense://cam?" + key.name + "=%01x");
    ASSERT_EQ(config.addressWarnings.size(), 1u) << key.name;
    const std::string& warning = config.addressWarnings.front();
    EXPECT_EQ(warning.rfind(key.name + (key.order == WarnOrder::InQueryOrder ? " " : ": "), 0), 0u)
        << warning;
    if (EndsWith(key.whenUnusable, " is used"))
      EXPECT_TRUE(EndsWith(warning, "; " + key.whenUnusable)) << warning;
    else
      EXPECT_TRUE(EndsWith(warning, "; not applied")) << key.whenUnusable << " / " << warning;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace vs_realsense2
