#include "sources.hpp"

#include <algorithm>

#include "registry.hpp"

namespace rs2sim {
namespace {

double FirstTimestamp(const SetBlueprint& set) {
  return set.frames.empty() ? 0.0 : set.frames.front().timestamp;
}

// After a stall (a debugger, an overloaded machine) pick up from now instead of bursting.
Clock::time_point CatchUp(Clock::time_point due) {
  const auto now = Clock::now();
  return due + std::chrono::seconds(1) < now ? now : due;
}

}  // namespace

SyntheticSource::SyntheticSource(const DeviceSpec& device, const std::vector<StreamMode>& modes)
    : domain_(device.domain), depthUnits_(device.depthUnits) {
  int fastest = 0;
  for (const auto& mode : modes) {
    streams_.push_back(Stream{mode, TheRegistry().images.Get(mode, device.depthUnits), 0});
    fastest = std::max(fastest, mode.fps);
  }
  tickFps_ = fastest > 0 ? fastest : 30;
  period_ =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / tickFps_));
  next_ = Clock::now();
}

double SyntheticSource::Timestamp() const {
  if (domain_ == RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK)
    return TheRegistry().DeviceClockMs();
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double, std::milli>(sinceEpoch).count();
}

std::optional<SetBlueprint> SyntheticSource::Produce() {
  SetBlueprint set;
  const double timestamp = Timestamp();
  for (auto& s : streams_) {
    const int fps = s.mode.fps > 0 ? s.mode.fps : tickFps_;
    const bool due = tick_ == 0 || (tick_ * fps) / tickFps_ != ((tick_ - 1) * fps) / tickFps_;
    if (!due)
      continue;
    const auto& phases = s.images->phases;
    FrameBlueprint f;
    f.stream = s.mode.stream;
    f.index = s.mode.index;
    f.format = s.mode.format;
    f.width = s.mode.width;
    f.height = s.mode.height;
    f.stride = s.images->stride;
    f.dataSize = s.images->stride * s.mode.height;
    f.timestamp = timestamp;
    f.domain = domain_;
    f.depthUnits = depthUnits_;
    f.storage = phases[static_cast<std::size_t>(s.produced % static_cast<long>(phases.size()))];
    ++s.produced;
    set.frames.push_back(std::move(f));
  }
  ++tick_;
  next_ = CatchUp(next_ + period_);
  return set;
}

PlaybackSource::PlaybackSource(std::unique_ptr<RecordingReader> reader, bool repeat)
    : reader_(std::move(reader)), repeat_(repeat), pending_(reader_->Next()), due_(Clock::now()) {
  if (pending_)
    last_ = FirstTimestamp(*pending_);
}

std::optional<Clock::time_point> PlaybackSource::NextDue() const {
  if (!pending_)
    return std::nullopt;
  return due_;
}

std::optional<SetBlueprint> PlaybackSource::Produce() {
  auto current = std::move(pending_);
  Advance();
  return current;
}

void PlaybackSource::Advance() {
  const double previous = last_;
  pending_ = reader_->Next();
  if (!pending_ && repeat_) {
    reader_->Rewind();
    pending_ = reader_->Next();
    if (pending_)
      pending_->restartsNumbers = true;
  }
  if (!pending_)
    return;
  const double gapMs = std::clamp(FirstTimestamp(*pending_) - previous, 0.0, 100.0);
  last_ = FirstTimestamp(*pending_);
  due_ = CatchUp(due_ + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double, std::milli>(gapMs)));
}

}  // namespace rs2sim
