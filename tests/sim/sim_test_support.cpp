#include "sim_test_support.hpp"

namespace rs2sim_test {

rs2sim::DeviceSpec ManualCamera(const std::string& serial, std::size_t poolSize) {
  rs2sim::DeviceSpec spec;
  spec.serial = serial;
  spec.manual = true;
  spec.poolSize = poolSize;
  spec.modes = {{RS2_STREAM_DEPTH, 0, RS2_FORMAT_Z16, 640, 480, 30},
                {RS2_STREAM_COLOR, 0, RS2_FORMAT_RGB8, 640, 480, 30}};
  return spec;
}

void UseOnly(const rs2sim::DeviceSpec& spec) {
  rs2sim::ClearDevices();
  rs2sim::AddDevice(spec);
}

rs2sim::FrameSpec Color(double timestamp, std::uint8_t fill) {
  rs2sim::FrameSpec f;
  f.timestamp = timestamp;
  f.fill = fill;
  return f;
}

rs2sim::FrameSpec Depth(double timestamp, std::uint8_t fill) {
  rs2sim::FrameSpec f;
  f.stream = RS2_STREAM_DEPTH;
  f.format = RS2_FORMAT_Z16;
  f.timestamp = timestamp;
  f.fill = fill;
  return f;
}

void Collector::Add(rs2::frame f) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back(std::move(f));
    threads_.push_back(std::this_thread::get_id());
  }
  arrived_.notify_all();
}

void Collector::WaitFor(std::size_t count) {
  std::unique_lock<std::mutex> lock(mutex_);
  arrived_.wait(lock, [&] { return frames_.size() >= count; });
}

std::vector<rs2::frame> Collector::Frames() {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_;
}

std::vector<std::thread::id> Collector::Threads() {
  std::lock_guard<std::mutex> lock(mutex_);
  return threads_;
}

void Collector::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  frames_.clear();
}

void SimTest::SetUp() {
  rs2sim::ResetDevices();
  rs2sim::ClearFaults();
}

void SimTest::TearDown() {
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

}  // namespace rs2sim_test
