// A started pipeline: one thread of rs2sim's own that builds frames from a source (or from
// Emit()) and hands them to the consumer, one frameset at a time.

#ifndef RS2SIM_SRC_ENGINE_PIPELINE_RUN_HPP
#define RS2SIM_SRC_ENGINE_PIPELINE_RUN_HPP

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "frame.hpp"
#include "recording.hpp"
#include "registry.hpp"
#include "sources.hpp"

struct rs2_frame_callback;

namespace rs2sim {

// Owns the application's callback from the start call on and hands it back with release().
// Takes each frameset the run delivers, on the run's thread.
class CallbackSink {
 public:
  explicit CallbackSink(rs2_frame_callback* callback);
  ~CallbackSink();
  CallbackSink(const CallbackSink&) = delete;
  CallbackSink& operator=(const CallbackSink&) = delete;
  void Consume(FrameRef frame);

 private:
  rs2_frame_callback* callback_;
};

[[noreturn]] void DeviceBusy(const std::string& serial);
// An early check, before a recording file is created; the claim at start decides.
void FailIfBusy(const std::string& serial);

struct RunPlan {
  DevicePtr device;
  std::vector<ProfilePtr> profiles;
  std::unique_ptr<FrameSource> source;
  std::shared_ptr<Recorder> recorder;  // null unless recording
  bool claimsDevice = true;            // live cameras stream to one run at a time
};

class PipelineRun : public std::enable_shared_from_this<PipelineRun> {
 public:
  // Throws ApiError (device busy) when the device streams to another run. Without a sink (a
  // start without a callback) the run builds its framesets and drops them.
  static std::shared_ptr<PipelineRun> Start(RunPlan plan, std::shared_ptr<CallbackSink> sink);
  ~PipelineRun();
  PipelineRun(const PipelineRun&) = delete;
  PipelineRun& operator=(const PipelineRun&) = delete;

  // Ends streaming. From another thread it returns once no frame is delivered any more and the
  // sink is gone; from the run's own thread (a callback) it only asks the thread to end.
  void Stop();
  Emitted Inject(const FramesetSpec& spec);

  const DevicePtr& Device() const { return device_; }
  const std::shared_ptr<Recorder>& Recording() const { return recorder_; }
  const std::vector<ProfilePtr>& Profiles() const { return profiles_; }

 private:
  struct EmitJob {
    SetBlueprint set;
    std::promise<Emitted> done;
  };
  using StreamKey = std::pair<int, int>;  // stream, index

  PipelineRun(RunPlan plan, std::shared_ptr<CallbackSink> sink);
  void Run();
  void Finish();
  Emitted Deliver(const SetBlueprint& set);
  std::optional<FrameRef> Build(const SetBlueprint& set, std::vector<const void*>& data);
  ProfilePtr ProfileFor(const FrameBlueprint& frame);
  std::shared_ptr<StreamPool> PoolFor(const FrameBlueprint& frame);

  const DevicePtr device_;
  const std::vector<ProfilePtr> profiles_;
  const bool claimsDevice_;
  LinkPtr link_;  // set before the thread starts; null for playback
  std::unique_ptr<FrameSource> source_;
  std::shared_ptr<Recorder> recorder_;
  std::shared_ptr<CallbackSink> sink_;  // null: framesets are dropped
  std::map<StreamKey, std::shared_ptr<StreamPool>> pools_;
  // Each stream's last frame, for its number and for a set that repeats it.
  std::map<StreamKey, FrameContent> lastFrames_;
  std::vector<ProfilePtr> extraProfiles_;

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::deque<std::unique_ptr<EmitJob>> inbox_;
  std::thread::id threadId_;
  std::thread thread_;
};

}  // namespace rs2sim

#endif  // RS2SIM_SRC_ENGINE_PIPELINE_RUN_HPP
