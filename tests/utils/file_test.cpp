#include "utils/file.hpp"

#ifdef _WIN32
#include <io.h>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <orvlog/orvlog.hpp>

#include "utils/error.hpp"

namespace {

using utils::File;
using Lines = std::vector<std::string>;

// The runtime's texts for the two errors a probe meets most. A directory
// fails as it does on Windows, where the runtime refuses to open one for
// want of permission.
constexpr const char* kMissingText = "No such file or directory";
#ifdef _WIN32
constexpr int kDirectoryError = EACCES;
constexpr const char* kDirectoryText = "Permission denied";
// "café 📷.bag": a two-byte and a four-byte UTF-8 sequence, the second one a
// surrogate pair in UTF-16.
const std::string kUtf8Name = u8"caf\u00e9 \U0001F4F7.bag";
const std::wstring kWideName = L"caf\u00e9 \U0001F4F7.bag";
#else
constexpr int kDirectoryError = EISDIR;
constexpr const char* kDirectoryText = "Is a directory";
#endif

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
std::string CloseLine(int fd) {
  return "<utils::File> Close(): fd=" + std::to_string(fd);
}

class FileTest : public testing::Test {
 protected:
  // A folder of its own, named after the case: ctest runs the cases side by side.
  void SetUp() override {
    const std::filesystem::path path = std::filesystem::path(testing::TempDir()) /
                                       ("file_test_" + std::to_string(std::random_device()()));
    ASSERT_TRUE(std::filesystem::create_directory(path));
    dir = path.u8string();
  }
  void TearDown() override {
    if (!dir.empty())
      std::filesystem::remove_all(std::filesystem::u8path(dir));
  }

  std::string dir;
};

// Each refusal throws its text and the path, with its error number, and is traced once.
// FIFOs, device nodes and sockets are POSIX file types, which Regular refuses at once:
// without it, the FIFO's open would wait here for a writer.
TEST_F(FileTest, RefusedPathThrowsWithItsTextAndNumberAndIsTraced) {
  // Path, mode, error number, the exception's text and the trace line's.
  std::vector<std::tuple<std::string, int, int, std::string, std::string>> cases = {
      {dir + "/missing.bag", File::Read, ENOENT, kMissingText, kMissingText},
      {dir, File::Read, kDirectoryError, kDirectoryText, kDirectoryText}};
#ifdef _WIN32
  // The UTF-8 path, not its UTF-16 form, in the text.
  cases.emplace_back(dir + "/" + kUtf8Name, File::Read, ENOENT, kMissingText, kMissingText);
#else
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
  for (const std::string& path : {fifo, std::string("/dev/null"), socketPath})
    cases.emplace_back(path, File::Read | File::Regular, EINVAL, "Not a regular file",
                       "not a regular file");
  cases.emplace_back(dir, File::Read | File::Regular, EISDIR, kDirectoryText, kDirectoryText);
#endif
  for (const auto& [path, mode, error, text, traced] : cases) {
    LogCapture log;
    try {
      File file(path, mode);
      ADD_FAILURE() << "opened " << path;
    } catch (const utils::OpenFileError& e) {
      EXPECT_EQ(std::string(e.what()), text + ": " + path);
      EXPECT_EQ(e.GetErrorNumber(), error) << path;
      EXPECT_EQ(e.GetErrno(), error) << path;
    }
    EXPECT_EQ(log.Messages(), Lines{"<utils::File> Open(\"" + path + "\") FAILED: " + traced});
  }
#ifndef _WIN32
  ::close(socketFd);
#endif
}

#ifndef _WIN32
// A regular file opens as it would without Regular, blocking reads included; its open and
// close are traced with the descriptor.
TEST_F(FileTest, RegularOpensARegularFileAsWithoutIt) {
  const std::string path = dir + "/a.bag";
  std::ofstream(path) << "abc";
  LogCapture log;
  int fd = -1;
  {
    const File file(path, File::Read | File::Regular);
    fd = file.GetFd();
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  }
  EXPECT_EQ(log.Messages(), (Lines{OpenLine(path, fd), CloseLine(fd)}));
}
#endif

#ifdef _WIN32

// Windows: the path is widened to UTF-16 for _wsopen_s.

std::wstring Widened(const char* text) {
  std::vector<wchar_t> wide;
  EXPECT_TRUE(File::Utf8ToWide(text, wide));
  EXPECT_FALSE(wide.empty());
  EXPECT_EQ(wide.back(), L'\0');
  return std::wstring(wide.data());
}

TEST(Utf8ToWideTest, ReplacesInvalidSequencesRatherThanFailing) {
  EXPECT_EQ(Widened("a\xff"
                    "b"),
            L"a\uFFFDb");
  EXPECT_EQ(Widened("\xc3"), L"\uFFFD");  // cut off after its first byte
}

class WindowsFileTest : public FileTest {
 protected:
  std::wstring WideDir() const { return std::filesystem::u8path(dir).wstring(); }
  // Writes through the wide API only, so that nothing of File's conversion
  // is involved.
  void WriteWide(const std::wstring& name, const std::string& content) {
    std::FILE* file = _wfopen((WideDir() + L"\\" + name).c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }
};

TEST_F(WindowsFileTest, NonAsciiNameOpensTheFileOfThatName) {
  WriteWide(kWideName, "x");
  const std::string path = dir + "/" + kUtf8Name;
  LogCapture log;
  int fd = -1;
  {
    File file(path, File::Read);
    fd = file.GetFd();
    char byte = 0;
    EXPECT_EQ(_read(fd, &byte, 1), 1);
  }
  EXPECT_EQ(log.Messages(), (Lines{OpenLine(path, fd), CloseLine(fd)}));
}

#endif  // _WIN32

}  // namespace
