#include "utils/control_params.hpp"

#include <cmath>
#include <locale>
#include <sstream>
#include <string>

#include "utils/url_parser.hpp"

namespace vs_realsense2 {
namespace {

constexpr bool kIgnoreCase = false;  // keys match byte for byte, like the other keys

// The whole text must be one finite decimal number; the classic locale keeps a host's
// digit grouping or decimal comma from changing what an address means.
std::optional<float> ParseNumber(const std::string& text) {
  std::istringstream stream(text);
  stream.imbue(std::locale::classic());
  float value = 0.0f;
  stream >> value;
  if (stream.fail() || !stream.eof() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

void Warn(SourceConfig& config, const std::string& key, const std::string& value,
          const std::string& problem, const std::string& valid) {
  config.addressWarnings.push_back(key + ": \"" + value + "\" " + problem + " (valid: " + valid +
                                   "); not applied");
}

void ReadNumber(const utils::QueryParams& params, const char* key, const char* valid,
                std::optional<float>& field, SourceConfig& config) {
  std::string text;
  if (!utils::GetParam(params, key, &text, kIgnoreCase, nullptr))
    return;
  if (const auto value = ParseNumber(text)) {
    field = value;
  } else {
    Warn(config, key, text, "is no number", valid);
  }
}

void ReadAlign(const utils::QueryParams& params, SourceConfig& config) {
  std::string text;
  if (!utils::GetParam(params, "align", &text, kIgnoreCase, nullptr))
    return;
  if (utils::LowerCase(text) == "color") {
    config.align = true;
  } else {
    Warn(config, "align", text, "is not valid", "color");
  }
}

void ReadColorFormat(const utils::QueryParams& params, SourceConfig& config) {
  std::string text;
  if (!utils::GetParam(params, "c_format", &text, kIgnoreCase, nullptr))
    return;
  const std::string format = utils::LowerCase(text);
  if (format == "rgb8") {
    config.c_format = ColorFormat::Rgb8;
  } else if (format == "bgr8") {
    config.c_format = ColorFormat::Bgr8;
  } else {
    Warn(config, "c_format", text, "is not valid", "rgb8, bgr8");
  }
}

void ReadAutoExposure(const utils::QueryParams& params, SourceConfig& config) {
  std::string text;
  if (!utils::GetParam(params, "auto_exposure", &text, kIgnoreCase, nullptr))
    return;
  const auto value = ParseNumber(text);
  if (value && (*value == 0.0f || *value == 1.0f)) {
    config.auto_exposure = value;
  } else {
    Warn(config, "auto_exposure", text, value ? "is not valid" : "is no number", "0, 1");
  }
}

}  // namespace

void ReadControlParams(const utils::QueryParams& params, SourceConfig& config) {
  ReadAlign(params, config);
  ReadColorFormat(params, config);
  std::string json;
  if (utils::GetParam(params, "json", &json, kIgnoreCase, nullptr) && !json.empty())
    config.json = utils::UrlParser::Unescape(json);
  utils::GetParam(params, "preset", &config.preset, kIgnoreCase, nullptr);
  ReadNumber(params, "emitter", "0, 1 or 2", config.emitter, config);
  ReadNumber(params, "laser_power", "a number in milliwatts", config.laser_power, config);
  ReadNumber(params, "depth_exposure", "a number in microseconds", config.depth_exposure, config);
  ReadNumber(params, "exposure", "a number in microseconds", config.exposure, config);
  ReadAutoExposure(params, config);
  ReadNumber(params, "gain", "a number", config.gain, config);
}

bool SourceConfig::HasControls() const {
  return !json.empty() || !preset.empty() || emitter || laser_power || depth_exposure || exposure ||
         auto_exposure || gain;
}

}  // namespace vs_realsense2
