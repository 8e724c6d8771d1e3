#include "child_process.hpp"

#include <signal.h>
#include <unistd.h>

#include <stdexcept>

#include <vs_test_support/child_process.hpp>

namespace rs_host_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "rs-host-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

// Reads until the child closes its end, so that it never blocks on a full
// pipe; the watch sees each piece of output as soon as it arrives.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const OutputWatch& watch, std::chrono::seconds timeout) {
  vs_test_support::ChildProcess child(program, args);
  ChildResult result;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      child.Signal(SIGKILL);
      break;
    }
    const std::size_t before = result.output.size();
    if (!child.Read(result.output, left))
      break;
    if (watch && result.output.size() != before)
      watch(child.Pid(), result.output);
  }
  result.exitCode = child.WaitForExit(std::chrono::hours(1)).value_or(-1);
  return result;
}

}  // namespace rs_host_test
