// The query split of an address.
#include <utility>

#include <gtest/gtest.h>

#include "utils/url_parser.hpp"

namespace {

using utils::QueryParams;

TEST(UrlParserTest, QuerySplitsIntoDecodedPairsInOrder) {
  const std::pair<const char*, QueryParams> cases[] = {
      {"", {}},
      {"realsense://cam?", {}},
      {"realsense://cam?a=1&&b", {{"a", "1"}, {"b", ""}}},
      {"realsense://cam?k=x=y", {{"k", "x=y"}}},
      {"realsense://cam?k=%41+B&k=2#frag", {{"k", "A B"}, {"k", "2"}}}};
  for (const auto& [address, pairs] : cases) {
    QueryParams params{{"stale", "pair"}};
    EXPECT_TRUE(utils::UrlParser::Parse(address, true)->GetQueryParams(params)) << address;
    EXPECT_EQ(params, pairs) << address;
  }
}

}  // namespace
