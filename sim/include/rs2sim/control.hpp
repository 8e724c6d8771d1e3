// rs2sim control interface: virtual devices, the manual frame source, fault injection, counters
// and recordings. For tests, benchmarks and demo hosts only; code that must also build against
// the real librealsense2 never includes this header.

#ifndef RS2SIM_CONTROL_HPP
#define RS2SIM_CONTROL_HPP

#include <librealsense2/rs.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rs2sim {

struct StreamMode {
  rs2_stream stream;
  int index;
  rs2_format format;
  int width;
  int height;
  int fps;
};

struct DeviceSpec {
  std::string serial;
  std::string name = "Intel RealSense D435 (rs2sim)";
  // Camera infos; an empty one is an info the device does not support.
  std::string firmware = "5.15.1.0";  // RS2_CAMERA_INFO_FIRMWARE_VERSION
  std::string usbType = "3.2";        // RS2_CAMERA_INFO_USB_TYPE_DESCRIPTOR
  std::string physicalPort;           // RS2_CAMERA_INFO_PHYSICAL_PORT
  bool hasDepthSensor = true;         // false: the device's sensors include no depth sensor
  bool emitterSupported = true;       // the depth sensor offers RS2_OPTION_EMITTER_ENABLED
  float emitterValue = 1.0f;
  float depthUnits = 0.001f;
  rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK;
  std::vector<StreamMode> modes;  // in preference order: a 0 in a request picks the first match
  bool manual = false;            // true: frames come only from Emit(), never from a timer
  std::size_t poolSize = 16;      // unkept frames a stream may have alive at once
};

// D435-like modes: depth Z16 848x480, 640x480, 1280x720 and colour RGB8 then BGR8 1280x720,
// 640x480, 1920x1080, each at 30, 15 and 6 fps; a request of zeros gets depth 848x480@30 and
// colour RGB8 1280x720@30.
DeviceSpec DefaultCamera(const std::string& serial);
// Serial number of the i-th default camera, i counted from 0.
std::string DefaultSerial(int i);

void AddDevice(const DeviceSpec& spec);  // replaces a device with the same serial
bool RemoveDevice(const std::string& serial);
void ClearDevices();  // an empty registry: starting a pipeline fails with "No device connected"
void ResetDevices();  // back to the default camera(s)
std::vector<std::string> DeviceSerials();
// Until changed, the registry holds the default cameras: RS2SIM_DEVICES of them (1 when unset),
// with serials DefaultSerial(0..n-1). They stream synthetic images in real time at the
// negotiated rate (a colour test pattern, a depth ramp with a moving object), rendered once per
// mode and reused: frames point into pre-rendered immutable buffers.

struct FrameSpec {
  rs2_stream stream = RS2_STREAM_COLOR;
  int index = 0;
  rs2_format format = RS2_FORMAT_RGB8;
  int width = 640, height = 480;
  int stride = -1;        // -1: width * bytes per pixel of the format
  int dataSize = -1;      // -1: stride * height; 0 or negative values are reported as given
  bool nullData = false;  // rs2_get_frame_data returns null
  double timestamp = 0.0;
  rs2_timestamp_domain domain = RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK;
  float depthUnits = 0.001f;
  std::uint8_t fill = 0x80;  // every data byte
};

// composite=false: frames[0] is delivered alone, not as a frameset.
struct FramesetSpec {
  std::vector<FrameSpec> frames;
  bool composite = true;
};

// data: the data pointer of each delivered frame, in order.
struct Emitted {
  bool delivered = false;
  std::vector<const void*> data;
};

// Delivers one frameset to the pipeline that streams device `serial`, on that pipeline's own
// thread, and returns once the callback has returned. delivered is false when no pipeline streams
// the device, or when a stream's pool refused a frame (then nothing of the set is delivered).
Emitted Emit(const std::string& serial, const FramesetSpec& frames);

// The next call of the named C function (for example "rs2_pipeline_stop") fails with that type and
// message; each FailNext arms one failure.
void FailNext(const std::string& function, rs2_exception_type type, const std::string& message);
void ClearFaults();

struct Counters {
  long framesAlive;
  long framesKept;
  long pipelinesAlive;
  long pipelinesStreaming;
  long callbacksAlive;
  long callbacksRunning;
};
Counters GetCounters();

// Writes a recording directly, for playback tests (any streams, device, timestamps and domains).
// A recording keeps the device's name and serial number only: the played-back device supports no
// firmware, USB type or physical port info.
struct RecordingSpec {
  DeviceSpec device;
  std::vector<StreamMode> streams;
  std::vector<FramesetSpec> framesets;
};
void WriteRecording(const std::string& path, const RecordingSpec& spec);

}  // namespace rs2sim

#endif  // RS2SIM_CONTROL_HPP
