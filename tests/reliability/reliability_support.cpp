#include "reliability_support.hpp"

#include <dirent.h>
#include <malloc.h>

#include <cstdlib>
#include <memory>
#include <string>

#include <vs_test_support/log_capture.hpp>

namespace vs_reliability {

std::size_t ThreadCount() {
  const std::unique_ptr<DIR, int (*)(DIR*)> tasks(opendir("/proc/self/task"), closedir);
  std::size_t count = 0;
  if (!tasks)
    return count;
  while (const dirent* entry = readdir(tasks.get())) {
    if (entry->d_name[0] != '.')
      ++count;
  }
  return count;
}

std::size_t ThreadBaseline() {
  std::thread([] {}).join();
  return ThreadCount();
}

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

int ScaledCount(const char* variable, int ciDefault) {
  const char* text = std::getenv(variable);
  if (text == nullptr)
    return ciDefault;
  const int value = std::atoi(text);
  return value > 0 ? value : ciDefault;
}

rs2sim::FramesetSpec SmallFrameset(std::int64_t timeMs) {
  const auto time = static_cast<double>(timeMs);
  rs2sim::FramesetSpec set;
  set.frames = {
      vs_test_support::ColorFrame(time, RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME, RS2_FORMAT_RGB8, 64, 48),
      vs_test_support::DepthFrame(time, RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME, 64, 48)};
  return set;
}

bool GuardedHandler::OnStatus(vid_db::media::SourceStatus /*status*/) {
  Note();
  return true;
}

bool GuardedHandler::OnParams(const vid_db::media::StreamParams& /*params*/) {
  Note();
  return true;
}

bool GuardedHandler::OnPacket(const vid_db::media::Packet& /*packet*/) {
  Note();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++packets_;
  }
  arrived_.notify_all();
  return true;
}

void GuardedHandler::Note() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (closed_)
    ++lateCalls_;
}

void GuardedHandler::Close() {
  const std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
}

std::size_t GuardedHandler::LateCalls() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return lateCalls_;
}

std::size_t GuardedHandler::Packets() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return packets_;
}

bool GuardedHandler::WaitForPackets(std::size_t count) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return arrived_.wait_for(lock, vs_test_support::kWaitLimit, [&] { return packets_ >= count; });
}

Feeder::Feeder(std::vector<const vs_test_support::ManualCamera*> cameras)
    : cameras_(std::move(cameras)) {
  thread_ = std::thread([this] {
    // Distinct milliseconds: the module drops a colour frame that repeats
    // the previous one's time.
    std::int64_t timeMs = 1;
    while (!stopping_.load()) {
      bool any = false;
      for (const auto* camera : cameras_) {
        if (camera->Emit(SmallFrameset(++timeMs)).delivered) {
          any = true;
          delivered_.fetch_add(1);
        }
      }
      // Nothing streams: let the threads that will start a source run.
      if (!any)
        std::this_thread::yield();
    }
  });
}

Feeder::~Feeder() {
  stopping_.store(true);
  thread_.join();
}

}  // namespace vs_reliability
