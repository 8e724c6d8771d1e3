// rs-make-recording: writes a short recording from a software camera with
// the library's own recorder, paced by the wall clock as a camera would be.
#include <chrono>
#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <librealsense2/hpp/rs_record_playback.hpp>
#include <librealsense2/rs.hpp>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "recording_plan.hpp"
#include "schedule.hpp"
#include "software_camera.hpp"

namespace rs_make_recording {
namespace {

// A file-size limit turns the recorder's writes beyond it into failures
// (EFBIG), as a full disk does, without filling one.
void LimitFileSize(std::uint64_t bytes) {
#ifndef _WIN32
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
    throw std::runtime_error("cannot limit the file size");
#else
  (void)bytes;
  throw std::runtime_error("--file-size-limit needs a POSIX system");
#endif
}

void Write(const RecordingPlan& plan) {
  if (plan.fileSizeLimit > 0)
    LimitFileSize(plan.fileSizeLimit);
  SoftwareCamera camera(plan);
  const std::vector<ScheduledFrameset> framesets = Schedule(plan);
  // The recorder writes the file out when it is released, after the sensors stopped.
  rs2::recorder recorder(plan.path, camera.Device());
  camera.Start();
  const auto begin = std::chrono::steady_clock::now();
  for (const ScheduledFrameset& frameset : framesets) {
    std::this_thread::sleep_until(
        begin + std::chrono::microseconds(static_cast<std::int64_t>(frameset.sendAtMs * 1000)));
    camera.Send(frameset);
  }
  camera.Stop();
}

}  // namespace
}  // namespace rs_make_recording

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string message;
  int exitCode = 0;
  const auto plan = rs_make_recording::ParsePlan(args, message, exitCode);
  if (!plan) {
    (exitCode == 0 ? std::cout : std::cerr) << message;
    return exitCode;
  }
  try {
    rs_make_recording::Write(*plan);
  } catch (const rs2::error& e) {
    std::cerr << "rs-make-recording: " << e.get_failed_function() << "(" << e.get_failed_args()
              << "): " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "rs-make-recording: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
