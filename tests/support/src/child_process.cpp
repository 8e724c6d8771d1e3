#include <vs_test_support/child_process.hpp>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace vs_test_support {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    throw std::runtime_error("fork failed");
  }
  if (pid_ == 0) {
    dup2(pipeFds[1], 1);
    dup2(pipeFds[1], 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  output_ = pipeFds[0];
}

ChildProcess::~ChildProcess() {
  if (!exitCode_) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  close(output_);
}

bool ChildProcess::Read(std::string& output, std::chrono::milliseconds wait) {
  pollfd readable{output_, POLLIN, 0};
  if (poll(&readable, 1, static_cast<int>(wait.count())) <= 0)
    return true;  // nothing yet, or interrupted
  char buffer[4096];
  const ssize_t got = read(output_, buffer, sizeof buffer);
  if (got <= 0)
    return false;
  output.append(buffer, static_cast<std::size_t>(got));
  return true;
}

void ChildProcess::Signal(int signal) const {
  if (!exitCode_)
    kill(pid_, signal);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!exitCode_) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      endingSignal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      break;
    }
    if (done < 0) {
      exitCode_ = -1;  // reaped elsewhere: gone all the same
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline)
      break;
    // waitpid has no timeout; a child's exit is not worth a SIGCHLD handler.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return exitCode_;
}

}  // namespace vs_test_support
