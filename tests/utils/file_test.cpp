#include "utils/file.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <orvlog/orvlog.hpp>

#include "utils/error.hpp"

namespace {

using utils::File;
using Lines = std::vector<std::string>;

// Collects the log for as long as it lives. Like any sink may, it clobbers
// errno, which File must keep for its caller.
class LogCapture {
 public:
  LogCapture()
      : sink(orvlog::AddCallbackSink(orvlog::Severity::Trace, [this](const orvlog::LogLine& line) {
          std::lock_guard<std::mutex> guard(mutex);
          const bool utilsTrace =
              line.channel == "utils" && line.severity == orvlog::Severity::Trace;
          messages.push_back(utilsTrace ? line.message : "not a utils Trace line: " + line.message);
          errno = EINTR;
        })) {}
  ~LogCapture() { orvlog::RemoveSink(sink); }
  Lines Messages() {
    std::lock_guard<std::mutex> guard(mutex);
    return messages;
  }

 private:
  std::mutex mutex;
  Lines messages;
  orvlog::SinkId sink;
};

std::string OpenLine(const std::string& path, int fd) {
  return "<utils::File> Open(\"" + path + "\"): fd=" + std::to_string(fd);
}
std::string FailedLine(const std::string& path, int error) {
  return "<utils::File> Open(\"" + path + "\") FAILED: " + std::strerror(error);
}
std::string CloseLine(int fd) {
  return "<utils::File> Close(): fd=" + std::to_string(fd);
}

class FileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "file_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    dir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string WriteFile(const std::string& name, const std::string& content) {
    const std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  std::string dir;
};

TEST_F(FileTest, OpenReopenAndCloseAreTracedWithTheDescriptor) {
  const std::string first = WriteFile("a.bag", "");
  const std::string second = WriteFile("b.bag", "");
  const std::string missing = dir + "/missing.bag";
  LogCapture log;
  File file(first, File::Read);
  const int firstFd = file.GetFd();
  ASSERT_TRUE(file.Open(second, File::Read));
  const int secondFd = file.GetFd();
  errno = 0;
  EXPECT_FALSE(file.Open(missing, File::Read));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(file.GetFd(), -1);
  file.Close();
  EXPECT_EQ(log.Messages(),
            (Lines{OpenLine(first, firstFd), CloseLine(firstFd), OpenLine(second, secondFd),
                   CloseLine(secondFd), FailedLine(missing, ENOENT)}));
}

TEST_F(FileTest, UnopenablePathThrowsWithTheSystemTextAndNumber) {
  for (const auto& [path, error] :
       {std::pair{dir + "/missing.bag", ENOENT}, std::pair{dir, EISDIR}}) {
    LogCapture log;
    try {
      File file(path, File::Read);
      ADD_FAILURE() << "opened " << path;
    } catch (const utils::OpenFileError& e) {
      EXPECT_EQ(std::string(e.what()), std::string(std::strerror(error)) + ": " + path);
      EXPECT_EQ(e.GetErrorNumber(), error);
      EXPECT_EQ(e.GetErrno(), error);
    }
    EXPECT_EQ(log.Messages(), Lines{FailedLine(path, error)});
  }
}

TEST_F(FileTest, RegularRefusesFifoDeviceAndSocketAtOnceAndNamesThePath) {
  const std::string fifo = dir + "/recording.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
  const std::string socketPath = dir + "/recording.sock";
  const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(socketFd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
      << std::strerror(errno);
  for (const std::string& path : {fifo, std::string("/dev/null"), socketPath}) {
    LogCapture log;
    try {
      // Without Regular, the FIFO's open would wait here for a writer.
      File file(path, File::Read | File::Regular);
      ADD_FAILURE() << "opened " << path;
    } catch (const utils::OpenFileError& e) {
      EXPECT_EQ(std::string(e.what()), "Not a regular file: " + path);
      EXPECT_EQ(e.GetErrorNumber(), EINVAL);
    }
    EXPECT_EQ(log.Messages(),
              Lines{"<utils::File> Open(\"" + path + "\") FAILED: not a regular file"});
  }
  ::close(socketFd);

  // A regular file opens as it would without the bit, blocking reads included.
  const File file(WriteFile("a.bag", "abc"), File::Read | File::Regular);
  EXPECT_EQ(::fcntl(file.GetFd(), F_GETFL) & O_NONBLOCK, 0);
  EXPECT_THROW(File(dir, File::Read | File::Regular), utils::OpenFileError);
}

TEST_F(FileTest, ModeBitsSelectAccessPositionAndCreation) {
  // Each case: the mode, whether a byte can be read and "Z" written, and what
  // "abc" then holds.
  for (const auto& [mode, reads, writes, after] :
       {std::tuple{0, true, false, "abc"},
        std::tuple{File::Write | File::Binary, false, true, "Zbc"},
        std::tuple{File::Read | File::Write | File::Create, true, true, "aZc"},
        std::tuple{File::Write | File::Append, false, true, "abcZ"},
        std::tuple{File::Write | File::Truncate, false, true, "Z"}}) {
    const std::string path = WriteFile("data", "abc");
    {
      File file(path, mode);
      char byte = 0;
      EXPECT_EQ(::read(file.GetFd(), &byte, 1) == 1, reads) << mode;
      EXPECT_EQ(::write(file.GetFd(), "Z", 1) == 1, writes) << mode;
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), after) << mode;
  }
  const std::string created = dir + "/created";
  EXPECT_THROW(File missing(created, File::Write), utils::OpenFileError);
  { File create(created, File::Create | File::Write); }
  EXPECT_TRUE(std::filesystem::is_regular_file(created));
}

}  // namespace
