#include "pipeline_run.hpp"

#include "notifications.hpp"

#include <librealsense2/hpp/rs_types.hpp>

#include "errors.hpp"

namespace rs2sim {

CallbackSink::CallbackSink(rs2_frame_callback* callback) : callback_(callback) {
  if (callback_)
    ++TheRegistry().counters.callbacksAlive;
}

CallbackSink::~CallbackSink() {
  if (callback_) {
    callback_->release();
    --TheRegistry().counters.callbacksAlive;
  }
}

void CallbackSink::Consume(FrameRef frame) {
  CountedScope running(TheRegistry().counters.callbacksRunning);
  try {
    callback_->on_frame(frame.Release());
  } catch (...) {
    // Like the library, an exception of the application's callback ends there.
  }
}

void DeviceBusy(const std::string& serial) {
  Fail(RS2_EXCEPTION_TYPE_BACKEND,
       "Device or resource busy: device " + serial + " is streaming to another pipeline");
}

void FailIfBusy(const std::string& serial) {
  if (TheRegistry().devices.StreamingRun(serial))
    DeviceBusy(serial);
}

std::shared_ptr<PipelineRun> PipelineRun::Start(RunPlan plan, std::shared_ptr<CallbackSink> sink) {
  std::shared_ptr<PipelineRun> run(new PipelineRun(std::move(plan), std::move(sink)));
  if (run->claimsDevice_) {
    run->link_ = TheRegistry().devices.Claim(run->device_->serial, run);
    if (!run->link_)
      DeviceBusy(run->device_->serial);
  }
  ++TheRegistry().counters.pipelinesStreaming;
  // Run() starts by taking the lock, so the thread sees thread_ and threadId_ set. The thread
  // keeps its run alive, so that a callback may drop the last pipeline handle.
  std::lock_guard<std::mutex> lock(run->mutex_);
  run->thread_ = std::thread([self = run] { self->Run(); });
  run->threadId_ = run->thread_.get_id();
  return run;
}

PipelineRun::PipelineRun(RunPlan plan, std::shared_ptr<CallbackSink> sink)
    : device_(std::move(plan.device)),
      profiles_(std::move(plan.profiles)),
      claimsDevice_(plan.claimsDevice),
      source_(std::move(plan.source)),
      recorder_(std::move(plan.recorder)),
      sink_(std::move(sink)) {}

PipelineRun::~PipelineRun() {
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();  // the thread itself dropped the last reference on its way out
    } else {
      Stop();
    }
  }
}

void PipelineRun::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
    thread_.join();
}

Emitted PipelineRun::Inject(const FramesetSpec& spec) {
  auto job = std::make_unique<EmitJob>();
  job->set = FromSpec(spec);
  auto done = job->done.get_future();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // From a callback the job would wait for the very thread that runs it.
    if (stopping_ || threadId_ == std::this_thread::get_id())
      return {};
    inbox_.push_back(std::move(job));
  }
  wake_.notify_all();
  return done.get();
}

void PipelineRun::Run() {
  for (;;) {
    std::unique_ptr<EmitJob> job;
    bool produce = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      auto woken = [&] { return stopping_ || !inbox_.empty(); };
      if (auto due = source_->NextDue()) {
        produce = !wake_.wait_until(lock, *due, woken);
      } else {
        wake_.wait(lock, woken);
      }
      if (stopping_)
        break;
      if (!inbox_.empty()) {
        job = std::move(inbox_.front());
        inbox_.pop_front();
        produce = false;
      }
    }
    if (job) {
      job->done.set_value(Deliver(job->set));
    } else if (produce) {
      if (auto set = source_->Produce())
        Deliver(*set);
    }
  }
  Finish();
}

// Runs on the run thread, so the callback is released only after its last call returned.
void PipelineRun::Finish() {
  std::deque<std::unique_ptr<EmitJob>> abandoned;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned.swap(inbox_);
  }
  for (auto& job : abandoned)
    job->done.set_value(Emitted{});
  sink_.reset();
  recorder_.reset();
  if (claimsDevice_) {
    TheRegistry().devices.Unclaim(device_->serial, this);
    // The library drops the device object with the pipeline, and the sensors' callbacks with it.
    ForgetNotificationsCallbacks(device_);
  }
  --TheRegistry().counters.pipelinesStreaming;
}

Emitted PipelineRun::Deliver(const SetBlueprint& set) {
  if (link_ && !link_->Delivers())
    return Emitted{};  // the device was pulled out or is stalled
  try {
    Emitted result;
    auto frame = Build(set, result.data);
    if (!frame)
      return Emitted{};
    // A failed write ends the recording, not the streaming; the library says so only in a
    // notification of the recorded sensor.
    if (recorder_) {
      if (std::optional<std::string> failure = recorder_->Append(set)) {
        NotificationSpec notice;
        notice.category = RS2_NOTIFICATION_CATEGORY_UNKNOWN_ERROR;
        notice.description = std::move(*failure);
        (void)NotifySensor(device_->serial, RS2_STREAM_DEPTH, notice);
      }
    }
    if (sink_)
      sink_->Consume(std::move(*frame));
    result.delivered = true;
    return result;
  } catch (const std::exception&) {
    return Emitted{};
  }
}

std::optional<FrameRef> PipelineRun::Build(const SetBlueprint& set,
                                           std::vector<const void*>& data) {
  if (set.restartsNumbers)
    lastFrames_.clear();
  std::vector<FrameRef> parts;
  for (const auto& f : set.frames) {
    auto pool = PoolFor(f);
    if (!pool->TryTake())
      return std::nullopt;  // the parts built so far go back to their pools
    PoolSlot slot(pool);
    FrameContent& last = lastFrames_[StreamKey(f.stream, f.index)];
    FrameContent content;
    if (f.repeatLast && last.profile) {
      content = last;
    } else {
      content.profile = ProfileFor(f);
      content.storage = f.storage;
      content.data = f.Data();
      content.width = f.width;
      content.height = f.height;
      content.stride = f.stride;
      content.dataSize = f.dataSize;
      content.timestamp = f.timestamp;
      content.domain = f.domain;
      content.depthUnits = f.depthUnits;
      content.number = f.number != 0 ? f.number : last.number + 1 + f.skip;
      content.frameCounterMetadata = device_->frameCounterMetadata;
      last = content;
    }
    data.push_back(content.data);
    parts.emplace_back(new rs2_frame(std::move(content), std::move(slot)));
  }
  if (!set.composite) {
    if (parts.empty())
      return std::nullopt;
    return std::move(parts.front());
  }
  std::vector<rs2_frame*> raw;
  for (auto& part : parts)
    raw.push_back(part.Release());
  return FrameRef(new rs2_frame(std::move(raw)));
}

ProfilePtr PipelineRun::ProfileFor(const FrameBlueprint& f) {
  auto fits = [&](const ProfilePtr& p) {
    const StreamMode& m = p->mode;
    return m.stream == f.stream && m.index == f.index && m.format == f.format &&
           m.width == f.width && m.height == f.height;
  };
  for (const auto& p : profiles_) {
    if (fits(p))
      return p;
  }
  for (const auto& p : extraProfiles_) {
    if (fits(p))
      return p;
  }
  int fps = 0;
  for (const auto& p : profiles_) {
    if (p->mode.stream == f.stream && p->mode.index == f.index)
      fps = p->mode.fps;
  }
  extraProfiles_.push_back(
      MakeProfile(StreamMode{f.stream, f.index, f.format, f.width, f.height, fps}, false));
  return extraProfiles_.back();
}

std::shared_ptr<StreamPool> PipelineRun::PoolFor(const FrameBlueprint& f) {
  auto& pool = pools_[StreamKey(f.stream, f.index)];
  if (!pool)
    pool = std::make_shared<StreamPool>(device_->poolSize);
  return pool;
}

}  // namespace rs2sim
