// Another program run as a user runs it: its output read as it comes, a
// signal sent to it, its exit awaited. POSIX only.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vs_test_support {

class ChildProcess {
 public:
  // Starts `program` with `args`, its standard output and error on one pipe;
  // the child inherits this process's environment. Throws std::runtime_error.
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  // A child still running is killed and reaped: none outlives its owner.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  [[nodiscard]] int Pid() const { return pid_; }

  // Appends to `output` what the child wrote within `wait`; false once the
  // child has closed its end (it ended, normally).
  bool Read(std::string& output, std::chrono::milliseconds wait);

  void Signal(int signal) const;

  // The exit status, -1 when a signal ended it; nothing while it still runs
  // after `wait`.
  std::optional<int> WaitForExit(std::chrono::milliseconds wait);
  // The signal that ended the child, 0 while it runs or when it exited.
  [[nodiscard]] int EndingSignal() const { return endingSignal_; }

 private:
  int pid_ = -1;
  int output_ = -1;
  std::optional<int> exitCode_;
  int endingSignal_ = 0;
};

}  // namespace vs_test_support
