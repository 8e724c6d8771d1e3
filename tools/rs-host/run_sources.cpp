#include "run_sources.hpp"

#include <chrono>

#include "stop_signal.hpp"

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

StartResult RunSources::StartAll(vid_db::Protocol& protocol, std::ostream& err) {
  const StopSignalsHeld held;
  StartResult result;
  for (auto& source : sources_) {
    if (source->Start(protocol)) {
      result.anyRunning = true;
    } else {
      err << "rs-host: source " << source->Name() << " (" << source->Address()
          << ") failed to start: " << *source->Error() << "\n";
      result.anyFailed = true;
    }
  }
  return result;
}

void RunSources::StopAll() {
  for (auto& source : sources_)
    source->Stop();
}

void RunSources::StopCounting() {
  events_.reset();
}

void RunSources::ReleaseAll() {
  for (auto& source : sources_)
    source->Release();
  sources_.clear();
}

}  // namespace rs_host
