#include "child_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace rs_host_test {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0)
      close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "rs-host-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const std::filesystem::path& workDir, const ChildOptions& options) {
  // Output goes to files: no pipe to drain, nothing lost if the child hangs.
  const auto outPath = workDir / "child.out";
  const auto errPath = workDir / "child.err";

  std::vector<std::string> envText;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [key, value] : options.env) {
      replaced = replaced || entry.rfind(key + "=", 0) == 0;
    }
    if (!replaced)
      envText.push_back(entry);
  }
  for (const auto& [key, value] : options.env)
    envText.push_back(key + "=" + value);

  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& entry : envText)
    envp.push_back(entry.data());
  envp.push_back(nullptr);

  // Opened (and emptied) here, before the child exists, so that a watcher
  // never sees the output of an earlier child.
  const Fd out(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  const Fd err(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  const Fd in(open("/dev/null", O_RDONLY | O_CLOEXEC));
  if (out.Get() < 0 || err.Get() < 0 || in.Get() < 0) {
    throw std::runtime_error("cannot open the child's output files");
  }

  const pid_t pid = fork();
  if (pid < 0)
    throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in.Get(), 0);
    dup2(out.Get(), 1);
    dup2(err.Get(), 2);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }

  ChildResult result;
  const auto deadline = std::chrono::steady_clock::now() + options.timeout;
  int status = 0;
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid)
      break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    if (options.watch)
      options.watch(pid, ReadText(outPath));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (WIFEXITED(status))
    result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    result.termSignal = WTERMSIG(status);
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  return result;
}

}  // namespace rs_host_test
