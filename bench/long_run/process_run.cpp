#include "process_run.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <thread>

namespace long_run {
namespace {

// Reads the program's output as it comes, writes it to a file and keeps
// the figures of its newest status line; only a partial line is held.
class OutputReader {
 public:
  OutputReader(int fd, const std::string& path) : fd_(fd), file_(path, std::ios::trunc) {
    if (!file_)
      throw std::runtime_error("cannot write " + path);
  }

  void Drain() {
    char buffer[4096];
    while (true) {
      pollfd readable{fd_, POLLIN, 0};
      if (poll(&readable, 1, 0) <= 0)
        return;
      const ssize_t got = read(fd_, buffer, sizeof buffer);
      if (got <= 0)
        return;
      file_.write(buffer, got);
      file_.flush();
      partial_.append(buffer, static_cast<std::size_t>(got));
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
  const int fd_;
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
  std::vector<char*> argv;
  for (const auto& arg : settings.command)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid < 0)
    throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    dup2(pipeFds[1], 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  OutputReader output(pipeFds[0], settings.outputPath);
  out << "sampling process " << pid << ":";
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
          auto sample = ReadProcess(pid);
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
  kill(pid, SIGINT);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(settings.stopTimeout);
  int status = 0;
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    output.Drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (done == 0) {
    out << "no exit within " << settings.stopTimeout << " s of SIGINT; killed\n";
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ok = false;
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    out << "exit status after SIGINT: "
        << (WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) : "killed by a signal")
        << ", not 0\n";
    ok = false;
  } else {
    out << "exited with status 0 after SIGINT\n";
  }
  output.Drain();
  close(pipeFds[0]);
  return ok;
}

}  // namespace long_run
