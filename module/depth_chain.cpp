#include "depth_chain.hpp"

#include <sstream>
#include <utility>

#include "logger.hpp"

namespace vs_realsense2 {
namespace {

constexpr const char* kTag = "DepthChain";

// As written in an address: "0.3", "4", "0.25".
std::string Number(float value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// With at least one decimal, as a distance reads: "0.3", "4.0".
std::string Metres(float value) {
  std::string text = Number(value);
  if (text.find_first_of(".e") == std::string::npos)
    text += ".0";
  return text;
}

bool On(const std::optional<float>& flag) {
  return flag && *flag != 0.0f;
}

// " alpha 0.6 delta 30" for the options the address gives.
std::string Given(const std::optional<float>& alpha, const std::optional<float>& delta) {
  std::string text;
  if (alpha)
    text += " alpha " + Number(*alpha);
  if (delta)
    text += " delta " + Number(*delta);
  return text;
}

// The library's rs2::filter also has a constructor from any callable, which a block of a
// derived class would choose: going through the base reference copies the block itself.
rs2::filter AsFilter(const rs2::filter& block) {
  return block;
}

void Add(std::vector<DepthChainSetting>& settings, const char* key, rs2_option option,
         const std::optional<float>& value) {
  if (value)
    settings.push_back({key, option, *value});
}

}  // namespace

DepthChain::DepthChain(const SourceConfig& config, const std::string& name) : name_(name) {
  std::vector<std::string> names;
  AddDecimation(config, names);
  AddThreshold(config, names);
  AddSmoothing(config, names);
  AddHoleFilling(config, names);
  const bool filters = !steps_.empty();
  if (config.align) {
    steps_.push_back(AsFilter(rs2::align(RS2_STREAM_COLOR)));
    names.emplace_back("align color");
  }
  if (!filters)
    return;
  Log(orvlog::Severity::Info, name_, kTag, [&](std::ostream& os) {
    os << "depth chain: ";
    for (std::size_t i = 0; i < names.size(); ++i)
      os << (i == 0 ? "" : " > ") << names[i];
  });
}

bool DepthChain::Configure(const rs2::filter& block, const char* filter,
                           const std::vector<DepthChainSetting>& settings) const {
  for (const DepthChainSetting& setting : settings) {
    const rs2::option_range range = block.get_option_range(setting.option);
    if (!(setting.value >= range.min && setting.value <= range.max)) {
      Log(orvlog::Severity::Warning, name_, kTag, [&](std::ostream& os) {
        os << setting.key << ": " << Number(setting.value) << " is not in the " << filter
           << " filter's range " << Number(range.min) << ".." << Number(range.max) << "; " << filter
           << " off";
      });
      return false;
    }
    block.set_option(setting.option, setting.value);
  }
  return true;
}

// Magnitude 1 is in the block's range but changes nothing: no block.
void DepthChain::AddDecimation(const SourceConfig& config, std::vector<std::string>& names) {
  if (!config.decimate || *config.decimate == 1.0f)
    return;
  const rs2::decimation_filter block;
  if (!Configure(block, "decimation",
                 {{"decimate", RS2_OPTION_FILTER_MAGNITUDE, *config.decimate}}))
    return;
  steps_.push_back(AsFilter(block));
  names.push_back("decimate " + Number(*config.decimate));
}

// A bound not given cuts nothing: the block's own defaults (0.15 m and 4 m) would.
void DepthChain::AddThreshold(const SourceConfig& config, std::vector<std::string>& names) {
  if (!config.min_depth && !config.max_depth)
    return;
  const rs2::threshold_filter block;
  const float min = config.min_depth.value_or(block.get_option_range(RS2_OPTION_MIN_DISTANCE).min);
  const float max = config.max_depth.value_or(block.get_option_range(RS2_OPTION_MAX_DISTANCE).max);
  if (!Configure(block, "threshold",
                 {{"min_depth", RS2_OPTION_MIN_DISTANCE, min},
                  {"max_depth", RS2_OPTION_MAX_DISTANCE, max}}))
    return;
  if (min >= max) {
    Log(orvlog::Severity::Warning, name_, kTag, [&](std::ostream& os) {
      os << "min_depth " << Number(min) << " is not below max_depth " << Number(max)
         << "; threshold off";
    });
    return;
  }
  steps_.push_back(AsFilter(block));
  names.push_back("threshold " + Metres(min) + "-" + Metres(max) + " m");
}

// Spatial and temporal smoothing work in the disparity domain, as the library recommends;
// the chain goes there and back only when one of them runs.
void DepthChain::AddSmoothing(const SourceConfig& config, std::vector<std::string>& names) {
  std::optional<rs2::filter> spatial;
  if (On(config.spatial)) {
    std::vector<DepthChainSetting> settings;
    Add(settings, "spatial_alpha", RS2_OPTION_FILTER_SMOOTH_ALPHA, config.spatial_alpha);
    Add(settings, "spatial_delta", RS2_OPTION_FILTER_SMOOTH_DELTA, config.spatial_delta);
    const rs2::spatial_filter block;
    if (Configure(block, "spatial", settings))
      spatial = AsFilter(block);
  }
  std::optional<rs2::filter> temporal;
  if (On(config.temporal)) {
    Add(temporalSettings_, "temporal_alpha", RS2_OPTION_FILTER_SMOOTH_ALPHA, config.temporal_alpha);
    Add(temporalSettings_, "temporal_delta", RS2_OPTION_FILTER_SMOOTH_DELTA, config.temporal_delta);
    const rs2::temporal_filter block;
    if (Configure(block, "temporal", temporalSettings_))
      temporal = AsFilter(block);
  }
  if (!spatial && !temporal)
    return;
  steps_.push_back(AsFilter(rs2::disparity_transform(/*transform_to_disparity=*/true)));
  names.emplace_back("disparity");
  if (spatial) {
    steps_.push_back(*spatial);
    names.push_back("spatial" + Given(config.spatial_alpha, config.spatial_delta));
  }
  if (temporal) {
    temporalAt_ = steps_.size();
    steps_.push_back(*temporal);
    names.push_back("temporal" + Given(config.temporal_alpha, config.temporal_delta));
  }
  steps_.push_back(AsFilter(rs2::disparity_transform(/*transform_to_disparity=*/false)));
  names.emplace_back("depth");
}

void DepthChain::AddHoleFilling(const SourceConfig& config, std::vector<std::string>& names) {
  if (!config.hole_fill)
    return;
  const rs2::hole_filling_filter block;
  if (!Configure(block, "hole filling", {{"hole_fill", RS2_OPTION_HOLES_FILL, *config.hole_fill}}))
    return;
  steps_.push_back(AsFilter(block));
  names.push_back("hole fill " + Number(*config.hole_fill));
}

rs2::frameset DepthChain::Process(const rs2::frameset& frames) {
  if (temporalAt_)
    RestartTemporalWhenTimeStepsBack(frames);
  rs2::frameset result = frames;
  for (const rs2::filter& step : steps_)
    result = step.process(result);
  return result;
}

// The library's temporal filter has no reset: a new block is a new history. Its settings
// were checked when the chain was built.
void DepthChain::RestartTemporalWhenTimeStepsBack(const rs2::frameset& frames) {
  const rs2::depth_frame depth = frames.get_depth_frame();
  if (!depth)
    return;
  const double time = depth.get_timestamp();
  const bool back = lastDepthTime_ && time < *lastDepthTime_;
  lastDepthTime_ = time;
  if (!back)
    return;
  const rs2::temporal_filter block;
  for (const DepthChainSetting& setting : temporalSettings_)
    block.set_option(setting.option, setting.value);
  steps_[*temporalAt_] = AsFilter(block);
  LogSafely(orvlog::Severity::Debug, name_, kTag,
            "time stepped back: the temporal filter starts a new history");
}

}  // namespace vs_realsense2
