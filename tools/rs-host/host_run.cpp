#include "host_run.hpp"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "hosted_source.hpp"
#include "module_loader.hpp"
#include "output_file.hpp"
#include "plug_schedule.hpp"
#include "run_sources.hpp"
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

// The console's log sink. On a terminal the lines go through the status display, which keeps
// them off its live line; elsewhere orvlog's own console sink writes them as they are.
orvlog::SinkId AddConsoleLog(orvlog::Severity level, StatusDisplay& display, std::ostream& err,
                             bool terminal) {
  if (!terminal)
    return orvlog::AddConsoleSink(level);
  return orvlog::AddCallbackSink(level, [&display, &err](const orvlog::LogLine& line) {
    display.PrintLine(err, line.formatted);
  });
}

constexpr auto kPoll = std::chrono::milliseconds(20);

std::vector<SourceStatus> Statuses(const RunSources& sources) {
  std::vector<SourceStatus> statuses;
  for (std::size_t i = 0; i < sources.All().size(); ++i) {
    const auto& source = *sources.All()[i];
    statuses.push_back(
        SourceStatus{source.Name(), sources.StateOf(i), source.Handler().Statistics().Report()});
  }
  return statuses;
}

// A source still starting may yet deliver: it is not done.
bool AllDone(const RunSources& sources) {
  for (std::size_t i = 0; i < sources.All().size(); ++i) {
    const SourceState state = sources.StateOf(i);
    if (state == SourceState::Starting ||
        (state == SourceState::Running && !sources.All()[i]->Handler().Statistics().LimitReached()))
      return false;
  }
  return true;
}

void TellStartFailures(RunSources& sources, StatusDisplay& display, std::ostream& err) {
  for (const auto& line : sources.TakeStartFailures())
    display.PrintLine(err, line);
}

// Waits until the time is up, every source has its packets, no source could start or a
// signal arrives, showing the status once a second while the sources start and run, and
// unplugging and replugging simulated cameras when their time comes and no source is
// starting. Returns what ended the wait.
std::string Wait(const Options& options, RunSources& sources, const StopSignal& stop,
                 StatusDisplay& display, std::ostream& out, std::ostream& err,
                 Clock::time_point start) {
  using Seconds = std::chrono::duration<double>;
  PlugSchedule plugs(options.plugActions);
  auto nextStatus = start + std::chrono::seconds(1);
  while (true) {
    const auto now = Clock::now();
    const double elapsed = Seconds(now - start).count();
    TellStartFailures(sources, display, err);
    if (!sources.Starting()) {
      for (const auto& outcome : plugs.RunDue(elapsed))
        display.PrintLine(outcome.done ? out : err, outcome.line);
    }
    if (stop.Requested())
      return "signal";
    if (!sources.Starting() && !sources.AnyStarted())
      return "failure";
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

// Once the run has ended: the starts still under way return (a source that starts then is
// stopped at once), their failures told in order. Polled, not joined, so that the main
// thread stays where a second Ctrl-C can end the program.
void AwaitStarts(RunSources& sources, StatusDisplay& display, std::ostream& out,
                 std::ostream& err) {
  std::string starting;
  for (std::size_t i = 0; i < sources.All().size(); ++i) {
    if (sources.StateOf(i) == SourceState::Starting)
      starting += (starting.empty() ? "" : ", ") + sources.All()[i]->Name();
  }
  if (!starting.empty()) {
    display.PrintLine(out, "waiting for the start of " + starting +
                               " to return; each source is stopped as soon as it does");
  }
  while (sources.Starting()) {
    TellStartFailures(sources, display, err);
    std::this_thread::sleep_for(kPoll);
  }
  sources.JoinStarts();
  TellStartFailures(sources, display, err);
}

std::string CannotWriteJson(const std::string& path, const std::string& reason) {
  return "cannot write the JSON summary to '" + path + "': " + reason;
}

// The JSON summary's file, checked before the run rather than found unwritable after an hour
// of it. Leaves no file behind that was not there already. Throws std::runtime_error.
void CheckJsonPath(const std::string& path) {
  std::error_code error;
  const bool existed = std::filesystem::exists(path, error);
  try {
    OutputFile probe(path, OutputFile::Mode::Append);
    probe.Close();
  } catch (const FileError& e) {
    throw std::runtime_error(CannotWriteJson(path, e.Reason()));
  }
  if (!existed)
    std::filesystem::remove(path, error);
}

// What decides the exit status, gathered phase by phase.
class ExitStatus {
 public:
  void Failed() { failed_ = true; }  // a source did not start, or a file was not written
  void Silent() { silent_ = true; }  // a source started but delivered no packet
  // A failure to start or to write says more than a silent source.
  [[nodiscard]] int Code() const { return failed_ ? 1 : (silent_ ? kExitNoPackets : 0); }

 private:
  bool failed_ = false;
  bool silent_ = false;
};

// The snapshot directory, created now; first the JSON path is checked, so that the run
// cannot fail at its end on a file it was told to write.
std::optional<SnapshotWriter> PrepareOutputs(const Options& options) {
  if (!options.jsonPath.empty())
    CheckJsonPath(options.jsonPath);
  if (options.snapshotDir.empty())
    return std::nullopt;
  return SnapshotWriter(options.snapshotDir);
}

std::string ModulePath(const Options& options) {
  return options.modulePath.empty() ? FindDefaultModule(DefaultModuleCandidates())
                                    : options.modulePath;
}

// Set-up: what the run writes to is checked and the module loaded before any source starts.
// Throws std::exception with the text for the operator.
struct RunSetUp {
  explicit RunSetUp(const Options& options)
      : snapshots(PrepareOutputs(options)), module(ModulePath(options)) {}

  const std::optional<SnapshotWriter> snapshots;
  const LoadedModule module;
};

struct RunEnd {
  std::string stoppedBy;  // as RunSummary::stoppedBy
  double seconds;         // from the first start to the last stop
};

// Run: starts the sources, shows their status until the run ends, stops them.
RunEnd Run(const Options& options, RunSources& sources, vid_db::Protocol& protocol,
           const StopSignal& stop, StatusDisplay& display, std::ostream& out, std::ostream& err,
           ExitStatus& status) {
  const auto start = Clock::now();
  sources.StartAll(protocol);
  std::string stoppedBy = Wait(options, sources, stop, display, out, err, start);
  display.Finish();
  if (stop.Requested()) {
    // Printed at once: an operator waiting on a slow stop sees that it began.
    display.PrintLine(out, "stopping on signal " + std::to_string(stop.Signal()));
  }
  sources.StopAll();
  AwaitStarts(sources, display, out, err);
  if (sources.AnyFailed())
    status.Failed();
  if (!sources.AnyStarted())
    stoppedBy = "failure";
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  sources.StopCounting();
  return {std::move(stoppedBy), seconds};
}

// The snapshot files of one source; each that is missing or not written is written to `err`.
std::vector<std::string> WriteSnapshots(const SnapshotWriter& writer, HostedSource& source,
                                        std::ostream& err, ExitStatus& status) {
  const auto result = writer.Write(source.Name(), source.Handler().Frames().Get());
  for (const auto& missing : result.missing)
    err << "rs-host: no snapshot: " << missing << "\n";
  for (const auto& problem : result.problems) {
    err << "rs-host: snapshot not written: " << problem << "\n";
    status.Failed();
  }
  return result.written;
}

// Snapshots and summary: one entry per source, with its snapshots; then the sources are
// released.
RunSummary Summarise(RunSources& sources, const RunSetUp& setUp, RunEnd end, std::ostream& err,
                     ExitStatus& status) {
  RunSummary summary;
  summary.module = setUp.module.Path();
  summary.seconds = end.seconds;
  summary.stoppedBy = std::move(end.stoppedBy);
  for (const auto& source : sources.All()) {
    if (source->StopError()) {
      err << "rs-host: source " << source->Name() << " failed to stop: " << *source->StopError()
          << "\n";
    }
    SourceSummary entry{source->Name(),
                        source->Address(),
                        source->Error(),
                        source->Handler().Statistics().Report(),
                        {}};
    if (setUp.snapshots && !source->Error())
      entry.snapshots = WriteSnapshots(*setUp.snapshots, *source, err, status);
    if (!entry.error && entry.report.packets == 0) {
      err << "rs-host: source " << source->Name() << " started but delivered no packet\n";
      status.Silent();
    }
    summary.sources.push_back(std::move(entry));
  }
  sources.ReleaseAll();
  return summary;
}

// Summary: the table on `out`, and the JSON file when asked for.
void Report(const Options& options, const RunSummary& summary, std::ostream& out, std::ostream& err,
            ExitStatus& status) {
  WriteSummaryTable(out, summary);
  if (options.jsonPath.empty())
    return;
  try {
    OutputFile json(options.jsonPath);
    json.Write(SummaryJson(summary));
    json.Close();
  } catch (const FileError& e) {
    err << "rs-host: " << CannotWriteJson(options.jsonPath, e.Reason()) << "\n";
    status.Failed();
    return;
  }
  out << "\nJSON summary: " << options.jsonPath << "\n";
}

}  // namespace

int RunHost(const Options& options, std::ostream& out, std::ostream& err, bool terminal) {
  StatusDisplay display(out, terminal);
  const ScopedSink console(AddConsoleLog(options.logLevel, display, err, terminal));
  const StopSignal stop;
  std::optional<RunSetUp> setUp;
  try {
    setUp.emplace(options);
  } catch (const std::exception& e) {
    err << "rs-host: " << e.what() << "\n";
    return 1;
  }
  ExitStatus status;
  // After the module: every source goes before the library unloads.
  RunSources sources(options);
  RunEnd end = Run(options, sources, setUp->module.Protocol(), stop, display, out, err, status);
  const RunSummary summary = Summarise(sources, *setUp, std::move(end), err, status);
  Report(options, summary, out, err, status);
  return status.Code();
}

}  // namespace rs_host
