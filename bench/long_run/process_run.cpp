#include "process_run.hpp"

#include <signal.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <stdexcept>

#include <vs_test_support/child_process.hpp>

namespace long_run {
namespace {

// Reads the program's output as it comes, writes it to a file and keeps
// the figures of its newest status line; only a partial line is held.
class OutputReader {
 public:
  OutputReader(vs_test_support::ChildProcess& child, const std::string& path)
      : child_(child), file_(path, std::ios::trunc) {
    if (!file_)
      throw std::runtime_error("cannot write " + path);
  }

  // What has come by now, without waiting.
  void Drain() {
    std::string got;
    while (child_.Read(got, std::chrono::milliseconds(0)) && !got.empty()) {
      file_ << got << std::flush;
      partial_ += got;
      got.clear();
      std::size_t end = 0;
      while ((end = partial_.find('\n')) != std::string::npos) {
        if (const auto figures = ParseStatusLine(partial_.substr(0, end)))
          latest_ = *figures;
        partial_.erase(0, end + 1);
      }
    }
  }

  const StatusFigures& Latest() const { return latest_; }

 private:
  vs_test_support::ChildProcess& child_;
  std::ofstream file_;
  std::string partial_;
  StatusFigures latest_;
};

}  // namespace

std::optional<StatusFigures> ParseStatusLine(const std::string& line) {
  static const std::regex kStatus(R"(^\[ *[0-9.]+ s\] )");
  static const std::regex kPackets(R"((^\[ *[0-9.]+ s\]|\|) [^ ]+: ([0-9]+) pkts )");
  static const std::regex kRestarts(R"( restarts ([0-9]+) down )");
  if (!std::regex_search(line, kStatus))
    return std::nullopt;
  StatusFigures figures;
  for (std::sregex_iterator it(line.begin(), line.end(), kPackets), end; it != end; ++it)
    figures.packets += std::stoull((*it)[2]);
  for (std::sregex_iterator it(line.begin(), line.end(), kRestarts), end; it != end; ++it)
    figures.restarts += std::stoull((*it)[1]);
  return figures;
}

bool RunProcess(const ProcessRunSettings& settings, std::ostream& out) {
  if (settings.command.empty())
    throw std::runtime_error("no program to run");
  vs_test_support::ChildProcess child(
      settings.command.front(),
      std::vector<std::string>(settings.command.begin() + 1, settings.command.end()));
  OutputReader output(child, settings.outputPath);
  out << "sampling process " << child.Pid() << ":";
  for (const auto& arg : settings.command)
    out << " '" << arg << "'";
  out << "\n";

  bool ok = true;
  {
    const StopRequest stop;
    ok = RunSamplingLoop(
        settings.loop, out,
        [&]() -> std::optional<Sample> {
          output.Drain();
          auto sample = ReadProcess(child.Pid());
          if (sample) {
            sample->packets = output.Latest().packets;
            sample->restarts = output.Latest().restarts;
          }
          return sample;
        },
        [&](std::chrono::steady_clock::time_point) { output.Drain(); });
  }
  if (!ok)
    out << "the process ended before the run did\n";

  // As an operator's Ctrl-C: the program stops its sources and exits.
  child.Signal(SIGINT);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::duration<double>(settings.stopTimeout));
  std::optional<int> exitCode;
  while (!(exitCode = child.WaitForExit(std::chrono::milliseconds(50))) &&
         std::chrono::steady_clock::now() < deadline)
    output.Drain();
  output.Drain();
  if (!exitCode) {
    out << "no exit within " << settings.stopTimeout << " s of SIGINT; killed\n";
    return false;  // the child's owner kills it
  }
  if (*exitCode != 0) {
    out << "exit status after SIGINT: "
        << (*exitCode >= 0 ? std::to_string(*exitCode) : "killed by a signal") << ", not 0\n";
    return false;
  }
  out << "exited with status 0 after SIGINT\n";
  return ok;
}

}  // namespace long_run
