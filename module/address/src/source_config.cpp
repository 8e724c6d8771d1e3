#include "address/source_config.hpp"

#include <algorithm>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#include "address/address_keys.hpp"
#include "utils/query_params.hpp"
#include "utils/url_parser.hpp"
#include "value_text.hpp"

namespace vs_realsense2 {
namespace {

void CheckScheme(const std::string& scheme, std::vector<std::string>& warnings) {
  if (scheme.empty()) {
    warnings.push_back("the address has no scheme; \"realsense\" is assumed");
  } else if (scheme != "realsense") {
    warnings.push_back("scheme " + Quoted(scheme) +
                       " is not \"realsense\"; the address is read as a realsense address");
  }
}

std::string UnknownKey(std::string_view key) {
  std::string warning = "unknown key " + Quoted(key) + " ignored; keys are case-sensitive";
  const std::string lower = utils::LowerCase(key);
  if (lower != key && FindAddressKey(lower) != nullptr)
    warning += " (\"" + lower + "\" is known)";
  return warning;
}

// A hardware reset makes the camera leave and come back; "any camera" might
// then be another one. Asked for without `sn`, the ladder is a warning; by
// default it is simply off there. A recording is never reset.
void CheckResetNeedsSerial(const std::set<std::string>& seen, SourceConfig& config) {
  if (!config.sn.empty() || !config.playback_from_file.empty())
    return;
  // An unreadable reset_after has its own warning and asks for nothing.
  const bool unreadable =
      std::any_of(config.addressWarnings.begin(), config.addressWarnings.end(),
                  [](const std::string& warning) { return warning.rfind("reset_after ", 0) == 0; });
  const bool afterAsked = seen.count("reset_after") != 0 && config.reset_after > 0 && !unreadable;
  const bool onStartAsked = config.reset_on_start;
  config.reset_after = 0;
  config.reset_on_start = false;
  if (!afterAsked && !onStartAsked)
    return;
  // The line names what the address asked for.
  const std::string keys = afterAsked && onStartAsked ? "reset_after and reset_on_start need"
                           : afterAsked               ? "reset_after needs"
                                                      : "reset_on_start needs";
  config.addressWarnings.push_back(keys +
                                   " sn: after a hardware reset another camera could answer to "
                                   "any camera; no hardware reset");
}

}  // namespace

SourceConfig ReadSourceConfig(const std::string& url, const PresetNames& presets) {
  SourceConfig config;
  const std::unique_ptr<utils::UrlParser> parser = utils::UrlParser::Parse(url, /*normalize=*/true);
  utils::QueryParams params;
  // A query that cannot be split leaves every key at its default.
  if (!parser->GetQueryParams(params))
    params.clear();

  std::vector<std::string>& warnings = config.addressWarnings;
  CheckScheme(parser->GetScheme(), warnings);
  std::set<std::string> seen;
  std::set<std::string> repeated;
  // Warnings of WarnOrder::AfterTheQuery, by the row's place in the table.
  std::vector<std::pair<const AddressKey*, std::string>> afterTheQuery;
  for (const auto& param : params) {
    const std::string& key = param.first;
    const bool first = seen.insert(key).second;
    const AddressKey* row = FindAddressKey(key);
    if (row == nullptr) {
      if (first)
        warnings.push_back(UnknownKey(key));
    } else if (!first) {
      if (repeated.insert(key).second)
        warnings.push_back("key " + Quoted(key) + " given more than once; its first value is used");
    } else if (auto warning = row->read(row->name, param.second, presets, config)) {
      if (row->order == WarnOrder::InQueryOrder)
        warnings.push_back(std::move(*warning));
      else
        afterTheQuery.emplace_back(row, std::move(*warning));
    }
  }
  // Rows live in one vector, so their addresses give their order.
  std::sort(afterTheQuery.begin(), afterTheQuery.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& entry : afterTheQuery)
    warnings.push_back(std::move(entry.second));
  if (!config.playback_from_file.empty() && !config.record_to_file.empty()) {
    warnings.push_back(
        "record_to_file ignored: playback_from_file plays a recording, nothing is "
        "recorded");
    config.record_to_file.clear();
  }
  CheckResetNeedsSerial(seen, config);
  return config;
}

bool SourceConfig::HasControls() const {
  return !json.empty() || !preset.empty() || emitter || laser_power || depth_exposure || exposure ||
         auto_exposure || gain;
}

bool SourceConfig::HasDepthFilters() const {
  const auto on = [](const std::optional<float>& flag) { return flag && *flag != 0.0f; };
  return decimate || min_depth || max_depth || on(spatial) || on(temporal) || hole_fill;
}

}  // namespace vs_realsense2
