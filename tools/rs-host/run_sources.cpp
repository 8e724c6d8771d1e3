#include "run_sources.hpp"

#include <chrono>

namespace rs_host {
namespace {

void CountEvent(SourceStatistics& statistics, const SourceEvent& event) {
  const auto now = std::chrono::steady_clock::now();
  switch (event.event) {
    case ModuleEvent::LostFrames:
      statistics.AddLostFrames(event.count);
      break;
    case ModuleEvent::RestartBegins:
      statistics.RecordRestartBegins(now);
      break;
    case ModuleEvent::RestartTryFailed:
      statistics.RecordRestartTryFailed();
      break;
    case ModuleEvent::StreamingAgain:
      statistics.RecordStreamingAgain(now);
      break;
    case ModuleEvent::HardwareReset:
      statistics.RecordHardwareReset();
      break;
    case ModuleEvent::Health:
      statistics.AddHealth(event.health);
      break;
  }
}

}  // namespace

RunSources::RunSources(const Options& options) {
  for (std::size_t i = 0; i < options.addresses.size(); ++i) {
    sources_.push_back(
        std::make_unique<HostedSource>(options.names[i], options.addresses[i], options.frames));
    statistics_[options.names[i]] = &sources_.back()->Handler().Statistics();
  }
  events_.emplace([this](const SourceEvent& event) {
    const auto found = statistics_.find(event.source);
    if (found != statistics_.end())
      CountEvent(*found->second, event);
  });
}

void RunSources::StartAll(vid_db::Protocol& protocol) {
  starts_.emplace(sources_, protocol);
}

SourceState RunSources::StateOf(std::size_t index) const {
  if (!starts_)
    return SourceState::NotRunning;
  switch (starts_->PhaseOf(index)) {
    case SourceStarts::Phase::Starting:
      return SourceState::Starting;
    case SourceStarts::Phase::Started:
      return SourceState::Running;
    case SourceStarts::Phase::Failed:
      break;
  }
  return SourceState::NotRunning;
}

bool RunSources::Starting() const {
  return starts_ && starts_->Busy();
}

bool RunSources::AnyStarted() const {
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    if (StateOf(i) == SourceState::Running)
      return true;
  }
  return false;
}

bool RunSources::AnyFailed() const {
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    if (starts_ && starts_->PhaseOf(i) == SourceStarts::Phase::Failed)
      return true;
  }
  return false;
}

std::vector<std::string> RunSources::TakeStartFailures() {
  std::vector<std::string> lines;
  for (; starts_ && reported_ < sources_.size(); ++reported_) {
    const auto phase = starts_->PhaseOf(reported_);
    if (phase == SourceStarts::Phase::Starting)
      break;
    const HostedSource& source = *sources_[reported_];
    if (phase == SourceStarts::Phase::Failed) {
      lines.push_back("rs-host: source " + source.Name() + " (" + source.Address() +
                      ") failed to start: " + source.Error().value_or("no reason given"));
    }
  }
  return lines;
}

void RunSources::StopAll() {
  if (starts_)
    starts_->StopAll();
}

void RunSources::JoinStarts() {
  if (starts_)
    starts_->Join();
}

void RunSources::StopCounting() {
  events_.reset();
}

void RunSources::ReleaseAll() {
  starts_.reset();
  for (auto& source : sources_)
    source->Release();
  sources_.clear();
}

}  // namespace rs_host
