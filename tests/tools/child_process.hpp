// Runs rs-host as a separate process, the way a user does, and collects what
// it printed and how it ended.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace rs_host_test {

struct ChildResult {
  int exitCode = -1;   // -1 when ended by a signal, or killed after the timeout
  std::string output;  // standard output and error, as they came
};

// Called with the child's pid and its output so far, each time more arrives;
// lets a test act once the child has printed some line.
using OutputWatch = std::function<void(int pid, const std::string& output)>;

// The child inherits this process's environment; it is killed after `timeout`.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const OutputWatch& watch = {},
                     std::chrono::seconds timeout = std::chrono::seconds(60));

// A fresh directory, removed with everything in it at the end of the test.
struct TempDir {
  TempDir();
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

}  // namespace rs_host_test
