// Camera controls from the address: applied at every start before the first frameset, in a
// fixed order; what cannot be applied is a warning and the start goes on.
#include <cstdio>
#include <fstream>

#include "camera_test.hpp"

namespace vs_realsense2_test {
namespace {

// The Info lines of a start but its reports of the library and the device,
// which every start writes.
Texts InfoWithoutReports(const vs_test_support::LogCapture& log) {
  Texts texts;
  for (const std::string& text : log.Messages(kInfo)) {
    // The reader's Frames lines follow a recording's first packet at any time.
    if (text.find("> PrintSdk: ") == std::string::npos &&
        text.find("> PrintDevice: ") == std::string::npos &&
        text.find("> Frames: ") == std::string::npos)
      texts.push_back(text);
  }
  return texts;
}

// A control the start could not apply, as its warning names it.
std::string NotApplied(const std::string& why) {
  return "<cam> CameraControls: " + why + "; not applied";
}

class ControlsTest : public CameraTest {
 protected:
  ControlsTest() { std::ofstream(json) << kJson; }
  ~ControlsTest() override { std::remove(json.c_str()); }

  static constexpr const char* kJson = "{\"param-laserpower\": 120}";
  const std::string json = ProcessTempPath("vsrs-controls", ".json");
};

TEST_F(ControlsTest, EveryControlIsAppliedInOrderAtEachStartBeforeTheFirstFrameset) {
  const std::string query =
      "gain=32&auto_exposure=1&exposure=200&depth_exposure=9000"
      "&laser_power=210&emitter=0&preset=HIGH%20accuracy&json=" +
      PercentEncoded(json);
  const Texts writes = {"advanced mode: load_json " + std::string(kJson),
                        "Stereo Module: Visual Preset = 3",
                        "Stereo Module: Emitter Enabled = 0",
                        "Stereo Module: Laser Power = 210",
                        "Stereo Module: Exposure = 9000",
                        "RGB Camera: Exposure = 200",
                        "RGB Camera: Enable Auto Exposure = 0",
                        "RGB Camera: Enable Auto Exposure = 1",
                        "RGB Camera: Gain = 32"};
  const Texts lines = {"<cam> CameraControls: json: " + json + " (25 bytes)",
                       "<cam> CameraControls: preset: High Accuracy",
                       "<cam> CameraControls: emitter: 0",
                       "<cam> CameraControls: laser_power: 210",
                       "<cam> CameraControls: depth_exposure: 9000",
                       "<cam> CameraControls: exposure: 200 (colour auto exposure off)",
                       "<cam> CameraControls: auto_exposure: 1",
                       "<cam> CameraControls: gain: 32"};

  Open(camera.Url(query));
  // Start has returned and no frameset was emitted yet: the camera has every setting.
  EXPECT_EQ(rs2sim::DeviceWrites(camera.Serial()), writes);
  EXPECT_EQ(InfoWithoutReports(log), lines);
  EXPECT_TRUE(log.Messages(kWarning).empty());
  Deliver(ColorAndDepth(1000));

  // A restart is a start: everything again, in the same order.
  source->Stop();
  log.Clear();
  source->Start(StartWith(handler));
  Texts twice = writes;
  twice.insert(twice.end(), writes.begin(), writes.end());
  EXPECT_EQ(rs2sim::DeviceWrites(camera.Serial()), twice);
  EXPECT_EQ(InfoWithoutReports(log), lines);
}

TEST_F(ControlsTest, WhatTheCameraLacksOrRefusesIsAWarningAndTheStartGoesOn) {
  const ManualCamera bare("bare", [](rs2sim::DeviceSpec& device) {
    device.emitterSupported = false;
    device.depthOptions.erase(device.depthOptions.begin() + 1);  // laser power
    device.colorOptions.clear();
    device.advancedModeEnabled = false;
  });
  Open(bare.Url("json=" + PercentEncoded(json) +
                "&preset=remove%20ir%20pattern&emitter=1&laser_power=150&depth_exposure=200000"
                "&exposure=100&gain=500"));
  EXPECT_EQ(
      log.Messages(kWarning),
      (Texts{NotApplied(
                 "json: advanced mode is off on the camera (switching it on resets the camera)"),
             NotApplied("preset: Remove Ir Pattern is not in the camera's range 0..5 (step 1)"),
             NotApplied("emitter: the camera's depth sensor has no Emitter Enabled control"),
             NotApplied("laser_power: the camera's depth sensor has no Laser Power control"),
             NotApplied("depth_exposure: 200000 is not in the camera's range 1..165000 (step 1)"),
             NotApplied("exposure: the camera's colour sensor has no Exposure control"),
             NotApplied("gain: the camera's colour sensor has no Gain control"),
             "<cam> PrintEmitter: emitter not supported"}));
  EXPECT_TRUE(InfoWithoutReports(log).empty());
  EXPECT_TRUE(rs2sim::DeviceWrites(bare.Serial()).empty());
  ASSERT_TRUE(bare.Emit(ColorAndDepth(1000)).delivered);
  EXPECT_TRUE(handler->WaitForPackets(1));
}

TEST_F(ControlsTest, OffStepValuesAndUnreadableFilesAreWarnings) {
  Open(camera.Url("laser_power=100&json=%252Fno%2520such%252Fdir.json&emitter=2"));
  EXPECT_EQ(log.Messages(kWarning),
            (Texts{NotApplied("json: cannot read /no such/dir.json"),
                   NotApplied("laser_power: 100 is not in the camera's range 0..360 (step 30)")}));
  EXPECT_EQ(InfoWithoutReports(log), Texts{"<cam> CameraControls: emitter: 2"});
}

TEST_F(ControlsTest, TextsThatAreNoValuesAreWarnedAtCreationAndNeverApplied) {
  // Other keys' texts that are no values are the address suite's (ControlParamsTest).
  source = CreateSource(camera.Url("preset=outdoor&gain=1"), "cam");
  EXPECT_EQ(log.All(),
            (Lines{{kWarning,
                    "<cam> MediaSource: preset: \"outdoor\" is no visual preset (valid: Custom, "
                    "Default, Hand, High Accuracy, High Density, Medium Density, Remove Ir "
                    "Pattern); not applied"}}));
  log.Clear();
  source->Start(StartWith(handler));
  EXPECT_TRUE(log.Messages(kWarning).empty());
  EXPECT_EQ(InfoWithoutReports(log), Texts{"<cam> CameraControls: gain: 1"});
  EXPECT_EQ(rs2sim::DeviceWrites(camera.Serial()), Texts{"RGB Camera: Gain = 1"});
}

// Playback asks for every recorded stream, indexed and motion ones too, and the recorded
// device keeps the live camera's serial number: its controls must stay untouched.
TEST_F(ControlsTest, PlaybackAppliesNoneAndSaysSoOnceAndReportsEveryRecordedStream) {
  rs2sim::WriteRecording(recording, {rs2sim::DefaultCamera(camera.Serial()),
                                     {{RS2_STREAM_INFRARED, 2, RS2_FORMAT_Y8, 640, 480, 30},
                                      {RS2_STREAM_GYRO, 0, RS2_FORMAT_MOTION_XYZ32F, 0, 0, 200}},
                                     {ColorAndDepth(1000)}});
  PlayBack("laser_power=150&json=" + PercentEncoded(json) + "&preset=hand", "replay");
  EXPECT_EQ(InfoWithoutReports(log),
            (Texts{"<replay> Session: playback from file: " + recording,
                   "<replay> CameraControls: playback: camera controls not applied"}));
  EXPECT_TRUE(log.Messages(kWarning).empty());
  EXPECT_TRUE(rs2sim::DeviceWrites(camera.Serial()).empty());
  EXPECT_EQ(Reported("Infrared 2 as Y8 at 30 Hz; resolution: 640x480", "replay"), 1u);
  EXPECT_EQ(Reported("Gyro as MOTION_XYZ32F at 200 Hz", "replay"), 1u);
  // A recording keeps the device's name and serial number only.
  EXPECT_EQ(log.Count(kInfo,
                      "<replay> PrintDevice: recorded device: Intel RealSense D435 (rs2sim), "
                      "serial number manual-1"),
            1u);
}

}  // namespace
}  // namespace vs_realsense2_test
