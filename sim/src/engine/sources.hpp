// Where a run's framesets come from when no test emits them: the synthetic picture of a
// virtual camera, or a recording played back.

#ifndef RS2SIM_SRC_ENGINE_SOURCES_HPP
#define RS2SIM_SRC_ENGINE_SOURCES_HPP

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "blueprint.hpp"
#include "recording.hpp"

namespace rs2sim {

using Clock = std::chrono::steady_clock;

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // When the next frameset is due; nothing while no frameset will come on its own.
  virtual std::optional<Clock::time_point> NextDue() const = 0;
  // The frameset that is due now.
  virtual std::optional<SetBlueprint> Produce() = 0;
};

// Devices driven only by Emit().
class ManualSource : public FrameSource {
 public:
  std::optional<Clock::time_point> NextDue() const override { return std::nullopt; }
  std::optional<SetBlueprint> Produce() override { return std::nullopt; }
};

// Real-time frames of pre-rendered images at the negotiated rates; the fastest stream sets the
// tick and slower streams join every n-th frameset.
class SyntheticSource : public FrameSource {
 public:
  SyntheticSource(const DeviceSpec& device, const std::vector<StreamMode>& modes);
  std::optional<Clock::time_point> NextDue() const override { return next_; }
  std::optional<SetBlueprint> Produce() override;

 private:
  struct Stream {
    StreamMode mode;
    std::shared_ptr<const RenderedMode> images;
    long produced = 0;
  };
  double Timestamp() const;

  std::vector<Stream> streams_;
  rs2_timestamp_domain domain_;
  float depthUnits_;
  int tickFps_;
  Clock::duration period_;
  Clock::time_point next_;
  long tick_ = 0;
};

// A recording, paced by the gaps between its timestamps (each gap held to 0..100 ms), optionally
// starting over at its end.
class PlaybackSource : public FrameSource {
 public:
  PlaybackSource(std::unique_ptr<RecordingReader> reader, bool repeat);
  std::optional<Clock::time_point> NextDue() const override;
  std::optional<SetBlueprint> Produce() override;

 private:
  void Advance();

  std::unique_ptr<RecordingReader> reader_;
  bool repeat_;
  std::optional<SetBlueprint> pending_;
  double last_ = 0.0;  // timestamp of the frameset produced last
  Clock::time_point due_;
};

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_SOURCES_HPP
