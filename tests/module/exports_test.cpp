#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <vs_test_support/module_loader.hpp>

namespace {

std::vector<std::string> DefinedDynamicSymbols(const std::string& library) {
  const std::string command = "nm -D --defined-only '" + library + "'";
  const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::string> names;
  if (!pipe)
    return names;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
    std::istringstream fields(buffer);
    std::string address, type, name;
    if (fields >> address >> type >> name)
      names.push_back(name);
  }
  return names;
}

TEST(ModuleExports, OnlyTheEntryPointIsExported) {
  EXPECT_EQ(DefinedDynamicSymbols(vs_test_support::ModulePath()),
            std::vector<std::string>{"run_realsense_protocol_query"});
}

}  // namespace
