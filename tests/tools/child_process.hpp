// Runs rs-host as a separate process, the way a user does, and collects what
// it printed and how it ended.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace rs_host_test {

struct ChildResult {
  int exitCode = -1;   // -1 when killed by a signal
  int termSignal = 0;  // the signal that ended it, 0 if it exited
  bool timedOut = false;
  std::string out;
  std::string err;
};

struct ChildOptions {
  std::vector<std::pair<std::string, std::string>> env;  // added or replaced
  std::chrono::seconds timeout{60};                      // killed after this
  // Called every few milliseconds with the child's pid and its output so far;
  // lets a test signal the child once it has reached some point.
  std::function<void(int pid, const std::string& out)> watch;
};

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const std::filesystem::path& workDir, const ChildOptions& options = {});

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string ReadText(const std::filesystem::path& path);

}  // namespace rs_host_test
