// The library answers the module relies on are those of the real
// librealsense2 (answers.txt, written from it), on whichever library this
// build uses. rs2sim may differ only where sim/README.md lists the question
// with its reason.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "sdk_questions.hpp"
#if VSRS_SDK_SIMULATED
#include <rs2sim/control.hpp>
#endif

namespace vs_sdk_answers {
namespace {

// "question: kind | function | text" per line.
std::map<std::string, std::string> ExpectedAnswers() {
  std::map<std::string, std::string> answers;
  std::ifstream in(VSRS_EXPECTED_ANSWERS);
  for (std::string line; std::getline(in, line);) {
    const std::size_t colon = line.find(": ");
    if (!line.empty() && line[0] != '#' && colon != std::string::npos)
      answers[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return answers;
}

#if VSRS_SDK_SIMULATED
// The rows "| `question` | reason |" of the section on differing answers.
std::map<std::string, std::string> ListedDifferences() {
  std::map<std::string, std::string> listed;
  std::ifstream in(VSRS_SIM_README);
  bool inSection = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("## ", 0) == 0)
      inSection = line == "## Answers that differ from the real library";
    if (!inSection || line.rfind("| `", 0) != 0)
      continue;
    const std::size_t end = line.find('`', 3);
    const std::size_t reason = line.find("| ", end);
    if (end != std::string::npos && reason != std::string::npos)
      listed[line.substr(3, end - 3)] = line.substr(reason + 2);
  }
  return listed;
}
#endif

class SdkAnswersTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
#if VSRS_SDK_SIMULATED
    // The real library here has no camera: neither has rs2sim's registry.
    for (const std::string& serial : rs2sim::DeviceSerials())
      rs2sim::RemoveDevice(serial);
    rs2sim::SetMissingDeviceWait(std::chrono::milliseconds(50));
#endif
    std::filesystem::create_directories(scratch_);
  }
  void TearDown() override {
    std::filesystem::remove_all(scratch_);
  }

  const std::string scratch_ =
      ::testing::TempDir() + "vsrs-answers-" + std::to_string(::getpid()) + "-" + GetParam();
};

TEST_P(SdkAnswersTest, SameAsTheRealLibrary) {
  const auto expected = ExpectedAnswers();
  const auto found = expected.find(GetParam());
  ASSERT_NE(found, expected.end()) << "no expected answer for " << GetParam();
  const std::string answer = Format(Ask(GetParam(), scratch_));
#if VSRS_SDK_SIMULATED
  const auto listed = ListedDifferences();
  const auto difference = listed.find(GetParam());
  if (difference != listed.end()) {
    EXPECT_NE(answer, found->second)
        << "rs2sim now answers as the real library: drop the row from sim/README.md";
    GTEST_SKIP() << "rs2sim answers \"" << answer << "\": " << difference->second;
  }
#endif
  EXPECT_EQ(answer, found->second);
}

INSTANTIATE_TEST_SUITE_P(Questions, SdkAnswersTest, ::testing::ValuesIn(QuestionNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace vs_sdk_answers
