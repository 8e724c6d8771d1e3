// rs2sim control interface: virtual devices, the manual frame source, fault injection, counters
// and recordings. For tests, benchmarks and demo hosts only; code that must also build against
// the real librealsense2 never includes this header.

#ifndef RS2SIM_CONTROL_HPP
#define RS2SIM_CONTROL_HPP

#include <librealsense2/rs.h>

#include <chrono>
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

// A settable option of a sensor: its range, and whether it may be written at all.
struct OptionSpec {
  rs2_option option;
  float min;
  float max;
  float step;
  float def;  // the value until something sets it
  bool readOnly = false;
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
  // Options besides the emitter (0..2, step 1, when emitterSupported), the depth units and the
  // frame-queue size, which every device has as before.
  std::vector<OptionSpec> depthOptions;
  std::vector<OptionSpec> colorOptions;
  bool advancedMode = true;         // the device extends to RS2_EXTENSION_ADVANCED_MODE
  bool advancedModeEnabled = true;  // its state until rs2_toggle_advanced_mode changes it
  // Frames answer rs2_supports_frame_metadata(RS2_FRAME_METADATA_FRAME_COUNTER) with this, and
  // rs2_get_frame_metadata with their number when it is true. A camera without the metadata
  // (no kernel patch, say) has its frames numbered by the library.
  bool frameCounterMetadata = true;
  // After rs2_hardware_reset the device is away for this long, then comes back as a replug does;
  // -1: only when ReturnFromReset is called, so that a test decides the moment.
  int hardwareResetMs = 3000;
};

// D435-like modes: depth Z16 848x480, 640x480, 1280x720 and colour RGB8 then BGR8 1280x720,
// 640x480, 1920x1080, each at 30, 15 and 6 fps; a request of zeros gets depth 848x480@30 and
// colour RGB8 1280x720@30. Depth options: visual preset 0..5 (default 1), laser power 0..360
// step 30 (150), exposure 1..165000 (8500), auto exposure 0..1 (1), gain 16..248 (16), and the
// read-only ASIC (38 °C) and projector (36 °C) temperatures, which the depth sensor answers only
// while the device streams (else the library's error "query is available during streaming
// only"); colour
// options: exposure 1..10000 (156), auto exposure 0..1 (1), gain 0..128 (64).
DeviceSpec DefaultCamera(const std::string& serial);
// Serial number of the i-th default camera, i counted from 0.
std::string DefaultSerial(int i);

// Devices-changed callbacks hear what these change in the set of connected devices. None of them
// ends a pipeline that streams a device they drop.
void AddDevice(const DeviceSpec& spec);  // replaces a device with the same serial, plugged in
bool RemoveDevice(const std::string& serial);
// An empty registry, unplugged devices forgotten: after the missing-device wait, starting a
// pipeline fails with "No device connected".
void ClearDevices();
// Back to the default camera(s), plugged in and not stalled, and the missing-device wait to its
// default.
void ResetDevices();
std::vector<std::string> DeviceSerials();

// The device leaves the registry as a pulled cable would: a pipeline streaming it gets no further
// frameset (Emit answers delivered=false; a default camera's timer delivers nothing), its stop
// still works, queries no longer list it, and devices-changed callbacks report it removed. That
// pipeline stays cut off after a replug. False when no connected device has that serial.
bool UnplugDevice(const std::string& serial);
// An unplugged device comes back with the same spec; devices-changed callbacks report it added
// and a new pipeline start on it succeeds. False when no device with that serial is unplugged.
bool ReplugDevice(const std::string& serial);
// While stalled the device stays registered and its pipeline stays started, but no frameset
// arrives (Emit answers delivered=false; timers deliver nothing) until resumed with false. The
// stall belongs to the device: it holds for pipelines started meanwhile and across a replug.
void StallDevice(const std::string& serial, bool stalled);
// A stall is also how a wedged camera looks: listed, started, delivering nothing. Only a hardware
// reset (rs2_hardware_reset) ends it: the device leaves the registry at once as UnplugDevice
// does, comes back after its hardwareResetMs (devices-changed callbacks hear both), and is no
// longer stalled. Returns the device from a reset when its hardwareResetMs is -1; false when it
// is not away in a reset.
bool ReturnFromReset(const std::string& serial);
// Hardware resets asked of the device `serial` since it was added.
int HardwareResets(const std::string& serial);

// How long, in all, a pipeline start waits for a wanted device that is not connected before it
// fails as now ("No device connected" for an empty registry, or the "Failed to resolve request..."
// text): 15 s by default, as the real library (it resolves up to 3 times, each waiting up to 5 s),
// or RS2SIM_MISSING_DEVICE_WAIT_MS milliseconds (at most 15 s) when that is set.
// A device that arrives during the wait ends it early and the start goes on. Tests set it short.
void SetMissingDeviceWait(std::chrono::milliseconds wait);
// Blocks until exactly `count` pipeline starts are inside that wait, so that a test can act while
// a start waits; false when that did not happen within `timeout`.
bool AwaitWaitingStarts(int count, std::chrono::milliseconds timeout);
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
  // When not empty, the data instead of `fill` (padded with `fill` or cut to the data size).
  std::vector<std::uint8_t> bytes;
  // The frame's number. 0: the stream's next one, one above its last after `skip` left-out
  // numbers (frames lost before the library). Any number is taken as given, also one at or
  // below the last (a counter reset); the stream goes on from it.
  unsigned long long number = 0;
  unsigned long long skip = 0;
  // The stream's last frame again, as the SDK's syncer fills a frameset with the last frame of a
  // stream that has no new one: its number, data, size, timestamp and domain (the fields above
  // are not used). A stream that has no frame yet in this pipeline takes the fields as given.
  bool repeatLast = false;
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

// A notification as a sensor raises it. timestamp 0: the device clock at delivery.
struct NotificationSpec {
  rs2_notification_category category = RS2_NOTIFICATION_CATEGORY_HARDWARE_ERROR;
  rs2_log_severity severity = RS2_LOG_SEVERITY_ERROR;
  std::string description;
  double timestamp = 0.0;
  std::string serializedData;
};

// Delivers `notification` to the callback set on the sensor of device `serial` that carries
// `sensor` (RS2_STREAM_DEPTH: the stereo module, RS2_STREAM_COLOR: the RGB camera), on a thread
// of rs2sim's as the library does, and returns once the callback has returned. False when no
// connected device has that serial or no callback is set on that sensor. Callbacks belong to the
// device object: a device replaced with AddDevice has none.
bool Notify(const std::string& serial, rs2_stream sensor, const NotificationSpec& notification);

// What the depth sensor of device `serial` answers for RS2_OPTION_ASIC_TEMPERATURE or
// RS2_OPTION_PROJECTOR_TEMPERATURE from now on, until the device is replaced. False for another
// option or when no connected device has that serial.
bool SetTemperature(const std::string& serial, rs2_option option, float celsius);

// The next call of the named C function (for example "rs2_pipeline_stop") fails with that type and
// message; each FailNext arms one failure.
void FailNext(const std::string& function, rs2_exception_type type, const std::string& message);
// The next recording a pipeline start makes fails a write as a full disk does, once its framesets
// would take more than `afterBytes` bytes (0: at its first frameset): from then on it records
// nothing while streaming goes on, as in the real library. Destroying the record device of such a
// recording (the last handle of it: pipeline, profile, device) ends the process, as the real
// library's does. Each call arms one recording; ClearFaults disarms them.
void FailRecordingWrites(std::uint64_t afterBytes);
void ClearFaults();

// What programs wrote to the device `serial` (as the registry holds it now) in order, one text
// each: "<sensor>: <option> = <value>" for rs2_set_option, "advanced mode: on|off" for
// rs2_toggle_advanced_mode, "advanced mode: load_json <content>" for rs2_load_json. A device
// added or replaced with AddDevice starts with no writes and every option at its default.
std::vector<std::string> DeviceWrites(const std::string& serial);

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
