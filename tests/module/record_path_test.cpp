// Restarted recordings never overwrite what was recorded.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "record_path.hpp"

namespace vs_realsense2 {
namespace {

class RecordPathTest : public ::testing::Test {
 protected:
  void Touch(const std::string& name) { std::ofstream(dir + name) << "x"; }

  const std::string dir = ::testing::TempDir() + "record-path-" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
  const bool made = [this] {
    std::filesystem::remove_all(dir);
    return std::filesystem::create_directories(dir);
  }();
};

TEST_F(RecordPathTest, FreeNameIsKeptAndTakenNamesGetTheNextFreeNumber) {
  ASSERT_TRUE(made);
  EXPECT_EQ(NextFreeRecordPath(dir + "cam.bag"), dir + "cam.bag");
  Touch("cam.bag");
  EXPECT_EQ(NextFreeRecordPath(dir + "cam.bag"), dir + "cam-1.bag");
  Touch("cam-1.bag");
  Touch("cam-3.bag");
  EXPECT_EQ(NextFreeRecordPath(dir + "cam.bag"), dir + "cam-2.bag");
  Touch("plain");
  EXPECT_EQ(NextFreeRecordPath(dir + "plain"), dir + "plain-1");
  Touch("two.dots.bag");
  EXPECT_EQ(NextFreeRecordPath(dir + "two.dots.bag"), dir + "two.dots-1.bag");
}

}  // namespace
}  // namespace vs_realsense2
