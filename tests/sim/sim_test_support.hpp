// Shared fixture and helpers of rs2sim's tests.

#ifndef RS2SIM_TESTS_SIM_TEST_SUPPORT_HPP
#define RS2SIM_TESTS_SIM_TEST_SUPPORT_HPP

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <librealsense2/rs.hpp>
#include <rs2sim/control.hpp>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rs2sim_test {

constexpr char kManual[] = "111111111111";

// A camera that delivers only what the test emits.
rs2sim::DeviceSpec ManualCamera(const std::string& serial = kManual, std::size_t poolSize = 16);

// Leaves `spec` as the only device, so that pipelines without a serial pick it.
void UseOnly(const rs2sim::DeviceSpec& spec);

rs2sim::FrameSpec Color(double timestamp = 0.0, std::uint8_t fill = 0x80);
rs2sim::FrameSpec Depth(double timestamp = 0.0, std::uint8_t fill = 0x10);

// Collects what a pipeline delivers; the callback given to the pipeline shares it.
class Collector {
 public:
  void Add(rs2::frame f);
  // Blocks until `count` frames have arrived.
  void WaitFor(std::size_t count);
  std::vector<rs2::frame> Frames();
  std::vector<std::thread::id> Threads();
  void Clear();

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<rs2::frame> frames_;
  std::vector<std::thread::id> threads_;
};

struct Collect {
  std::shared_ptr<Collector> into;
  void operator()(rs2::frame f) const { into->Add(std::move(f)); }
};

// Every test starts from the default registry and must leave no rs2sim object behind.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace rs2sim_test

#endif  // RS2SIM_TESTS_SIM_TEST_SUPPORT_HPP
