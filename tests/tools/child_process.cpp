#include "child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace rs_host_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "rs-host-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const OutputWatch& watch, std::chrono::seconds timeout) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& arg : args)
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
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeFds[1]);

  // Read until the child closes its end, so that it never blocks on a full
  // pipe; the watch sees each piece of output as soon as it arrives.
  ChildResult result;
  pollfd readable{pipeFds[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    if (poll(&readable, 1, static_cast<int>(left.count())) <= 0)
      continue;  // interrupted, or the time is up
    char buffer[4096];
    const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
    if (got <= 0)
      break;
    result.output.append(buffer, static_cast<std::size_t>(got));
    if (watch)
      watch(pid, result.output);
  }
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace rs_host_test
