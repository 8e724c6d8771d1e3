// Streams a few framesets from the first camera and prints what arrived. Written only against
// <librealsense2/rs.hpp>, so it builds against the real SDK too.

#include <librealsense2/rs.hpp>

#include <condition_variable>
#include <iostream>
#include <mutex>

int main() try {
  rs2::pipeline pipe;
  std::mutex mutex;
  std::condition_variable enough;
  int received = 0;
  constexpr int kWanted = 5;

  rs2::config config;
  auto profile = pipe.start(config, [&](rs2::frame f) {
    rs2::frameset fs(f);
    std::lock_guard<std::mutex> lock(mutex);
    if (!fs || received >= kWanted)
      return;
    std::cout << "frameset " << received << ":";
    for (auto&& frame : fs) {
      auto video = frame.as<rs2::video_frame>();
      std::cout << ' ' << frame.get_profile().stream_name() << ' ' << video.get_width() << 'x'
                << video.get_height() << " (" << frame.get_data_size() << " bytes)";
    }
    std::cout << '\n';
    if (++received == kWanted)
      enough.notify_one();
  });
  std::cout << "streaming from " << profile.get_device().get_info(RS2_CAMERA_INFO_NAME) << '\n';
  {
    std::unique_lock<std::mutex> lock(mutex);
    enough.wait(lock, [&] { return received >= kWanted; });
  }
  pipe.stop();
  return 0;
} catch (const rs2::error& e) {
  std::cerr << "rs2 error calling " << e.get_failed_function() << "(" << e.get_failed_args()
            << "): " << e.what() << '\n';
  return 1;
}
