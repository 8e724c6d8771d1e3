// Shared fixture and helpers of rs2sim's tests.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <librealsense2/rs.hpp>
#include <rs2sim/control.hpp>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rs2sim_test {

constexpr char kManual[] = "111111111111";

// The only device: a camera that delivers only what the test emits.
inline void UseManualCamera(std::size_t poolSize = 16, bool frameCounterMetadata = true) {
  rs2sim::DeviceSpec camera;
  camera.serial = kManual;
  camera.manual = true;
  camera.poolSize = poolSize;
  camera.frameCounterMetadata = frameCounterMetadata;
  camera.modes = {{RS2_STREAM_DEPTH, 0, RS2_FORMAT_Z16, 640, 480, 30},
                  {RS2_STREAM_COLOR, 0, RS2_FORMAT_RGB8, 640, 480, 30}};
  rs2sim::ClearDevices();
  rs2sim::AddDevice(camera);
}

inline rs2sim::FrameSpec Color(double timestamp = 0.0, std::uint8_t fill = 0x80) {
  rs2sim::FrameSpec f;
  f.timestamp = timestamp;
  f.fill = fill;
  return f;
}

inline rs2sim::FrameSpec Depth(double timestamp = 0.0) {
  rs2sim::FrameSpec f = Color(timestamp, 0x10);
  f.stream = RS2_STREAM_DEPTH;
  f.format = RS2_FORMAT_Z16;
  return f;
}

// Collects what a pipeline delivers; the callback given to the pipeline
// shares it.
class Collector {
 public:
  void Add(rs2::frame f) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      frames_.push_back(std::move(f));
    }
    arrived_.notify_all();
  }
  // False when `count` frames did not arrive within a bound meant for failure only.
  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(20),
                             [&] { return frames_.size() >= count; });
  }
  std::vector<rs2::frame> Frames() {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.clear();
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<rs2::frame> frames_;
};

struct Collect {
  std::shared_ptr<Collector> into;
  void operator()(rs2::frame f) const { into->Add(std::move(f)); }
};

// Every test starts from the default registry and must leave no rs2sim
// object behind: every counter is back to zero.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rs2sim::ResetDevices();
    // A start that finds no device fails at once instead of after the library's wait.
    rs2sim::SetMissingDeviceWait(std::chrono::milliseconds(0));
    rs2sim::ClearFaults();
  }
  void TearDown() override {
    rs2sim::ClearFaults();
    rs2sim::ResetDevices();
    const auto c = rs2sim::GetCounters();
    EXPECT_EQ(c.framesAlive, 0);
    EXPECT_EQ(c.framesKept, 0);
    EXPECT_EQ(c.pipelinesAlive, 0);
    EXPECT_EQ(c.pipelinesStreaming, 0);
    EXPECT_EQ(c.callbacksAlive, 0);
    EXPECT_EQ(c.callbacksRunning, 0);
  }
};

}  // namespace rs2sim_test
