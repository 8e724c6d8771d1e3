// The depth post-processing of one session: librealsense2's own blocks, in the order the
// library recommends, then the alignment.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <address/source_config.hpp>
#include <librealsense2/rs.hpp>
#include <utils/noncopyable.hpp>

namespace vs_realsense2 {

// One option of a block as the address gives it.
struct DepthChainSetting {
  const char* key;
  rs2_option option;
  float value;
};

// decimation > threshold > [to disparity > spatial > temporal > to depth] > hole filling >
// align. Each block takes a frameset and gives one back with the depth replaced, so the chain
// is a plain sequence. Built with the session (a restart gets a fresh temporal history), used
// by the reader only.
class DepthChain : private utils::Noncopyable {
 public:
  // Builds what `config` asks for. A value outside its block's own range is a Warning naming
  // the range, and that block is left out; so is a threshold whose lower bound is not below its
  // upper one. When a filter is left in, one Info line names the chain as it will run.
  DepthChain(const SourceConfig& config, const std::string& name);

  // No block at all: the frameset goes out as it came.
  [[nodiscard]] bool Empty() const { return steps_.empty(); }

  // Reader thread. Time stepping back (a recording starting over) first gives the temporal
  // filter a new history, so no depth from before the step is blended into what follows.
  [[nodiscard]] rs2::frameset Process(const rs2::frameset& frames);

 private:
  // Sets each setting on `block` after checking it against the block's range; false (with
  // its Warning written) for the first that lies outside.
  [[nodiscard]] bool Configure(const rs2::filter& block, const char* filter,
                               const std::vector<DepthChainSetting>& settings) const;
  void AddDecimation(const SourceConfig& config, std::vector<std::string>& names);
  void AddThreshold(const SourceConfig& config, std::vector<std::string>& names);
  void AddSmoothing(const SourceConfig& config, std::vector<std::string>& names);
  void AddHoleFilling(const SourceConfig& config, std::vector<std::string>& names);
  void RestartTemporalWhenTimeStepsBack(const rs2::frameset& frames);

  const std::string name_;
  std::vector<rs2::filter> steps_;
  std::vector<DepthChainSetting> temporalSettings_;
  std::optional<std::size_t> temporalAt_;  // its place in steps_
  std::optional<double> lastDepthTime_;    // of the last frameset the temporal filter saw
};

}  // namespace vs_realsense2
