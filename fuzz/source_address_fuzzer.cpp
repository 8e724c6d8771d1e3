// Drives arbitrary bytes along the road of a source address: parse with
// normalisation, split the query, look its keys up, decode values again, and
// read a SourceConfig. Besides what the sanitizers catch, it aborts when a
// promise that callers rely on is broken.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "utils/source_config.hpp"
#include "utils/url_parser.hpp"

namespace {

void Require(bool holds, const char* promise) {
  if (!holds) {
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
  }
}

bool ReadConfigThrows(const std::string& address, vs_realsense2::SourceConfig* config) {
  try {
    *config = vs_realsense2::ReadSourceConfig(address);
    return false;
  } catch (const utils::UrlParserError&) {
    return true;
  }
}

void CheckLookups(const utils::QueryParams& params) {
  for (std::size_t i = 0; i < params.size(); ++i) {
    const auto& [key, value] = params[i];
    std::size_t index = params.size();
    Require(utils::GetParam(params, key, nullptr, false, &index), "a listed key is found");
    Require(index <= i, "the first pair of a key wins");
    Require(utils::GetParam(params, key, nullptr, true, &index) && index <= i,
            "a case-blind lookup finds at least as early a pair");

    int number = 0;
    bool ok = false;
    Require(utils::GetIntParam(params, key, &number, &ok, false), "GetIntParam finds a listed key");
    Require(ok || number == 0, "a failed read stores nothing");

    Require(utils::UrlParser::Unescape(value).size() <= value.size(), "decoding never grows");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string address(reinterpret_cast<const char*>(data), size);
  vs_realsense2::SourceConfig config;
  const bool configThrows = ReadConfigThrows(address, &config);

  std::unique_ptr<utils::UrlParser> parser;
  try {
    parser = utils::UrlParser::Parse(address, true);
  } catch (const utils::UrlParserError& error) {
    // what() ends at the first zero byte, as the expected text does here.
    const std::string expected = "failed to parse URL: '" + address + "'";
    Require(std::strcmp(error.what(), expected.c_str()) == 0, "the error quotes the address");
    Require(configThrows, "ReadSourceConfig rejects what Parse rejects");
    return 0;
  }
  Require(!configThrows, "ReadSourceConfig accepts what Parse accepts");
  Require(config.c_width >= 0 && config.c_height >= 0 && config.c_fps >= 0 && config.d_width >= 0 &&
              config.d_height >= 0 && config.d_fps >= 0,
          "sizes and rates are never negative");

  utils::QueryParams params;
  if (parser->GetQueryParams(params))
    CheckLookups(params);
  return 0;
}
