#include "utils/url_parser.hpp"

#include <string>

#include <gtest/gtest.h>

namespace {

using utils::QueryParams;
using utils::UrlParser;

QueryParams SplitQuery(const std::string& address) {
  QueryParams params{{"stale", "pair"}};
  EXPECT_TRUE(UrlParser::Parse(address, true)->GetQueryParams(params));
  return params;
}

TEST(UrlParserTest, EmptyTextParsesToNoParameters) {
  EXPECT_EQ(SplitQuery(""), QueryParams{});
}

TEST(UrlParserTest, TextThatIsNoUriThrowsWithTheTextQuoted) {
  for (const bool normalize : {true, false}) {
    for (const std::string text :
         {"realsense://cam?sn=a b", "realsense://cam/%zz", "http://[::1"}) {
      try {
        UrlParser::Parse(text, normalize);
        ADD_FAILURE() << "accepted: " << text;
      } catch (const utils::UrlParserError& error) {
        EXPECT_EQ(std::string(error.what()), "failed to parse URL: '" + text + "'");
      }
    }
  }
}

TEST(UrlParserTest, QuerySplitsIntoDecodedPairsInOrder) {
  EXPECT_EQ(SplitQuery("realsense://cam"), QueryParams{});
  EXPECT_EQ(SplitQuery("realsense://cam?"), QueryParams{});
  EXPECT_EQ(SplitQuery("realsense://cam?a=1&&b"), (QueryParams{{"a", "1"}, {"b", ""}}));
  EXPECT_EQ(SplitQuery("realsense://cam?k=x=y"), (QueryParams{{"k", "x=y"}}));
  EXPECT_EQ(SplitQuery("realsense://cam?k=%41+B&k=2#frag"),
            (QueryParams{{"k", "A B"}, {"k", "2"}}));
  EXPECT_EQ(SplitQuery("?%73n=1&=v"), (QueryParams{{"sn", "1"}, {"", "v"}}));
}

TEST(UrlParserTest, UnescapeDecodesOnce) {
  EXPECT_EQ(UrlParser::Unescape(""), "");
  EXPECT_EQ(UrlParser::Unescape("A B"), "A B");
  EXPECT_EQ(UrlParser::Unescape("A%2BB"), "A+B");
  EXPECT_EQ(UrlParser::Unescape("a+b"), "a b");
  EXPECT_EQ(UrlParser::Unescape("x%2525y"), "x%25y");
  EXPECT_EQ(UrlParser::Unescape("100%"), "100%");
  EXPECT_EQ(UrlParser::Unescape("%4g%"), "%4g%");
  EXPECT_EQ(UrlParser::Unescape("l1%0D%0Al2%0A"), "l1\r\nl2\n");
  EXPECT_EQ(UrlParser::Unescape("a%00b"), std::string("a\0b", 3));
}

TEST(GetParamTest, FirstMatchingKeyWins) {
  const QueryParams params{{"Sn", "upper"}, {"sn", "first"}, {"sn", "second"}};
  std::string value = "untouched";
  std::size_t index = 99;

  EXPECT_TRUE(utils::GetParam(params, "sn", &value, false, &index));
  EXPECT_EQ(value, "first");
  EXPECT_EQ(index, 1u);

  EXPECT_TRUE(utils::GetParam(params, "SN", &value, true, &index));
  EXPECT_EQ(value, "upper");
  EXPECT_EQ(index, 0u);

  EXPECT_TRUE(utils::GetParam(params, "sn", nullptr, false, nullptr));
}

TEST(GetParamTest, MissingKeyTouchesNoOutput) {
  const QueryParams params{{"sn", "1"}, {"snx", "2"}};
  std::string value = "untouched";
  std::size_t index = 99;
  EXPECT_FALSE(utils::GetParam(params, "SN", &value, false, &index));
  EXPECT_FALSE(utils::GetParam(params, "s", &value, true, &index));
  EXPECT_EQ(value, "untouched");
  EXPECT_EQ(index, 99u);
}

TEST(GetIntParamTest, ReadsTheLeadingDecimalNumber) {
  const QueryParams params{{"n", " -12abc"},
                           {"empty", ""},
                           {"text", "abc"},
                           {"big", "2147483648"},
                           {"max", "2147483647"}};
  struct Case {
    const char* key;
    bool ok;
    int value;
  };
  for (const Case& expected :
       {Case{"n", true, -12}, Case{"empty", false, 7}, Case{"text", false, 7},
        Case{"big", false, 7}, Case{"max", true, 2147483647}}) {
    int value = 7;
    bool ok = !expected.ok;
    EXPECT_TRUE(utils::GetIntParam(params, expected.key, &value, &ok, false)) << expected.key;
    EXPECT_EQ(ok, expected.ok) << expected.key;
    EXPECT_EQ(value, expected.value) << expected.key;
  }
}

TEST(GetIntParamTest, MissingKeyTouchesNoOutput) {
  int value = 7;
  bool ok = true;
  EXPECT_FALSE(utils::GetIntParam({{"N", "1"}}, "n", &value, &ok, false));
  EXPECT_EQ(value, 7);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(utils::GetIntParam({{"N", "1"}}, "n", &value, &ok, true));
  EXPECT_EQ(value, 1);
}

}  // namespace
