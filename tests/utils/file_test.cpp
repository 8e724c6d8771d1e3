#include "utils/file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "log_capture.hpp"
#include "utils/error.hpp"

namespace {

using utils::File;
using utils_test::LogCapture;

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
  static std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  std::string dir;
};

TEST_F(FileTest, OpenAndCloseAreTracedWithTheDescriptor) {
  const std::string path = WriteFile("rec.bag", "data");
  LogCapture log;
  int fd = -1;
  {
    File file(path, File::Read);
    fd = file.GetFd();
    ASSERT_GE(fd, 0);
    file.Close();
    file.Close();
    EXPECT_EQ(file.GetFd(), -1);
  }
  EXPECT_EQ(log.UtilsTraceMessages(),
            (std::vector<std::string>{OpenLine(path, fd), CloseLine(fd)}));
}

TEST_F(FileTest, OpeningAnOpenFileClosesItFirst) {
  const std::string first = WriteFile("a", "");
  const std::string second = WriteFile("b", "");
  LogCapture log;
  File file(first, File::Read);
  const int firstFd = file.GetFd();
  ASSERT_TRUE(file.Open(second, File::Read));
  const int secondFd = file.GetFd();
  EXPECT_EQ(log.UtilsTraceMessages(),
            (std::vector<std::string>{OpenLine(first, firstFd), CloseLine(firstFd),
                                      OpenLine(second, secondFd)}));
}

TEST_F(FileTest, UnopenablePathThrowsWithTheSystemTextAndNumber) {
  struct Case {
    std::string path;
    int error;
  };
  for (const Case& expected : {Case{dir + "/missing.bag", ENOENT}, Case{dir, EISDIR}}) {
    LogCapture log;
    try {
      File file(expected.path, File::Read);
      ADD_FAILURE() << "opened " << expected.path;
    } catch (const utils::OpenFileError& error) {
      EXPECT_EQ(std::string(error.what()),
                std::string(std::strerror(expected.error)) + ": " + expected.path);
      EXPECT_EQ(error.GetErrorNumber(), expected.error);
      EXPECT_EQ(error.GetErrno(), expected.error);
    }
    EXPECT_EQ(log.UtilsTraceMessages(),
              std::vector<std::string>{FailedLine(expected.path, expected.error)});
  }
}

TEST_F(FileTest, FailedOpenKeepsErrnoAcrossItsLogLine) {
  const utils_test::ScopedSink clobber([](const orvlog::LogLine&) { errno = EINTR; });
  File file(WriteFile("a", ""), File::Read);
  errno = 0;
  EXPECT_FALSE(file.Open(dir + "/missing", File::Read));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(file.GetFd(), -1);
}

TEST_F(FileTest, ModeBitsSelectAccessAndCreation) {
  const std::string path = WriteFile("data", "abc");
  char byte = 0;
  {
    File readOnly(path, 0);
    EXPECT_EQ(::write(readOnly.GetFd(), "x", 1), -1);
    EXPECT_EQ(::read(readOnly.GetFd(), &byte, 1), 1);
  }
  {
    File writeOnly(path, File::Write | File::Binary);
    EXPECT_EQ(::read(writeOnly.GetFd(), &byte, 1), -1);
    EXPECT_EQ(::write(writeOnly.GetFd(), "X", 1), 1);
  }
  EXPECT_EQ(Content(path), "Xbc");
  {
    File readWrite(path, File::Read | File::Write | File::Create);
    EXPECT_EQ(::read(readWrite.GetFd(), &byte, 1), 1);
    EXPECT_EQ(::write(readWrite.GetFd(), "Y", 1), 1);
  }
  EXPECT_EQ(Content(path), "XYc");
  {
    File append(path, File::Write | File::Append);
    EXPECT_EQ(::write(append.GetFd(), "Z", 1), 1);
  }
  EXPECT_EQ(Content(path), "XYcZ");
  { File truncate(path, File::Write | File::Truncate); }
  EXPECT_EQ(Content(path), "");

  const std::string created = dir + "/created";
  EXPECT_THROW(File missing(created, File::Write), utils::OpenFileError);
  { File create(created, File::Create | File::Write); }
  EXPECT_EQ(::access(created.c_str(), R_OK | W_OK), 0);
}

TEST_F(FileTest, NonAsciiUtf8PathOpensThatFile) {
  const std::string path = WriteFile("\xC5\xBE\xC3\xBC\xE6\x97\xA5\xE6\x9C\xAC.bag", "x");
  LogCapture log;
  File file(path, File::Read);
  EXPECT_EQ(log.UtilsTraceMessages(), std::vector<std::string>{OpenLine(path, file.GetFd())});
}

}  // namespace
