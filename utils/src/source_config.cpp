#include "utils/source_config.hpp"

#include <memory>

#include "address_check.hpp"
#include "utils/control_params.hpp"
#include "utils/url_parser.hpp"

namespace vs_realsense2 {

namespace {

constexpr bool kIgnoreCase = false;  // keys match byte for byte, with case

std::int32_t ReadCount(const utils::QueryParams& params, const std::string& key) {
  int value = 0;
  utils::GetIntParam(params, key, &value, nullptr, kIgnoreCase);
  return value < 0 ? 0 : value;
}

// An interval whose value cannot be used keeps its default rather than
// becoming 0, which would turn the feature off.
std::int32_t ReadInterval(const utils::QueryParams& params, const std::string& key,
                          std::int32_t fallback) {
  int value = 0;
  bool ok = false;
  utils::GetIntParam(params, key, &value, &ok, kIgnoreCase);
  return ok && value >= 0 ? value : fallback;
}

// Paths arrive escaped twice so that a path may carry "&", "=", "+" or "%"
// through the query; the query split has already removed one layer.
std::string ReadPath(const utils::QueryParams& params, const std::string& key) {
  std::string value;
  utils::GetParam(params, key, &value, kIgnoreCase, nullptr);
  return value.empty() ? value : utils::UrlParser::Unescape(value);
}

}  // namespace

SourceConfig ReadSourceConfig(const std::string& url) {
  SourceConfig config;
  const std::unique_ptr<utils::UrlParser> parser = utils::UrlParser::Parse(url, true);

  utils::QueryParams params;
  // A query that cannot be split leaves every parameter at its default.
  parser->GetQueryParams(params);

  utils::GetParam(params, "sn", &config.sn, kIgnoreCase, nullptr);
  config.record_to_file = ReadPath(params, "record_to_file");
  config.playback_from_file = ReadPath(params, "playback_from_file");
  config.c_width = ReadCount(params, "c_width");
  config.c_height = ReadCount(params, "c_height");
  config.c_fps = ReadCount(params, "c_fps");
  config.d_width = ReadCount(params, "d_width");
  config.d_height = ReadCount(params, "d_height");
  config.d_fps = ReadCount(params, "d_fps");
  config.watchdog_ms = ReadInterval(params, "watchdog_ms", config.watchdog_ms);
  config.stats_s = ReadInterval(params, "stats_s", config.stats_s);
  config.addressWarnings = CheckAddress(parser->GetScheme(), params);
  // After the general check, which sets the list: these add to it.
  ReadControlParams(params, config);
  return config;
}

}  // namespace vs_realsense2
