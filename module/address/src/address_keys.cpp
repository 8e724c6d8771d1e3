#include "address/address_keys.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "utils/query_params.hpp"
#include "utils/url_parser.hpp"
#include "value_text.hpp"

namespace vs_realsense2 {
namespace {

// What a row is besides its name and meaning.
struct KeyRule {
  std::string byDefault;
  std::string whenUnusable;
  WarnOrder order;
  KeyReader read;
};

AddressKey Key(std::string name, std::string meaning, KeyRule rule) {
  return AddressKey{
      std::move(name), std::move(meaning),  std::move(rule.byDefault), std::move(rule.whenUnusable),
      rule.order,      std::move(rule.read)};
}

std::string Joined(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items)
    joined += (joined.empty() ? "" : ", ") + item;
  return joined;
}

std::string NotApplied(std::string_view name, const std::string& value, const char* problem,
                       const std::string& valid) {
  return std::string(name) + ": " + Quoted(value) + " " + problem + " (valid: " + valid +
         "); not applied";
}

KeyRule Text(std::string SourceConfig::*field, std::string byDefault) {
  return {std::move(byDefault), "", WarnOrder::AfterTheQuery,
          [field](std::string_view, const std::string& value, const PresetNames&,
                  SourceConfig& config) -> std::optional<std::string> {
            config.*field = value;
            return std::nullopt;
          }};
}

// Paths arrive escaped twice so that a path may carry "&", "=", "+" or "%" through the
// query; the query split has already removed one layer.
KeyRule Path(std::string SourceConfig::*field, std::string byDefault) {
  return {std::move(byDefault), "", WarnOrder::AfterTheQuery,
          [field](std::string_view, const std::string& value, const PresetNames&,
                  SourceConfig& config) -> std::optional<std::string> {
            config.*field = value.empty() ? value : utils::UrlParser::Unescape(value);
            return std::nullopt;
          }};
}

// A whole number that cannot be used becomes `fallback`; text after the number is ignored.
KeyRule WholeNumber(std::int32_t SourceConfig::*field, std::int32_t fallback,
                    const char* fallbackMeaning, std::string byDefault) {
  std::string used = std::to_string(fallback) + " (" + fallbackMeaning + ") is used";
  return {
      std::move(byDefault), used, WarnOrder::InQueryOrder,
      [field, fallback, used](std::string_view name, const std::string& value, const PresetNames&,
                              SourceConfig& config) -> std::optional<std::string> {
        const WholeRead read = ReadWhole(value);
        if (read.shape == WholeShape::Whole) {
          config.*field = read.value;
          return std::nullopt;
        }
        const std::string start = std::string(name) + ' ' + Quoted(value);
        if (read.shape == WholeShape::TrailingText) {
          config.*field = read.value;
          return start + " has text after the number; " + std::to_string(read.value) + " is used";
        }
        config.*field = fallback;
        const char* problem = read.shape == WholeShape::Negative     ? " is negative"
                              : read.shape == WholeShape::OutOfRange ? " is out of range"
                                                                     : " is not a number";
        return start + problem + "; " + used;
      }};
}

// A size or rate: 0 lets the camera library choose.
KeyRule Count(std::int32_t SourceConfig::*field) {
  return WholeNumber(field, 0, "any", "any");
}

// An interval keeps its default rather than becoming 0, which would turn its feature off.
KeyRule Interval(std::int32_t SourceConfig::*field) {
  const std::int32_t fallback = SourceConfig{}.*field;
  return WholeNumber(field, fallback, "the default", std::to_string(fallback));
}

// A limit that is off at 0; a value that cannot be used turns it off.
KeyRule Limit(std::int32_t SourceConfig::*field) {
  return WholeNumber(field, 0, "off", "off");
}

// A limit below `floor` would make files faster than the library can open them: raised.
KeyRule LimitWithFloor(std::int32_t SourceConfig::*field, std::int32_t floor, const char* unit) {
  KeyRule rule = Limit(field);
  rule.read = [field, floor, unit, read = std::move(rule.read)](
                  std::string_view name, const std::string& value, const PresetNames& presets,
                  SourceConfig& config) -> std::optional<std::string> {
    std::optional<std::string> warning = read(name, value, presets, config);
    if (config.*field == 0 || config.*field >= floor)
      return warning;
    const std::string asked = std::to_string(config.*field);
    config.*field = floor;
    const std::string raised =
        "raised to " + std::to_string(floor) + " " + unit + ", the shortest split";
    // A number read despite text after it is raised all the same, in the same line.
    if (warning)
      return *warning + ", then " + raised;
    return std::string(name) + "=" + asked + " " + raised;
  };
  return rule;
}

// One of a few names, in any letter case.
template <class T>
KeyRule Choice(T SourceConfig::*field, std::vector<std::pair<std::string, T>> choices,
               std::string byDefault) {
  std::vector<std::string> names;
  for (const auto& choice : choices)
    names.push_back(choice.first);
  std::string valid = Joined(names);
  return {std::move(byDefault), "not applied (valid: " + valid + ")", WarnOrder::AfterTheQuery,
          [field, choices = std::move(choices), valid](
              std::string_view name, const std::string& value, const PresetNames&,
              SourceConfig& config) -> std::optional<std::string> {
            const std::string wanted = utils::LowerCase(value);
            for (const auto& choice : choices) {
              if (choice.first == wanted) {
                config.*field = choice.second;
                return std::nullopt;
              }
            }
            return NotApplied(name, value, "is not valid", valid);
          }};
}

// A decimal number for a camera control; when `allowed` is not empty, only one of those.
KeyRule Decimal(std::optional<float> SourceConfig::*field, std::string valid,
                std::vector<float> allowed = {}) {
  return {
      "camera's", "not applied (valid: " + valid + ")", WarnOrder::AfterTheQuery,
      [field, valid, allowed = std::move(allowed)](
          std::string_view name, const std::string& value, const PresetNames&,
          SourceConfig& config) -> std::optional<std::string> {
        const std::optional<float> number = ReadDecimal(value);
        if (!number)
          return NotApplied(name, value, "is no number", valid);
        if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), *number) == allowed.end())
          return NotApplied(name, value, "is not valid", valid);
        config.*field = number;
        return std::nullopt;
      }};
}

// A decimal number for a depth filter; its range is the filter block's, checked at start.
KeyRule FilterValue(std::optional<float> SourceConfig::*field, std::string valid,
                    std::string byDefault, std::vector<float> allowed = {}) {
  KeyRule rule = Decimal(field, std::move(valid), std::move(allowed));
  rule.byDefault = std::move(byDefault);
  return rule;
}

// The name stays as written even when unknown, so the source still counts it as a control.
KeyRule Preset() {
  return {"camera's", "not applied (valid: the camera library's preset names)",
          WarnOrder::AfterTheQuery,
          [](std::string_view name, const std::string& value, const PresetNames& presets,
             SourceConfig& config) -> std::optional<std::string> {
            config.preset = value;
            const std::string wanted = utils::LowerCase(value);
            const bool known =
                value.empty() ||
                std::any_of(presets.begin(), presets.end(), [&](const std::string& preset) {
                  return utils::LowerCase(preset) == wanted;
                });
            if (known)
              return std::nullopt;
            return NotApplied(name, value, "is no visual preset", Joined(presets));
          }};
}

std::vector<AddressKey> MakeTable() {
  using C = SourceConfig;
  return {
      Key("sn", "serial number of the camera", Text(&C::sn, "any camera")),
      Key("c_width", "colour stream width", Count(&C::c_width)),
      Key("c_height", "colour stream height", Count(&C::c_height)),
      Key("c_fps", "colour stream rate, frames per second", Count(&C::c_fps)),
      Key("d_width", "depth stream width (depth is always Z16)", Count(&C::d_width)),
      Key("d_height", "depth stream height", Count(&C::d_height)),
      Key("d_fps", "depth stream rate, frames per second", Count(&C::d_fps)),
      Key("record_to_file", "record the live streams to this path (percent-encoded)",
          Path(&C::record_to_file, "no recording")),
      Key("record_split_s",
          "with `record_to_file`: a new file every N seconds of recording, named "
          "`<stem>-<UTC start yyyymmddThhmmssZ><ext>` beside the given path; at least 10",
          LimitWithFloor(&C::record_split_s, 10, "s")),
      Key("record_split_mb",
          "with `record_to_file`: a new file once the file reaches N MB (named as with "
          "`record_split_s`); at least 50",
          LimitWithFloor(&C::record_split_mb, 50, "MB")),
      Key("record_keep_mb",
          "with a split: the oldest files of the series are deleted until it takes at most N MB, "
          "the open file included",
          Limit(&C::record_keep_mb)),
      Key("record_keep_files",
          "with a split: the oldest files of the series are deleted until at most N remain, the "
          "open file included",
          Limit(&C::record_keep_files)),
      Key("record_min_free_mb",
          "with `record_to_file`: below N MB free on its filesystem the recording pauses (and "
          "its file is closed below half of it), live video goes on; `0` = never",
          Interval(&C::record_min_free_mb)),
      Key("playback_from_file",
          "play this recording (a regular file) in a loop instead of a camera",
          Path(&C::playback_from_file, "live camera")),
      Key("watchdog_ms",
          "silence (no packet reaching the server), in ms, after which a started source "
          "rebuilds itself; `0` = never; raised to 100 ms and 3 frame intervals at least "
          "(see Recovery)",
          Interval(&C::watchdog_ms)),
      Key("stats_s",
          "seconds between two health lines of the source; `0` = no line and no counting",
          Interval(&C::stats_s)),
      Key("temp_warn_c",
          "°C above which the camera's ASIC or projector temperature is a `Warning` (once per "
          "crossing); `0` = no warning",
          WholeNumber(&C::temp_warn_c, 0, "off", "off")),
      Key("reset_after",
          "failed restart tries in a row of a listed camera after which the supervisor resets "
          "it (`rs2::device::hardware_reset`); `0` = never; needs `sn` (see Recovery)",
          Interval(&C::reset_after)),
      Key("reset_min_s", "seconds that at least lie between two hardware resets of the camera",
          Interval(&C::reset_min_s)),
      Key("reset_on_start",
          "`1`: reset the camera before the first start (clears a state an earlier process "
          "left); needs `sn`",
          Choice<bool>(&C::reset_on_start, {{"0", false}, {"1", true}}, "`0`")),
      Key("align",
          "`color`: the `depth` attachment aligned to the colour image (colour width "
          "and height, stride = width × 2, same units), by librealsense2's align "
          "block on the reader thread",
          Choice<bool>(&C::align, {{"color", true}}, "own depth geometry")),
      Key("c_format", "live colour layout: `rgb8` (pixel format 16) or `bgr8` (pixel format 8)",
          Choice<ColorFormat>(
              &C::c_format, {{"rgb8", ColorFormat::Rgb8}, {"bgr8", ColorFormat::Bgr8}}, "`rgb8`")),
      Key("json",
          "advanced-mode settings file loaded at each start (percent-encoded path; "
          "advanced mode must already be on)",
          Path(&C::json, "camera's settings")),
      Key("emitter", "depth emitter: 0 off, 1 on, 2 auto (where the camera has it)",
          Decimal(&C::emitter, "0, 1 or 2")),
      Key("laser_power", "laser power, mW", Decimal(&C::laser_power, "a number in milliwatts")),
      Key("depth_exposure", "depth exposure, µs",
          Decimal(&C::depth_exposure, "a number in microseconds")),
      Key("exposure", "colour exposure, µs; switches colour auto exposure off",
          Decimal(&C::exposure, "a number in microseconds")),
      Key("auto_exposure", "colour auto exposure, `0` or `1`",
          Decimal(&C::auto_exposure, "0, 1", {0.0f, 1.0f})),
      Key("gain", "colour gain", Decimal(&C::gain, "a number")),
      Key("preset",
          "depth visual preset by librealsense2's name, any case (`Default`, `Hand`, "
          "`High Accuracy`, `High Density`, `Medium Density`, …)",
          Preset()),
      Key("decimate",
          "depth decimation factor `2`..`8` (librealsense2's decimation filter): width and "
          "height of the `depth` attachment divided by it",
          FilterValue(&C::decimate, "2 to 8", "no decimation")),
      Key("min_depth", "depth nearer than this many metres becomes 0 (threshold filter)",
          FilterValue(&C::min_depth, "a number in metres", "nothing cut")),
      Key("max_depth", "depth farther than this many metres becomes 0 (threshold filter)",
          FilterValue(&C::max_depth, "a number in metres", "nothing cut")),
      Key("spatial", "`1`: edge-preserving spatial smoothing, in the disparity domain",
          FilterValue(&C::spatial, "0, 1", "off", {0.0f, 1.0f})),
      Key("spatial_alpha", "spatial filter smooth alpha (with `spatial=1`)",
          FilterValue(&C::spatial_alpha, "a number", "library's")),
      Key("spatial_delta", "spatial filter smooth delta (with `spatial=1`)",
          FilterValue(&C::spatial_delta, "a number", "library's")),
      Key("temporal", "`1`: temporal smoothing over frames, in the disparity domain",
          FilterValue(&C::temporal, "0, 1", "off", {0.0f, 1.0f})),
      Key("temporal_alpha", "temporal filter smooth alpha (with `temporal=1`)",
          FilterValue(&C::temporal_alpha, "a number", "library's")),
      Key("temporal_delta", "temporal filter smooth delta (with `temporal=1`)",
          FilterValue(&C::temporal_delta, "a number", "library's")),
      Key("hole_fill",
          "hole filling mode: `0` from the left, `1` farthest around, `2` nearest around",
          FilterValue(&C::hole_fill, "0, 1 or 2", "off")),
  };
}

}  // namespace

const std::vector<AddressKey>& AddressKeys() {
  static const std::vector<AddressKey> keys = MakeTable();
  return keys;
}

const AddressKey* FindAddressKey(std::string_view name) {
  const auto& keys = AddressKeys();
  const auto found = std::find_if(keys.begin(), keys.end(),
                                  [&](const AddressKey& key) { return key.name == name; });
  return found == keys.end() ? nullptr : &*found;
}

}  // namespace vs_realsense2
