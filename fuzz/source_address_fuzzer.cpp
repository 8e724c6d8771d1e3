// Drives arbitrary bytes along the road of a source address: parse with
// normalisation, split the query, look its keys up, decode values again, and
// read a SourceConfig; then hands the same bytes, as the value of a key the
// first byte picks from the key table, to that key's reader. Besides what the
// sanitizers catch, it aborts when a promise that callers rely on is broken.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "address/address_keys.hpp"
#include "address/source_config.hpp"
#include "utils/url_parser.hpp"

namespace {

void Require(bool holds, const char* promise) {
  if (!holds) {
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
  }
}

const vs_realsense2::PresetNames kPresets = {"Default", "High Accuracy"};

bool ReadConfigThrows(const std::string& address, vs_realsense2::SourceConfig* config) {
  try {
    *config = vs_realsense2::ReadSourceConfig(address, kPresets);
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

    Require(utils::UrlParser::Unescape(value).size() <= value.size(), "decoding never grows");
  }
}

bool NonNegative(const vs_realsense2::SourceConfig& config) {
  return config.c_width >= 0 && config.c_height >= 0 && config.c_fps >= 0 && config.d_width >= 0 &&
         config.d_height >= 0 && config.d_fps >= 0 && config.watchdog_ms >= 0 &&
         config.stats_s >= 0 && config.temp_warn_c >= 0 && config.reset_after >= 0 &&
         config.reset_min_s >= 0 && config.record_keep_mb >= 0 && config.record_keep_files >= 0 &&
         config.record_min_free_mb >= 0 &&
         // A split is off or at least its floor.
         (config.record_split_s == 0 || config.record_split_s >= 10) &&
         (config.record_split_mb == 0 || config.record_split_mb >= 50);
}

// Every byte escaped, so the query split hands the reader exactly `value`.
std::string Escaped(const std::string& value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    escaped += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
  }
  return escaped;
}

// A one-pair address never throws and gets at most one warning, which names its key.
void CheckKeyValue(const vs_realsense2::AddressKey& key, const std::string& value) {
  const auto config =
      vs_realsense2::ReadSourceConfig("realsense://?" + key.name + "=" + Escaped(value), kPresets);
  Require(NonNegative(config), "sizes, rates and intervals are never negative");
  Require(config.addressWarnings.size() <= 1, "one pair gets at most one warning");
  Require(config.addressWarnings.empty() || config.addressWarnings.front().rfind(key.name, 0) == 0,
          "a value's warning names its key");
  Require(config.addressWarnings.empty() || !key.whenUnusable.empty(),
          "a key whose every value can be used warns about none");
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
  Require(NonNegative(config), "sizes, rates and intervals are never negative");

  utils::QueryParams params;
  if (parser->GetQueryParams(params))
    CheckLookups(params);

  if (size > 0) {
    const auto& keys = vs_realsense2::AddressKeys();
    CheckKeyValue(keys[data[0] % keys.size()], address.substr(1));
  }
  return 0;
}
