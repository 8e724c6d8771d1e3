#include "host_run.hpp"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "hosted_source.hpp"
#include "module_events.hpp"
#include "module_loader.hpp"
#include "snapshot_writer.hpp"
#include "status_display.hpp"
#include "stop_signal.hpp"
#include "summary.hpp"

namespace rs_host {
namespace {

using Clock = std::chrono::steady_clock;

// Keeps an orvlog sink for the length of the run.
class ScopedSink {
 public:
  explicit ScopedSink(orvlog::SinkId id) : id_(id) {}
  ~ScopedSink() { orvlog::RemoveSink(id_); }
  ScopedSink(const ScopedSink&) = delete;
  ScopedSink& operator=(const ScopedSink&) = delete;

 private:
  orvlog::SinkId id_;
};

std::vector<SourceStatus> Statuses(const std::vector<std::unique_ptr<HostedSource>>& sources) {
  std::vector<SourceStatus> statuses;
  for (const auto& source : sources) {
    statuses.push_back(
        SourceStatus{source->Name(), source->Running(), source->Handler().Statistics().Report()});
  }
  return statuses;
}

bool AllDone(const std::vector<std::unique_ptr<HostedSource>>& sources) {
  for (const auto& source : sources) {
    if (source->Running() && !source->Handler().Statistics().LimitReached())
      return false;
  }
  return true;
}

// Waits until the time is up, every source has its packets or a signal
// arrives, showing the status once a second. Returns what ended the wait.
std::string Wait(const Options& options, const std::vector<std::unique_ptr<HostedSource>>& sources,
                 const StopSignal& stop, StatusDisplay& display, Clock::time_point start) {
  using Seconds = std::chrono::duration<double>;
  constexpr auto kPoll = std::chrono::milliseconds(20);
  auto nextStatus = start + std::chrono::seconds(1);
  while (true) {
    const auto now = Clock::now();
    const double elapsed = Seconds(now - start).count();
    if (stop.Requested())
      return "signal";
    if (options.frames != 0 && AllDone(sources))
      return "frames";
    if (options.seconds > 0 && elapsed >= options.seconds)
      return "time";
    if (now >= nextStatus) {
      display.Update(elapsed, Statuses(sources));
      nextStatus += std::chrono::seconds(1);
    }
    std::this_thread::sleep_for(kPoll);
  }
}

// Whether the JSON summary can be written at the end, found out before the
// run rather than after an hour of it. Leaves no file behind that was not
// there already.
bool CanWrite(const std::string& path) {
  std::error_code error;
  const bool existed = std::filesystem::exists(path, error);
  bool writable = false;
  {
    const std::ofstream probe(path, std::ios::app);
    writable = probe.is_open();
  }
  if (writable && !existed)
    std::filesystem::remove(path, error);
  return writable;
}

void CountEvent(SourceStatistics& statistics, ModuleEvent event) {
  const auto now = Clock::now();
  switch (event) {
    case ModuleEvent::LostFrames:
      statistics.AddLostFrames(1);
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

int RunHost(const Options& options, std::ostream& out, std::ostream& err, bool terminal) {
  const ScopedSink console(orvlog::AddConsoleSink(options.logLevel));
  const StopSignal stop;
  int status = 0;

  if (!options.jsonPath.empty() && !CanWrite(options.jsonPath)) {
    err << "rs-host: cannot write the JSON summary to '" << options.jsonPath << "'\n";
    return 1;
  }
  std::optional<SnapshotWriter> snapshots;
  if (!options.snapshotDir.empty()) {
    try {
      snapshots.emplace(options.snapshotDir);
    } catch (const std::exception& e) {
      err << "rs-host: " << e.what() << "\n";
      return 1;
    }
  }

  const std::string modulePath = options.modulePath.empty()
                                     ? FindDefaultModule(DefaultModuleCandidates())
                                     : options.modulePath;
  std::optional<LoadedModule> module;
  try {
    module.emplace(modulePath);
  } catch (const std::exception& e) {
    err << "rs-host: " << e.what() << "\n";
    return 1;
  }

  // Declared after the module: every source goes before the library unloads.
  std::vector<std::unique_ptr<HostedSource>> sources;
  std::map<std::string, SourceStatistics*> byName;
  for (std::size_t i = 0; i < options.addresses.size(); ++i) {
    sources.push_back(
        std::make_unique<HostedSource>(options.names[i], options.addresses[i], options.frames));
    byName[options.names[i]] = &sources.back()->Handler().Statistics();
  }
  // Never changed while the sink may call in, so read without a lock.
  const std::map<std::string, SourceStatistics*>& lookup = byName;
  std::optional<ModuleEventSink> events;
  events.emplace([&lookup](const SourceEvent& event) {
    const auto found = lookup.find(event.source);
    if (found != lookup.end())
      CountEvent(*found->second, event.event);
  });

  const auto start = Clock::now();
  bool anyRunning = false;
  {
    const StopSignalsHeld held;
    for (auto& source : sources) {
      if (source->Start(module->Protocol())) {
        anyRunning = true;
      } else {
        err << "rs-host: source " << source->Name() << " (" << source->Address()
            << ") failed to start: " << *source->Error() << "\n";
        status = 1;
      }
    }
  }

  StatusDisplay display(out, terminal);
  const std::string stoppedBy =
      anyRunning ? Wait(options, sources, stop, display, start) : std::string("failure");
  if (stop.Requested()) {
    display.Finish();
    // Flushed: an operator waiting on a slow stop sees that it began.
    out << "stopping on signal " << stop.Signal() << "\n" << std::flush;
  }
  for (auto& source : sources)
    source->Stop();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  display.Finish();
  events.reset();

  bool silent = false;
  RunSummary summary;
  summary.module = module->Path();
  summary.seconds = seconds;
  summary.stoppedBy = stoppedBy;
  for (auto& source : sources) {
    if (source->StopError()) {
      err << "rs-host: source " << source->Name() << " failed to stop: " << *source->StopError()
          << "\n";
    }
    SourceSummary entry{source->Name(),
                        source->Address(),
                        source->Error(),
                        source->Handler().Statistics().Report(),
                        {}};
    if (snapshots && !source->Error()) {
      const auto written = snapshots->Write(source->Name(), source->Handler().Frames().Get());
      entry.snapshots = written.written;
      for (const auto& missing : written.missing) {
        err << "rs-host: no snapshot: " << missing << "\n";
      }
      for (const auto& problem : written.problems) {
        err << "rs-host: snapshot not written: " << problem << "\n";
        status = 1;
      }
    }
    if (!entry.error && entry.report.packets == 0) {
      err << "rs-host: source " << source->Name() << " started but delivered no packet\n";
      silent = true;
    }
    source->Release();
    summary.sources.push_back(std::move(entry));
  }
  sources.clear();

  WriteSummaryTable(out, summary);
  if (!options.jsonPath.empty()) {
    std::ofstream json(options.jsonPath, std::ios::trunc);
    json << SummaryJson(summary);
    json.close();
    if (!json) {
      err << "rs-host: cannot write the JSON summary to '" << options.jsonPath << "'\n";
      status = 1;
    } else {
      out << "\nJSON summary: " << options.jsonPath << "\n";
    }
  }
  // A failure to start or to write says more than a silent source.
  if (status == 0 && silent)
    status = kExitNoPackets;
  return status;
}

}  // namespace rs_host
